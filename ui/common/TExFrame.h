#pragma once
// The base of every page that a host window shows (settings dialog, SMS
// window, helper window): the operations by which the host shows the page,
// moves settings between page and storage, re-reads its texts, follows the
// modem state and locks the page while work runs. All but ShowPage and
// HidePage do nothing here.
#include <QFrame>
#include <QPixmap>

class TFormEx;

class TExFrame : public QFrame {
    Q_OBJECT
public:
    explicit TExFrame(QWidget* owner);
    ~TExFrame() override;

    virtual void ShowPage();
    virtual void HidePage();
    virtual void SaveSettings();
    virtual void LoadSettings();
    virtual void ApplyLanguage();
    virtual void SetBackground(const QPixmap& picture);
    virtual void MoveTo(int top);
    virtual void UpdateModemState();
    virtual void Lock();
    virtual void Unlock();
    // The user closes the host (its exit image, Escape), which would end with
    // `result`: the page may ask about what it holds first. Returns the result
    // to end with, or mrNone to stay open.
    virtual int UserClosesHost(int result);

    // Where the focus goes when the page is shown and the user had none on it:
    // its first entry in Tab order (never a button).
    virtual QWidget* FirstEntry();

    // The dialog that hosts the page (the nearest TFormEx above it), or null.
    TFormEx* HostForm() const;
};
