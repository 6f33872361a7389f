#pragma once
// The invisible cover laid over a control while it is locked: 3 pixels larger
// on every side, in front of the control, drawing nothing and taking every
// mouse click so the control beneath cannot be pressed.
#include <QWidget>

class TLockCover : public QWidget {
    Q_OBJECT
public:
    explicit TLockCover(QWidget* parent);

    // Places the cover over the target (same parent) and shows it in front.
    void Cover(QWidget* target);
    void Uncover();

    static constexpr int kMargin = 3;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};
