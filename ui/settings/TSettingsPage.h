#pragma once
// What the pages of the settings dialog share: the language table, the
// communicator and the main window they work with, the background picture the
// dialog hands them, and the way they reach their host (its title and wait
// panel). Also the few widget makers that give every page the same look.
#include <QPixmap>
#include "platform/Types.h"
#include "ui/common/TExFrame.h"

class QCheckBox;
class QFrame;
class QLabel;
class QRadioButton;
class TFormExSettings;
class TLanguage;
class TMainActions;
class TModemComm;
class TSkinButton;

class TSettingsPage : public TExFrame {
    Q_OBJECT
public:
    // `main` null: the program's main window.
    TSettingsPage(QWidget* owner, TLanguage* language, TModemComm* modemComm, TMainActions* main);
    ~TSettingsPage() override;

    TLanguage* Language() const { return m_pLanguage; }
    TModemComm* ModemComm() const { return m_pModemComm; }
    TMainActions* Main() const { return m_pMain; }

protected:
    AnsiString Text(int id) const;
    QString QText(int id) const;
    // The host's title (the settings dialog puts its own name in front).
    void SetHostTitle(int textId);
    // The settings dialog hosting the page, or null (helper window, none).
    TFormExSettings* SettingsHost() const;
    void ShowHostWait(const AnsiString& text);
    void HideHostWait();
    // The host as owner of a message box: the dialog, else the page's window.
    QWidget* BoxOwner();
    // Ready: the SIM is unlocked and no dial-up link is up.
    bool IsReady();

    // The background image over the whole page.
    QLabel* MakeBackground(const QPixmap& picture);
    QFrame* MakeBevel(int x, int y, int w, int h);
    QLabel* MakeLabel(int x, int y, int w, int h);
    QCheckBox* MakeCheckBox(int x, int y, int w, int h);
    QRadioButton* MakeRadio(QWidget* parent, int x, int y, int w, int h);
    TSkinButton* MakeButton(QWidget* parent, int x, int y, int w, int h);
    // Edits and combo boxes turn grey (0x808080) when locked, white when not.
    static void SetBaseColour(QWidget* w, unsigned bgr);

    TLanguage* m_pLanguage;
    TModemComm* m_pModemComm;
    TMainActions* m_pMain;
};
