#pragma once
// Many users double-click buttons. A window or page that a click brings into
// view may lie with a button under the pointer; the second click of that
// double click must not land on it. Every widget that came into view within
// the double-click interval of the last press takes no press until that
// interval has passed. One guard serves the whole program.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

class TClickGuard : public QObject {
public:
    // Installs the guard on the application once; later calls do nothing.
    static void Install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TClickGuard(QObject* parent);
    bool WithinInterval() const;
    bool OpenedByLastPress(const QWidget* widget) const;

    QElapsedTimer m_lastPress;
    std::vector<QPointer<QWidget>> m_opened;  // what came into view since it
};
