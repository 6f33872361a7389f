#pragma once
// The Application page: the interface language and the traffic statistics
// (counted since, received and sent totals and, while connected, speeds and
// connection time) with their reset. While connected it also fills the main
// window's traffic row, on every statistics message, shown or not.
#include "ui/common/WindowMessages.h"
#include "ui/settings/TSettingsPage.h"

class QComboBox;
class QFrame;
class QLabel;
class TLockCover;
class TSkinButton;

class TExFrameSettings : public TSettingsPage, public TMessageWindow {
    Q_OBJECT
public:
    // The statistics come through the main window's communicator (`modemComm`).
    TExFrameSettings(QWidget* owner, TLanguage* language, const QPixmap& background, TMainActions* main = nullptr,
                     TModemComm* modemComm = nullptr);
    ~TExFrameSettings() override;

    void ShowPage() override;
    void ApplyLanguage() override;
    void Lock() override;
    void Unlock() override;

    void UpdateStatistic();
    void Dispatch(TMessage& message) override;

    // "%.2lf %s" of a byte count scaled by the communicator ("1.50 KB").
    static AnsiString FormatTotal(double bytes);

    QLabel* Image1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* m_pLLanguage = nullptr;
    QComboBox* m_pCBLanguage = nullptr;
    TSkinButton* m_pBOk = nullptr;
    QLabel* m_pLConnStatistic = nullptr;
    QLabel* m_pLConnStatStart = nullptr;
    QLabel* m_pLDownTitle = nullptr;
    QLabel* m_pLDownSpeedTitle = nullptr;
    QLabel* m_pLUpTitle = nullptr;
    QLabel* m_pLUpSpeedTitle = nullptr;
    QLabel* m_pLTimeUpTitle = nullptr;
    QLabel* m_pLDate = nullptr;
    QLabel* m_pLDown = nullptr;
    QLabel* m_pLDownSpeed = nullptr;
    QLabel* m_pLUp = nullptr;
    QLabel* m_pLUpSpeed = nullptr;
    QLabel* m_pLTimeUp = nullptr;
    TSkinButton* m_pBReset = nullptr;
    TLockCover* BvlSpacer = nullptr;

public slots:
    void ChangeLang();
    void OnResetClick();

private:
    void OnUpdateStatistic(TMessage& message);
};

extern TExFrameSettings* ExFrameSettings;
