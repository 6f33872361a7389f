#pragma once
// A frameless picture button: a PNG picture with its caption below (or beside)
// it, the picture swapped for the hover picture while the mouse is over it.
// Tab reaches it, a dotted frame shows its focus, and Space or Enter presses
// it. The main window's large buttons are of this kind.
#include <QAbstractButton>
#include <QPixmap>

class TPNGButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Layout { ImageAbove, ImageLeft, ImageRight };

    explicit TPNGButton(QWidget* owner = nullptr);

    void SetImageNormal(const QPixmap& picture);
    void SetImageOver(const QPixmap& picture);
    void SetImageDown(const QPixmap& picture);
    const QPixmap& ImageNormal() const { return m_normal; }
    const QPixmap& ImageOver() const { return m_over; }
    void SetLayout(Layout layout);
    Layout GetLayout() const { return m_layout; }
    // Caption colours while enabled and disabled.
    void SetCaptionColour(const QColor& colour);
    void SetDisabledCaptionColour(const QColor& colour);
    const QColor& CaptionColour() const { return m_captionColour; }

    bool IsHovered() const { return m_hover; }
    // The picture painted in the current state.
    QPixmap CurrentImage() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap m_normal;
    QPixmap m_over;
    QPixmap m_down;
    Layout m_layout = Layout::ImageAbove;
    QColor m_captionColour;
    QColor m_disabledCaptionColour;
    bool m_hover = false;
};
