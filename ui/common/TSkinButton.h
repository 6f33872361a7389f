#pragma once
// The skinned speed button: a flat button drawn over three skin pictures (an
// 8-pixel left cap, a stretched centre, an 8-pixel right cap) in normal, hover
// and pressed states, with a white caption. A "&" in the caption marks its
// keyboard accelerator. Tab reaches it, a dotted frame shows its focus, and
// Space or Enter presses it. Locked, the caption turns grey (0x808080), an
// invisible cover 3 pixels larger on every side takes its clicks and no key
// reaches it; unlocked, the caption is white again and the cover hidden.
#include <QAbstractButton>
#include <QPixmap>

class TLockCover;

class TSkinButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TSkinButton(QWidget* owner = nullptr);
    TSkinButton(const QString& caption, QWidget* owner);
    ~TSkinButton() override;

    // The three pictures come from skin names prefix + "_left", "_center" and
    // "_right", each with "_hover" and "_down" variants (default prefix "btn").
    void SetPictures(const QString& prefix);

    void Lock();
    void Unlock();
    bool IsLocked() const { return m_locked; }
    TLockCover* Cover() const { return m_cover; }

    void SetCaptionColour(const QColor& colour);
    const QColor& CaptionColour() const { return m_captionColour; }

    QSize sizeHint() const override;

    static constexpr int kCapWidth = 8;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum State { Normal, Hover, Down, StateCount };
    void KeepCoverInPlace();

    QPixmap m_left[StateCount];
    QPixmap m_center[StateCount];
    QPixmap m_right[StateCount];
    QColor m_captionColour;
    bool m_locked = false;
    bool m_hover = false;
    TLockCover* m_cover = nullptr;
};
