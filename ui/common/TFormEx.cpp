#include "ui/common/TFormEx.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "platform/MessagePump.h"
#include "ui/common/ModalResult.h"
#include "ui/common/TClickGuard.h"
#include "ui/common/TExImage.h"
#include "ui/common/TFocusGuard.h"
#include "ui/common/TSkin.h"
#include "ui/common/TSkinButton.h"
#include "ui/common/TUserAction.h"
#include "ui/common/UiStyle.h"

namespace {
QPointer<QWidget> g_mainForm;

QLabel* MakeTitleLabel(QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("#Caption"), parent);
    label->setFont(TahomaPx(11, true));
    SetTextColour(label, BgrColor(Skin::kCaptionColour));
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TranslucentBackground, true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

TExImage* MakeExitImage(QWidget* parent)
{
    auto* exit = new TExImage(parent);
    exit->SetDrawBorders(true);
    exit->SetDownPicture(TSkin::Picture(Skin::kExitDown, QSize(11, 11), QColor(26, 108, 184)));
    exit->SetDisablePicture(TSkin::Picture(Skin::kExitDisabled, QSize(11, 11), QColor(46, 40, 36)));
    exit->SetLeavePicture(TSkin::Picture(Skin::kExitNormal, QSize(11, 11), QColor(46, 40, 36)));
    exit->setCursor(Qt::ArrowCursor);
    return exit;
}
}  // namespace

TFormEx::TFormEx(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint), m_owner(owner)
{
    InstallFontSubstitutes();
    TClickGuard::Install();
    TFocusGuard::Install();
    // The resource's defaults: 588 x 272, a pale window, "MS Sans Serif" 8.
    resize(588, 272);
    setFont(NamedFontPt("MS Sans Serif", 8));
    SetBackColour(this, BgrColor(0xFAF8FE));
    setAutoFillBackground(true);

    m_pLTitle = MakeTitleLabel(this);
    btnExit = MakeExitImage(this);
    btnExit->resize(11, 11);

    pnlTitle = new QWidget(this);
    pnlTitle->setAutoFillBackground(true);
    SetBackColour(pnlTitle, BgrColor(Skin::kWindowColour));
    imgTitle = new QLabel(pnlTitle);
    imgTitle->setScaledContents(true);
    imgTitle->setPixmap(TSkin::Picture(Skin::kTitleStrip, QSize(32, kTitleHeight), BgrColor(Skin::kWindowColour)));
    m_pLpnlTitle = MakeTitleLabel(pnlTitle);
    m_pLpnlTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    btn_pnlExit = MakeExitImage(pnlTitle);
    btn_pnlExit->SetCentre(true);

    connect(btnExit, &TExImage::OnClick, this, &TFormEx::btnExitClick);
    connect(btn_pnlExit, &TExImage::OnClick, this, &TFormEx::btnExitClick);
    MakeDragHandle(m_pLTitle, true);
    MakeDragHandle(m_pLpnlTitle, true);

    SetTitleStyle(false);
    DockUnderOwner();
}

TFormEx::~TFormEx() = default;

void TFormEx::SetMainForm(QWidget* mainForm)
{
    g_mainForm = mainForm;
}

QWidget* TFormEx::MainForm()
{
    return g_mainForm;
}

QRect TFormEx::OwnerRect(QWidget* owner)
{
    if (owner->isWindow())
        return owner->frameGeometry();
    return QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size());
}

void TFormEx::DockUnderOwner(int keepInView)
{
    if (m_owner == nullptr)
        return;
    const QRect o = OwnerRect(m_owner);
    resize(o.width(), height());
    LayoutTitle();
    const QRect area = TWindowDrag::ScreenAreaAt(o.center());
    const QSize size = frameGeometry().size();
    QPoint at(o.left(), o.bottom() + 1);
    if (!area.isEmpty() && at.y() + size.height() > area.bottom() + 1) {
        if (o.top() - size.height() >= area.top())
            at.setY(o.top() - size.height());
        else
            at.setY(qMax(area.bottom() + 1 - size.height(), o.top() + (keepInView < 0 ? o.height() : keepInView)));
    }
    // Sideways it stays whole on the screen; upwards nothing may push it over the owner.
    move(TWindowDrag::FitInto(area, at, QSize(size.width(), 0)).x(), at.y());
}

