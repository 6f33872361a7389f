#pragma once
// Where the keyboard focus may rest. Our windows lock, cover, hide and disable
// widgets all the time, and Qt then hands the focus to the next widget in the
// chain, often an action button (Send, Delete). A key meant as typing must
// never press one: the focus rests only on a widget that is visible, enabled,
// not locked and not under a lock cover; when it is taken away it goes to the
// entry the user had in that part of the window (the text being written),
// else to the part's first entry, else nowhere; it comes back there once that
// entry can take it again. Only Tab, Shift+Tab, a click or the program's own
// placing put it on an action button. One guard serves the whole program.
#include <QObject>
#include <QPointer>
#include <map>

class QWidget;

class TFocusGuard : public QObject {
public:
    // Installs the guard on the application once; later calls do nothing.
    static void Install();

    // Visible, enabled, not locked, not under a shown lock cover.
    static bool Usable(const QWidget* widget);
    // Usable, and Tab may put the focus on it.
    static bool TakesFocus(const QWidget* widget);
    // A control whose Space or Enter does something (a button, a clickable
    // image), unlike an entry (a field, a list, a check box).
    static bool IsAction(const QWidget* widget);

    // The first entry of the area that takes the focus, in Tab order; or null.
    static QWidget* FirstEntryIn(QWidget* area);
    // The part of the window the user works in: its shown page, else itself.
    static QWidget* CurrentArea(QWidget* window);
    // The entry of the area the focus goes to: the user's last one there
    // where it can take the focus, else the area's first entry; or null.
    static QWidget* EntryOf(QWidget* area);
    // The focus was taken from `from`: onto the current area's entry, or off it.
    static void Replace(QWidget* window, QWidget* from);
    // Unless the focus rests on an entry that can take it, it goes back to the
    // current area's entry.
    static void Restore(QWidget* window);
    // The same for a part just shown (a page switch).
    static void Enter(QWidget* area);
    // Tab or Shift+Tab inside the window: the next widget that takes the focus.
    static bool Step(QWidget* window, bool next);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TFocusGuard(QObject* parent);
    static QWidget* AreaOf(QWidget* widget);
    // The focus onto the area's entry; false when it has none.
    static bool PlaceIn(QWidget* area);
    void Remember(QWidget* widget);
    void CoverShown(QWidget* cover);

    std::map<const QObject*, QPointer<QWidget>> m_lastEntry;  // by area
    std::map<const QObject*, QPointer<QWidget>> m_placed;     // by window, not by activation
    QPointer<QWidget> m_standIn;  // holds the focus for an entry that cannot yet
};
