#pragma once
// The wait panel of the main window, the settings dialog and the SMS window:
// a dark sunken panel with one bold white line of text over a stripe that
// runs while the work goes on. Shown, it is as wide as its text plus 40
// pixels (at least 205) and centred across its parent; it keeps its top.
#include <QFrame>
#include <QPixmap>

#include "platform/Types.h"

class QLabel;
class QTimer;

class TWaitPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 205;
    static constexpr int kHeight = 57;

    // Laid out hidden at (left, top), 205 x 57, on `background`.
    TWaitPanel(QWidget* parent, int left, int top, const QColor& background);

    // Sizes and centres the panel for `text`, shows it and starts the stripe.
    void ShowText(const AnsiString& text);
    // Stops the stripe and hides the panel.
    void HidePanel();
    // Stops the stripe where it is; the panel stays as it is.
    void StopStripe();

    QLabel* TextLabel() const { return m_pWndText; }
    // The stripe picture's x offset: -42 before the first tick, then -41 .. -1.
    int Offset() const { return m_iOffset; }

signals:
    // After each step of the stripe.
    void Stepped();

public slots:
    void Step();

private:
    QLabel* m_pWndText = nullptr;
    QWidget* m_pPBxWaiting = nullptr;
    QPixmap m_stripe;
    QTimer* m_pTimer = nullptr;
    int m_iOffset = -42;
};