void TFormEx::PlaceOverOwner()
{
    QWidget* owner = m_owner;
    if (owner == nullptr || !owner->isWindow())
        owner = g_mainForm;
    if (owner == nullptr || owner == this)
        return;
    const QRect o = OwnerRect(owner);
    // Integer halves round toward zero.
    const int left = o.left() + (o.width() - width()) / 2;
    const int top = o.top() + (o.height() - height()) / 2;
    // A box wider than its owner stays whole on the owner's screen, which
    // need not begin at 0,0 (a monitor left of or above the first).
    move(TWindowDrag::FitInto(TWindowDrag::ScreenAreaAt(o.center()), QPoint(left, top), frameGeometry().size()));
}

QRect TFormEx::OwnerScreenArea() const
{
    QWidget* owner = m_owner != nullptr ? m_owner.data() : g_mainForm.data();
    return TWindowDrag::ScreenAreaAt(owner != nullptr && owner != this ? OwnerRect(owner).center() : QPoint());
}

void TFormEx::SetTitleStyle(bool panel)
{
    m_panelStyle = panel;
    m_pLTitle->setVisible(!panel);
    btnExit->setVisible(!panel && !m_exitHidden);
    pnlTitle->setVisible(panel);
    btn_pnlExit->setVisible(!m_exitHidden);
    LayoutTitle();
    update();
}

void TFormEx::LayoutTitle()
{
    m_pLTitle->setGeometry(0, 0, width(), kTitleHeight);
    btnExit->move(width() - 15, 1);
    btnExit->raise();
    pnlTitle->setGeometry(0, 0, width(), kTitleHeight);
    imgTitle->setGeometry(0, 0, width(), kTitleHeight);
    m_pLpnlTitle->setGeometry(0, 0, width(), kTitleHeight);
    btn_pnlExit->setGeometry(width() - 11 - 3, 0, 11, kTitleHeight);
    btn_pnlExit->raise();
    pnlTitle->raise();
}

void TFormEx::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutTitle();
}

void TFormEx::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (m_panelStyle)
        return;
    // The band behind the plain title keeps its white text readable.
    QPainter p(this);
    p.drawPixmap(QRect(0, 0, width(), kPlainBandHeight),
                 TSkin::Picture(Skin::kTitlePlain, QSize(32, kPlainBandHeight), BgrColor(Skin::kWindowColour)));
}

void TFormEx::ShowEx()
{
    show();
}

void TFormEx::EnableControls()
{
    for (QObject* child : children())
        if (auto* w = qobject_cast<QWidget*>(child); w != nullptr && !w->isWindow())
            w->setEnabled(true);
}

void TFormEx::DisableControls()
{
    for (QObject* child : children())
        if (auto* w = qobject_cast<QWidget*>(child); w != nullptr && !w->isWindow())
            w->setEnabled(false);
}

void TFormEx::ApplyLanguage() {}

void TFormEx::SetTitle(const AnsiString& text)
{
    const QString title = QStringLiteral("  ") + ToQ(text);
    m_pLTitle->setText(title);
    m_pLpnlTitle->setText(title);
}

void TFormEx::Lock() {}

void TFormEx::Unlock() {}

void TFormEx::AddLock()
{
    if (++m_lockCount == 1)
        Lock();
}

void TFormEx::RemoveLock()
{
    if (m_lockCount > 0 && --m_lockCount == 0) {
        Unlock();
        // The lock took the focus off what it disabled: back to the user's entry.
        TFocusGuard::Restore(this);
    }
}

