#pragma once
// The skinned, borderless base of every dialog window. It draws its own title
// (a plain label with an exit image, or a title strip with its exit image),
// is dragged by a left press on its title, opens docked under its owner and,
// when asked, is centred over its owner each time it is shown. Its modal
// results keep the platform's numbers (ModalResult.h).
#include <QAbstractButton>
#include <QDialog>
#include <QPointer>
#include <QSet>
#include <functional>
#include "platform/Types.h"
#include "ui/common/TWindowDrag.h"

class QLabel;
class TExImage;

class TFormEx : public QDialog {
    Q_OBJECT
public:
    explicit TFormEx(QWidget* owner);
    ~TFormEx() override;

    // The virtual operations every dialog may replace.
    virtual void ShowEx();
    virtual void EnableControls();
    virtual void DisableControls();
    virtual void ApplyLanguage();
    // Both title labels := two blanks + text.
    virtual void SetTitle(const AnsiString& text);
    virtual void Lock();
    virtual void Unlock();
    virtual void HideExitButtons();

    // Counted locks around Lock / Unlock: the window stays locked until the
    // last of several nested holders lets go.
    void AddLock();
    void RemoveLock();
    bool IsLockHeld() const { return m_lockCount > 0; }

    // false: plain title label and exit image; true: the title strip.
    void SetTitleStyle(bool panel);
    bool TitleStyle() const { return m_panelStyle; }

    // Dialogs placed over their owner: centred over it at every show, after the
    // show handler has run.
    void SetCentreOnOwner(bool on) { m_centreOnOwner = on; }
    bool CentreOnOwner() const { return m_centreOnOwner; }
    void PlaceOverOwner();
    // The available area of the screen of the window this one is placed over
    // (its owner, else the main window, else the primary screen).
    QRect OwnerScreenArea() const;
    // Left and width of the owner, whole on the owner's screen: just below
    // the owner, or just above it when there is no room below. Where neither
    // fits, as far up as the screen needs, but never over the owner's top
    // keepInView pixels (its buttons; the whole owner when negative).
    void DockUnderOwner(int keepInView = -1);

    QWidget* OwnerForm() const { return m_owner; }
    // The window that stands in for an owner that is no window of its own.
    static void SetMainForm(QWidget* mainForm);
    static QWidget* MainForm();

    // Ends the dialog (a modal run returns the result) and hides it.
    void CloseWith(int modalResult) { done(modalResult); }
    int ModalResult() const { return result(); }

    // A left press on the widget drags the window (title labels are so from
    // the start; dialogs add their background or border images).
    void MakeDragHandle(QWidget* widget, bool updateFirst = false);
    bool IsDragging() const { return m_drag.IsDragging(); }

    // Enter presses the default button (it has the focus when the window
    // opens, unless the window gave it to a field); Escape presses the cancel
    // button, or closes as the exit image does where there is none.
    void SetDefaultButton(QAbstractButton* button) { m_defaultButton = button; }
    void SetCancelButton(QAbstractButton* button) { m_cancelButton = button; }

    QLabel* TitleLabel() const { return m_pLTitle; }
    TExImage* ExitImage() const { return btnExit; }
    QWidget* TitlePanel() const { return pnlTitle; }
    QLabel* TitlePanelImage() const { return imgTitle; }
    QLabel* TitlePanelLabel() const { return m_pLpnlTitle; }
    TExImage* TitlePanelExitImage() const { return btn_pnlExit; }

    static constexpr int kTitleHeight = 13;
    static constexpr int kPlainBandHeight = 17;

public slots:
    // Both exit images: modal result 2 (cancel), then close.
    virtual void btnExitClick();

protected:
    // Show and hide handlers of the dialogs.
    virtual void FormShow() {}
    virtual void FormHide() {}
    // An action of this window (or of one it serves) is running: a show
    // then is the window system's, or comes from a pump inside the action,
    // and must not refresh the window (which would start the action anew).
    virtual bool ActionRunning() const { return m_actionDepth > 0; }
    // Runs a button's click action as a user action (TUserAction) with the
    // window locked; pending messages are handled before unlocking.
    void RunLocked(QAbstractButton* button, const std::function<void()>& action);
    // Unless the focus rests on an entry in `area` already, it goes to the
    // entry the user had there, else to the area's first entry.
    void FocusInto(QWidget* area);

    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

    QLabel* m_pLTitle = nullptr;
    TExImage* btnExit = nullptr;
    QWidget* pnlTitle = nullptr;
    QLabel* imgTitle = nullptr;
    QLabel* m_pLpnlTitle = nullptr;
    TExImage* btn_pnlExit = nullptr;

private:
    void LayoutTitle();
    static QRect OwnerRect(QWidget* owner);
    void PressButton(QAbstractButton* button);

    QPointer<QWidget> m_owner;
    QPointer<QAbstractButton> m_defaultButton;
    QPointer<QAbstractButton> m_cancelButton;
    bool m_panelStyle = false;
    bool m_exitHidden = false;
    bool m_centreOnOwner = false;
    TWindowDrag m_drag {this};
    int m_lockCount = 0;
    int m_actionDepth = 0;
    bool m_inFormShow = false;
    QSet<QObject*> m_dragHandles;
    QSet<QObject*> m_updateFirstHandles;
};
