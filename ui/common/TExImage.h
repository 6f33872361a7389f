#pragma once
// The skinned image button: shows one of three stored pictures by its state
// (normal, pressed, disabled) and draws a thin 3D frame into the shown picture,
// raised while the mouse is over it and sunken while it is pressed. With
// AllowDown it toggles. Serves as the exit image of every dialog and as the
// close and minimise images of the main window. Given a focus policy, it shows
// its focus by a dotted frame and Space or Enter clicks it.
#include <QPixmap>
#include <QWidget>

class TExImage : public QWidget {
    Q_OBJECT
public:
    explicit TExImage(QWidget* owner = nullptr);
    ~TExImage() override;

    // The shown picture := a copy of the given one.
    void SetPicture(const QPixmap& picture);
    const QPixmap& ShownPicture() const { return m_shown; }

    void SetDownPicture(const QPixmap& picture);
    void SetDisablePicture(const QPixmap& picture);
    // Also fills the empty down and disabled pictures; shown at once when enabled.
    void SetLeavePicture(const QPixmap& picture);
    const QPixmap& PictureNormal() const { return m_pictureNormal; }
    const QPixmap& PictureDown() const { return m_pictureDown; }
    const QPixmap& PictureDisable() const { return m_pictureDisable; }

    bool GetDownState() const { return m_downState; }
    void SetDownState(bool value);
    bool AllowDown() const { return m_allowDown; }
    void SetAllowDown(bool value) { m_allowDown = value; }
    bool DrawBorders() const { return m_drawBorders; }
    void SetDrawBorders(bool value) { m_drawBorders = value; }
    // Draw the picture centred in the control instead of at its top left.
    void SetCentre(bool value);

    void SetEnabled(bool value) { setEnabled(value); }

    QSize sizeHint() const override;

signals:
    void OnClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    virtual void DrawFocus();
    virtual void DrawDown();
    virtual void DrawCaption();
    void CMMouseEnter();
    void CMMouseLeave();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Frame { Raised, Sunken };
    void DrawFrame(Frame frame);
    QPoint PictureOrigin() const;

    QPixmap m_shown;
    QPixmap m_pictureNormal;
    QPixmap m_pictureDown;
    QPixmap m_pictureDisable;
    bool m_downState = false;
    bool m_allowDown = false;
    bool m_drawBorders = false;
    bool m_centre = false;
    bool m_pressed = false;
};