void TFormEx::HideExitButtons()
{
    m_exitHidden = true;
    btnExit->hide();
    btn_pnlExit->hide();
}

void TFormEx::btnExitClick()
{
    done(mrCancel);
}

void TFormEx::reject()
{
    // Closing the window by other means counts as the exit image.
    done(mrCancel);
}

void TFormEx::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!enter && key != Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    // While the window works its buttons are locked: no key stands in for
    // them. The exit image is not, and may cancel what runs (the helper
    // window's does): Escape does what a click on it does.
    const bool busy = ActionRunning() || IsLockHeld();
    const bool exitShown = btnExit->isVisibleTo(this) || btn_pnlExit->isVisibleTo(this);
    if (m_cancelButton == nullptr && !enter) {
        if (!busy || exitShown)
            btnExitClick();
    } else if (!busy) {
        PressButton(enter ? m_defaultButton : m_cancelButton);
    }
}

void TFormEx::PressButton(QAbstractButton* button)
{
    const auto* skinned = qobject_cast<TSkinButton*>(button);
    if (button != nullptr && button->isVisibleTo(this) && button->isEnabled() &&
        (skinned == nullptr || !skinned->IsLocked()))
        button->click();
}

void TFormEx::FocusInto(QWidget* area)
{
    TFocusGuard::Enter(area);
}

bool TFormEx::focusNextPrevChild(bool next)
{
    // Qt calls this for Tab and also when it hides or disables the focused
    // widget; then the focus goes where the user was typing, not to the next
    // button in the chain.
    QWidget* from = focusWidget();
    if (from != nullptr && !TFocusGuard::Usable(from)) {
        TFocusGuard::Replace(this, from);
        return true;
    }
    return TFocusGuard::Step(this, next);
}

void TFormEx::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Only a show the program asks for refreshes the window: not the window
    // system's (restore, docking), not one nested in FormShow's own pump, not
    // one during an action.
    if (!event->spontaneous() && !m_inFormShow && !ActionRunning()) {
        m_inFormShow = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset {m_inFormShow};
        FormShow();
    }
    QWidget* focus = focusWidget();
    if (m_defaultButton != nullptr && (focus == nullptr || qobject_cast<QAbstractButton*>(focus) != nullptr))
        m_defaultButton->setFocus(Qt::OtherFocusReason);
    else if (m_defaultButton == nullptr)
        TFocusGuard::Restore(this);
    if (m_centreOnOwner)
        PlaceOverOwner();
}

void TFormEx::hideEvent(QHideEvent* event)
{
    m_drag.Cancel();
    QDialog::hideEvent(event);
    FormHide();
}

void TFormEx::MakeDragHandle(QWidget* widget, bool updateFirst)
{
    if (widget == nullptr || m_dragHandles.contains(widget))
        return;
    m_dragHandles.insert(widget);
    if (updateFirst)
        m_updateFirstHandles.insert(widget);
    // Only widgets that carry the filter ever reach eventFilter, so an entry
    // left behind by a destroyed handle is never looked at again.
    widget->installEventFilter(this);
}

bool TFormEx::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_dragHandles.contains(watched))
        return QDialog::eventFilter(watched, event);
    // Cast only once the type says it is a mouse event.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (!m_drag.Press(static_cast<QMouseEvent*>(event)))
            return false;
        if (m_updateFirstHandles.contains(watched))
            update();
        return true;
    case QEvent::MouseMove:
        return m_drag.Move(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return m_drag.Release(static_cast<QMouseEvent*>(event));
    default:
        return false;
    }
}

void TFormEx::RunLocked(QAbstractButton* button, const std::function<void()>& action)
{
    const TUserAction guard(
        button,
        [this] {
            ++m_actionDepth;
            AddLock();
        },
        [this] {
            --m_actionDepth;
            RemoveLock();
        });
    if (!guard)
        return;
    action();
    ProcessMessages();
}
