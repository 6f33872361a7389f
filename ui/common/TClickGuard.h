#pragma once
// Many users double-click buttons. A window or page that a click brings into
// view may lie with a button under the pointer; the second click of that
// double click must not land on it. Every widget that came into view within
// the double-click interval of the last press takes no press until that
// interval has passed, but never longer than kMaxBlindMs: a long interval set
// for slow hands must not swallow ordinary clicks. One guard serves the whole
// program.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

class TClickGuard : public QObject {
public:
    // Installs the guard on the application once; later calls do nothing.
    static void Install();
    // Forgets the last press and what it opened (a new test, a new start).
    static void Reset();

    static constexpr int kMaxBlindMs = 500;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TClickGuard(QObject* parent);
    bool WithinInterval() const;
    bool OpenedByLastPress(const QWidget* widget) const;

    QElapsedTimer m_lastPress;
    std::vector<QPointer<QWidget>> m_opened;  // what came into view since it
};
