#pragma once
// The about window: the program's version, the maker's address block, a web
// and a mail link, and the modem's IMEI and firmware lines (written by the
// modem search). Every text is fetched again at each showing, so a change of
// language reaches it. Its place is kept in Config.ini [ABOUT_FRM].
#include <QUrl>
#include "ui/common/TFormEx.h"

class QLabel;
class TLanguage;
class TSkinButton;

class TFormExAbout : public TFormEx {
    Q_OBJECT
public:
    // configPath: the Config.ini that keeps the window's place.
    TFormExAbout(QWidget* owner, TLanguage* language, const AnsiString& configPath = AnsiString());
    ~TFormExAbout() override;

    // The version the build stamped into the program, or "".
    virtual AnsiString GetFileVersion() const;

    // The modem search's lines: "IMEI: " / "Firmware: " and the value.
    void SetIMEI(const AnsiString& imei);
    void SetFirmware(const AnsiString& firmware);

    void ApplyLanguage() override;

    QLabel* Image3 = nullptr;
    QLabel* Image1 = nullptr;
    TSkinButton* m_pBClose = nullptr;
    QLabel* m_pLWeb = nullptr;
    QLabel* m_pLEmail = nullptr;
    QLabel* m_pLVersion = nullptr;
    QLabel* m_pSTAddress = nullptr;
    QLabel* m_pLSupport = nullptr;
    QLabel* m_pLIMEI = nullptr;
    QLabel* m_pLFirmware = nullptr;
    AnsiString m_imei, m_firmware;  // kept for a change of language

public slots:
    void OnClose();
    void OnWebClick();
    void OnMailClick();

protected:
    void FormShow() override;
    void FormHide() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Hands a target to the desktop (browser, mail program).
    virtual void OpenUrl(const QUrl& url);

    TLanguage* m_pLanguage;

private:
    void SetTexts();

    AnsiString m_configPath;
};
