// The main window itself: construction and ownership, layout, the buttons
// other than connect, docking, captions, status icons, the unread-SMS
// indicator, the window-wide lock, message routing and teardown.
#include "ui/main/TModemMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "communicator/TModemComm.h"
#include "platform/DeviceWatch.h"
#include "platform/MessagePump.h"
#include "platform/PrivateFile.h"
#include "platform/Ticks.h"
#include "ui/common/ModalResult.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TClickGuard.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TExImage.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/common/TFocusGuard.h"
#include "ui/common/TLockCover.h"
#include "ui/common/TPNGButton.h"
#include "ui/common/TSkin.h"
#include "ui/common/TUserAction.h"
#include "ui/common/TWaitPanel.h"
#include "ui/common/UiLog.h"
#include "ui/common/UiStyle.h"
#include "ui/dialogs/DialogText.h"
#include "ui/dialogs/TFormExAbout.h"
#include "ui/main/MainDialogs.h"
#include "ui/main/MainPictures.h"
#include "ui/settings/TFormExSettings.h"

#if __has_include("communicator/TOperatorList.h")
#include "communicator/TOperatorList.h"
#define QVX_HAVE_OPERATOR_LIST 1
#endif

namespace fs = std::filesystem;

TModemMainFrame* ModemMainFrame = nullptr;

namespace {
TUiLogHook g_oldUiLogHook;
}  // namespace

TModemMainFrame::TModemMainFrame(QWidget* owner, std::unique_ptr<TMainDialogs> dialogs)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), m_pDialogs(std::move(dialogs))
{
    ModemMainFrame = this;
    TClickGuard::Install();
    TFormEx::SetMainForm(this);
    InstallFontSubstitutes();
    if (!m_pDialogs)
        m_pDialogs = MakeProgramDialogs(this);

    setFixedSize(519, 145);
    SetBackColour(this, BgrColor(Skin::kWindowColour));
    setAutoFillBackground(true);
    setFont(NamedFontPt("MS Sans Serif", 8));
    m_bClosing = false;
    m_bWorkerRun = true;

    const AnsiString folder = ProgramFolder();
    // Every file of the program is found in its folder; the trace log too.
    QDir::setCurrent(QString::fromStdString(folder));
    const AnsiString portTrace = folder + "/ComPort.log";

    m_pIniFile = new TConfigFile(ConfigIniPath());
#ifdef QVX_HAVE_OPERATOR_LIST
    m_pOperatorList = new TOperatorList(folder);
#endif
    m_pModemComm = new TModemComm(&m_pIniFile->Ini(), portTrace, &m_bClosing);
    m_pLanguage = new TLanguage(LanguageIniPath(), ConfigIniPath());
    if (m_pIniFile->IsDebugOn()) {
        m_pDebugFrame = m_pDialogs->CreateDebugWindow(&m_pLogMemo);
        if (m_pLogMemo == nullptr) {
            m_pDebugMemo = std::make_unique<TMemo>();
            m_pLogMemo = m_pDebugMemo.get();
        }
        m_pModemComm->SetDebugMemo(m_pLogMemo);
        if (m_pDebugFrame != nullptr) {
            m_pDebugFrame->hide();
            m_pDebugFrame->show();
        }
        // The user interface's own complaints go to the same log.
        g_oldUiLogHook = SetUiLogHook([this](const AnsiString& line) {
            if (m_pModemComm != nullptr)
                m_pModemComm->AddToMemo(line);
        });
    }

    m_bConnected = false;
    m_bPrevConnected = false;
    m_bModemInitialized = false;
    BuildControls();
    CreateOwnedWindows();
    SetStatusIcon(m_pIModem, false);
    SetStatusIcon(m_pISIMCard, false);
    SetStatusIcon(m_pINetwork, false);
    SetStatusIcon(m_pIConnWeb, false);
    ApplyLanguage();
    ReadConfig();
    // Told once, at start: nothing the user changes this run can be kept.
    if (m_pIniFile->IsUnreadable())
        ShowMsgBox(nullptr, m_pLanguage->GetText(300), 0);
    else if (m_pIniFile->IsReadOnly())
        ShowMsgBox(nullptr, m_pLanguage->GetText(331), 0);
    // The user's files that are left as they are (or kept aside as damaged);
    // the store was read by the SMS window just built: tell now, as that
    // window may never be opened while the SIM fills up.
    AnsiString file;
    for (FileNotice notice; (notice = m_pModemComm->TakeFileNotice(file)) != FileNotice::None;)
        ShowMsgBox(nullptr, m_pLanguage->GetText(FileNoticeText(file, notice)), 0);

    m_pDeviceWatch = std::make_unique<TDeviceWatch>([this](const AnsiString& port) { OnPortArrival(port); });

    StartWorker();
    if (!m_hWorkerThread.joinable()) {
        ShowMsgBox(nullptr, m_pLanguage->GetText(128), 0);
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

TModemMainFrame::~TModemMainFrame()
{
    FormDestroy();
    if (ModemMainFrame == this)
        ModemMainFrame = nullptr;
}

QLabel* TModemMainFrame::MakeLabel(int x, int y, int w, int h, int px, bool bold, bool routeMouse)
{
    QLabel* l = ::MakeLabel(this, QRect(x, y, w, h), TahomaPx(px, bold), Qt::AlignLeft | Qt::AlignVCenter, Qt::white);
    if (routeMouse)
        l->installEventFilter(this);
    return l;
}

QLabel* TModemMainFrame::MakeIcon(int x, int y, bool routeMouse)
{
    auto* l = new QLabel(this);
    l->setGeometry(x, y, 16, 16);
    if (routeMouse)
        l->installEventFilter(this);
    return l;
}

TPNGButton* TModemMainFrame::MakeBigButton(int x, const char* picture)
{
    auto* b = new TPNGButton(this);
    b->setGeometry(x, 21, 71, 71);
    b->SetLayout(TPNGButton::Layout::ImageAbove);
    b->setFont(TahomaPx(9, true));
    b->SetImageNormal(TSkin::Picture(picture, QSize(50, 50)));
    b->SetImageOver(TSkin::Picture(QString(picture) + "_hover", QSize(50, 50)));
    // Its keys pass the window first: the lock cover takes only clicks.
    b->installEventFilter(this);
    return b;
}

void TModemMainFrame::BuildControls()
{
    Image2 = new QLabel(this);
    Image2->setGeometry(0, 0, 519, 145);
    Image2->setPixmap(TSkin::Picture(Skin::kMainBack, QSize(519, 145), BgrColor(Skin::kWindowColour)));
    Image2->installEventFilter(this);

    m_pLCaption = MakeLabel(7, 3, 458, 13, 11, true);

    auto sysImage = [this](int x, const char* normal, const char* down, const char* disabled) {
        auto* img = new TExImage(this);
        img->setGeometry(x, 3, 11, 11);
        img->SetDrawBorders(true);
        img->SetDownPicture(TSkin::Picture(down, QSize(11, 11)));
        img->SetDisablePicture(TSkin::Picture(disabled, QSize(11, 11)));
        img->SetLeavePicture(TSkin::Picture(normal, QSize(11, 11)));
        // Escape closes nothing here, so Tab reaches minimise and close.
        img->setFocusPolicy(Qt::TabFocus);
        img->installEventFilter(this);
        return img;
    };
    m_pSysMin = sysImage(488, Skin::kMinNormal, Skin::kMinDown, Skin::kMinDisabled);
    m_pSysClose = sysImage(500, Skin::kExitNormal, Skin::kExitDown, Skin::kExitDisabled);
    connect(m_pSysMin, &TExImage::OnClick, this, &TModemMainFrame::OnMinimize);
    connect(m_pSysClose, &TExImage::OnClick, this, &TModemMainFrame::OnExitClick);

    m_pPNGConnect = MakeBigButton(189, MainPic::kConnect);
    m_pPNGConnect->setEnabled(false);
    m_pPNGSMS = MakeBigButton(266, MainPic::kSms);
    m_pPNGSettings = MakeBigButton(343, MainPic::kSettings);
    m_pPNGAbout = MakeBigButton(420, MainPic::kAbout);
    connect(m_pPNGConnect, &QAbstractButton::clicked, this, [this] { OnConnectClick(m_pPNGConnect); });
    connect(m_pPNGSMS, &QAbstractButton::clicked, this, &TModemMainFrame::OnSMSClick);
    connect(m_pPNGSettings, &QAbstractButton::clicked, this, &TModemMainFrame::OnSettingsClick);
    connect(m_pPNGAbout, &QAbstractButton::clicked, this, &TModemMainFrame::OnAboutClick);
    // The window opens with the focus on a big button, not on minimise.
    setTabOrder(m_pPNGAbout, m_pSysMin);
    setTabOrder(m_pSysMin, m_pSysClose);

    m_pIAntena = new QLabel(this);
    m_pIAntena->setGeometry(499, 17, 10, 93);
    m_pLQuality = MakeLabel(480, 108, 39, 16, 9, false);
    m_pLQuality->setAlignment(Qt::AlignCenter);
    m_pLQuality->setText("100%");

    m_pIConnWeb = MakeIcon(7, 106);
    m_pLConnWeb = MakeLabel(28, 106, 134, 16, 9, false);
    m_pIModem = MakeIcon(184, 106);
    m_pLModem = MakeLabel(205, 106, 50, 16, 9, false);
    m_pISIMCard = MakeIcon(277, 106);
    m_pLSIMCard = MakeLabel(298, 106, 50, 16, 9, false);
    m_pINetwork = MakeIcon(366, 106);
    m_pLNetwork = MakeLabel(388, 106, 98, 16, 9, false);
    // The title and the status read right to left only under a locale that does.
    for (QLabel* label : {m_pLCaption, m_pLConnWeb, m_pLModem, m_pLSIMCard, m_pLNetwork})
        label->setLayoutDirection(QLocale().textDirection());

    const struct {
        QLabel** icon;
        const char* picture;
        int x;
    } icons[] = {{&ImgDown, MainPic::kTrafficDown, 8},
                 {&ImgDownSpd, MainPic::kTrafficDownSpeed, 96},
                 {&ImgUp, MainPic::kTrafficUp, 184},
                 {&ImgUpSpd, MainPic::kTrafficUpSpeed, 277},
                 {&ImgUpTime, MainPic::kTrafficTime, 365}};
    for (const auto& i : icons) {
        *i.icon = MakeIcon(i.x, 128, false);
        (*i.icon)->setPixmap(TSkin::Picture(i.picture, QSize(16, 16)));
    }
    m_pLDown = MakeLabel(25, 128, 64, 13, 9, true);
    m_pLDownSpeed = MakeLabel(113, 128, 72, 13, 9, true);
    m_pLUp = MakeLabel(201, 128, 72, 13, 9, true);
    m_pLUpSpeed = MakeLabel(294, 128, 75, 13, 9, true);
    m_pLTimeUp = MakeLabel(385, 128, 128, 13, 9, true);
    m_pLDown->setText("-");
    m_pLDownSpeed->setText("0 kbps");
    m_pLUp->setText("-");
    m_pLUpSpeed->setText("0 kbps");
    m_pLTimeUp->setText("00:00:00");
    m_pLDownTitle = MakeLabel(15, 152, 92, 13, 9, true);
    m_pLDownSpeedTitle = MakeLabel(103, 152, 92, 13, 9, true);
    m_pLUpTitle = MakeLabel(191, 152, 92, 13, 9, true);
    m_pLUpSpeedTitle = MakeLabel(287, 152, 92, 13, 9, true);
    m_pLTimeUpTitle = MakeLabel(375, 152, 92, 13, 9, true);
    for (QLabel* t : {m_pLDownTitle, m_pLDownSpeedTitle, m_pLUpTitle, m_pLUpSpeedTitle, m_pLTimeUpTitle})
        t->hide();

    m_pPWaitPanel = new TWaitPanel(this, 524, 21, BgrColor(Skin::kWindowColour));
    // Closing, the stripe takes one more step and stays.
    connect(m_pPWaitPanel, &TWaitPanel::Stepped, this, [this] {
        if (m_bClosing)
            m_pPWaitPanel->StopStripe();
    });

    BvlSpacer = new TLockCover(this);
    BvlSpacer->hide();
    BvlSpacer->installEventFilter(this);

    FlashSMSTimer = new QTimer(this);
    FlashSMSTimer->setInterval(200);
    connect(FlashSMSTimer, &QTimer::timeout, this, &TModemMainFrame::OnSMSFlashTimer);

    auto* linkWatch = new QTimer(this);
    linkWatch->setInterval(200);
    connect(linkWatch, &QTimer::timeout, this, &TModemMainFrame::ShowLinkEndWhileWorkerWaits);
    linkWatch->start();

    ShowSignalQuality(0);
}

void TModemMainFrame::CreateOwnedWindows()
{
    m_pSmsForm = m_pDialogs->CreateSmsWindow();
    m_pSettingsForm = m_pDialogs->CreateSettingsWindow();
    m_pDockedWindows[0] = m_pSmsForm;
    m_pDockedWindows[1] = m_pSettingsForm;
    m_pAboutForm = new TFormExAbout(this, m_pLanguage, ConfigIniPath());
}

void TModemMainFrame::SetDockedWindow(int i, TFormEx* window)
{
    if (i == 0)
        m_pSmsForm = m_pDockedWindows[0] = window;
    else if (i == 1)
        m_pSettingsForm = m_pDockedWindows[1] = window;
}

void TModemMainFrame::ReadConfig()
{
    // A place saved on a screen that is gone or larger opens whole on the nearest one.
    const QPoint saved(m_pIniFile->GetMainLeft(), m_pIniFile->GetMainTop());
    move(TWindowDrag::FitInto(TWindowDrag::ScreenAreaAt(saved), saved, size()));
    m_pModemComm->SetModemName(m_pIniFile->GetModemDevice(""));
    m_pModemComm->SetUseExtLangSMS(m_pIniFile->GetUseExtLangSMS() ? 1 : 0);
    m_pModemComm->SetBaudRate(115200);
    m_bConnectOnStart = m_pIniFile->GetConnectOnStartup() == 1;
}

void TModemMainFrame::Log(const AnsiString& line)
{
    if (m_pModemComm != nullptr)
        m_pModemComm->AddToMemo(line);
}

int TModemMainFrame::ShowMsgBox(QWidget* owner, const AnsiString& text, int type, std::function<bool()> stillNeeded)
{
    // A wait that closing cut short is no failure, and nobody is left to
    // answer: an action still running when the window goes says nothing.
    if (m_bClosing && !m_bCloseAsks) {
        Log("Closing: box not shown: " + text);
        return type == 0 ? mrOk : mrNo;
    }
    struct Open {
        int& n;
        explicit Open(int& c) : n(++c) {}
        ~Open() { --n; }
    } open(m_boxesOpen);
    // A question of the close ends should the close come from outside meanwhile.
    if (m_bCloseAsks && !stillNeeded)
        stillNeeded = [this] { return !m_bCloseUnasked; };
    if (!stillNeeded)
        return m_pDialogs->ShowMsgBox(owner, text, type);
    return m_pDialogs->ShowMsgBoxWhile(owner, text, type, stillNeeded);
}

int TModemMainFrame::CloseBox(const AnsiString& text, int type)
{
    const int unasked = type == 0 ? mrOk : mrYes;
    if (m_bCloseUnasked) {
        Log("Closing: not asked: " + text);
        return unasked;
    }
    m_bCloseAsks = true;
    const int result = ShowMsgBox(this, text, type, [this] { return !m_bCloseUnasked; });
    m_bCloseAsks = false;
    return m_bCloseUnasked ? unasked : result;
}

void TModemMainFrame::CloseUnasked(const AnsiString& why)
{
    Log("-=Closing: " + why + "=-");
    m_bCloseUnasked = true;
    // A close being decided goes on by itself: its open question goes.
    if (!m_bInClose)
        close();
}

bool TModemMainFrame::BoxOpen() const
{
    return m_boxesOpen > 0 || QApplication::activeModalWidget() != nullptr;
}

// ---- Buttons ----

// The close itself raises the closing flag and shows the wait panel, the
// same for every way of closing.
void TModemMainFrame::OnExitClick()
{
    close();
}

void TModemMainFrame::OnMinimize()
{
    showMinimized();
}

// Whatever fails in showing a docked window is dropped; the guard lets the
// window go all the same.
void TModemMainFrame::OnSMSClick()
{
    try {
        const TUserAction action(this, m_pPNGSMS);
        if (action)
            ShowChildWindow(m_pDockedWindows[0]);
    } catch (...) {
    }
}

void TModemMainFrame::OnSettingsClick()
{
    try {
        const TUserAction action(this, m_pPNGSettings);
        if (action)
            ShowChildWindow(m_pDockedWindows[1]);
    } catch (...) {
    }
}

void TModemMainFrame::OnAboutClick()
{
    const TUserAction action(this, m_pPNGAbout);
    if (action)
        m_pDialogs->ShowAbout(m_pAboutForm);
}

// ---- Docking ----

void TModemMainFrame::PlaceChildWindow(TFormEx* child)
{
    if (child == nullptr)
        return;
    // Beside the window, whole on the screen, never over the big buttons.
    child->DockUnderOwner(m_pPNGConnect->geometry().bottom() + 1);
}

void TModemMainFrame::HideOtherChildWindow(bool byUser)
{
    for (TFormEx* w : m_pDockedWindows) {
        if (w == nullptr || !w->isVisible())
            continue;
        if (auto* settings = qobject_cast<TFormExSettings*>(w); settings != nullptr && !byUser)
            settings->HideKeepingTyping();
        else
            w->hide();
    }
}

void TModemMainFrame::ShowChildWindow(TFormEx* child)
{
    if (child == nullptr)
        return;
    if (child->isVisible()) {
        child->hide();
        return;
    }
    HideOtherChildWindow();
    PlaceChildWindow(child);
    child->show();
}

void TModemMainFrame::HideOwnedWindows(bool byUser)
{
    HideOtherChildWindow(byUser);
    if (m_pAboutForm != nullptr)
        m_pAboutForm->hide();
}

// A press on the window's background or its plain labels arms a drag; the
// window moves once the pointer travels with the button held.
void TModemMainFrame::mousePressEvent(QMouseEvent* event)
{
    m_drag.Press(event);
}

void TModemMainFrame::mouseMoveEvent(QMouseEvent* event)
{
    m_drag.Move(event);
}

void TModemMainFrame::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag.Release(event))
        OnWmMove();
    QWidget::mouseReleaseEvent(event);
}

void TModemMainFrame::PlaceFocus()
{
    if (!isVisible())
        return;
    QWidget* focus = focusWidget();
    if (focus != nullptr && focus == m_pUserFocus && TFocusGuard::TakesFocus(focus))
        return;
    // Not the user's choice: the first big button that can take it, Connect
    // once it is enabled.
    for (QWidget* b : {m_pPNGConnect, m_pPNGSMS, m_pPNGSettings, m_pPNGAbout}) {
        if (TFocusGuard::TakesFocus(b)) {
            if (b != focus) {
                m_bPlacingFocus = true;
                b->setFocus(Qt::OtherFocusReason);
                m_bPlacingFocus = false;
            }
            return;
        }
    }
}

bool TModemMainFrame::focusNextPrevChild(bool next)
{
    // Qt calls this for Tab and also when it disables or hides the focused
    // button; then the focus is placed anew, not taken for the user's choice.
    QWidget* from = focusWidget();
    if (from != nullptr && !TFocusGuard::Usable(from)) {
        PlaceFocus();
        if (focusWidget() == from)
            from->clearFocus();
        return true;
    }
    return TFocusGuard::Step(this, next);
}

bool TModemMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == m_pSysMin || watched == m_pSysClose ||
                                             qobject_cast<TPNGButton*>(watched) != nullptr)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!m_bPlacingFocus && reason != Qt::ActiveWindowFocusReason)
            m_pUserFocus = static_cast<QWidget*>(watched);
        // The window system's first pick is the first image in the chain
        // while the big buttons are still grey: an Enter would hide the window.
        if (reason == Qt::ActiveWindowFocusReason && watched != m_pUserFocus &&
            (watched == m_pSysMin || watched == m_pSysClose)) {
            static_cast<QWidget*>(watched)->clearFocus();
            PlaceFocus();
        }
        return false;
    }
    if (event->type() == QEvent::EnabledChange && qobject_cast<TPNGButton*>(watched) != nullptr) {
        PlaceFocus();
        return false;
    }
    if (watched == m_pSysMin || watched == m_pSysClose)
        return false;
    if (watched == BvlSpacer) {
        if (event->type() == QEvent::MouseButtonPress)
            SayWhyLocked(BvlSpacer->mapToParent(static_cast<QMouseEvent*>(event)->position().toPoint()));
        return false;
    }
    if (auto* button = qobject_cast<TPNGButton*>(watched)) {
        const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
        if (!key || !IsLocked())
            return false;
        // Locked, no key presses it, as no click does; a Space pressed
        // before the lock ends without a click.
        button->setDown(false);
        return true;
    }
    if (watched != this) {
        // Cast only once the type says it is a mouse event.
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            m_drag.Press(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseMove:
            return m_drag.Move(static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            if (m_drag.Release(static_cast<QMouseEvent*>(event)))
                OnWmMove();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TModemMainFrame::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    OnWmMove();
}

void TModemMainFrame::OnWmMove()
{
    const QRect g = frameGeometry();
    for (TFormEx* w : m_pDockedWindows)
        if (w != nullptr && w->isVisible())
            PlaceChildWindow(w);
    if (m_pDebugFrame != nullptr)
        m_pDebugFrame->move(g.left() + g.width(), g.top());
}

// ---- Captions and status ----

// The demo's modem: the caption says so, so that nothing done there (a
// message "sent") is taken for real.
constexpr const char* kSimulatedModemName = "Quorvix Simulated Modem";

void TModemMainFrame::ShowCaption()
{
    const bool simulated = m_pModemComm->GetModemName().rfind(kSimulatedModemName, 0) == 0;
    const QString caption = ToQ(m_pLanguage->GetText(simulated ? 490 : 107));
    m_pLCaption->setText(caption);
    setWindowTitle(caption);
}

void TModemMainFrame::ApplyLanguage()
{
    auto text = [this](int id) { return ToQ(m_pLanguage->GetText(id)); };
    ShowCaption();
    m_pPNGConnect->setText(text(m_bConnected ? 110 : 109));
    m_pPNGSMS->setText(text(111));
    m_pPNGSettings->setText(text(112));
    m_pPNGAbout->setText(text(113));
    m_pLConnWeb->setText(text(m_bConnected ? 114 : 115));
    m_pLModem->setText(text(116));
    m_pLSIMCard->setText(text(117));
    if (!m_bNetworkRegistered)
        m_pLNetwork->setText(text(118));
    m_pLDownTitle->setText(text(252));
    m_pLDownSpeedTitle->setText(text(254));
    m_pLUpTitle->setText(text(253));
    m_pLUpSpeedTitle->setText(text(255));
    m_pLTimeUpTitle->setText(text(256));
    for (TFormEx* w : m_pDockedWindows)
        if (w != nullptr)
            w->ApplyLanguage();
}

void TModemMainFrame::SetStatusIcon(QLabel* image, bool on)
{
    image->clear();
    image->setPixmap(TSkin::Picture(on ? Skin::kStateOn : Skin::kStateOff, QSize(16, 16)));
    image->setProperty("qvxOn", on);
}

void TModemMainFrame::OnSmsUnreadStateMsg(TMessage& message)
{
    const bool unread = message.LParam > 0;
    m_pPNGSMS->SetImageNormal(TSkin::Picture(unread ? MainPic::kSmsNew : MainPic::kSms, QSize(48, 48)));
    m_pPNGSMS->SetImageOver(TSkin::Picture(
        QString(unread ? MainPic::kSmsNew : MainPic::kSms) + "_hover", QSize(48, 48)));
    m_pPNGSMS->setProperty("qvxUnread", unread);
    m_pPNGSMS->update();
    if ((!isVisible() || isMinimized()) && unread)
        FlashSMSTimer->start();
}

void TModemMainFrame::OnSMSFlashTimer()
{
    if (isVisible() && !isMinimized()) {
        FlashSMSTimer->stop();
        return;
    }
    QApplication::alert(this, 200);
}

// ---- Lock ----

bool TModemMainFrame::IsLocked() const
{
    return m_lockCount > 0;
}

// Locks nest: an action's helper page or box may lock and unlock inside it,
// and the window stays locked until the outermost action is over.
void TModemMainFrame::Lock()
{
    if (++m_lockCount > 1)
        return;
    Log("-=Show BvlSpacer=-");
    const QRect g = Image2->geometry();
    BvlSpacer->setGeometry(g.left(), g.top() + 13, g.width() - 10, g.height() - 10);
    BvlSpacer->raise();
    BvlSpacer->show();
    ProcessMessages();
    // A nested lock may have ended inside the pump above.
    if (m_lockCount == 0)
        return;
    for (TFormEx* w : m_pDockedWindows)
        if (w != nullptr)
            w->AddLock();
}

void TModemMainFrame::Unlock()
{
    if (m_lockCount == 0 || --m_lockCount > 0)
        return;
    Log("-=Hide BvlSpacer=-");
    BvlSpacer->hide();
    PlaceFocus();
    if (m_bWaitSaysWhy)
        HideWaitPanel();
    for (TFormEx* w : m_pDockedWindows)
        if (w != nullptr)
            w->RemoveLock();
}

// ---- Messages ----

void TModemMainFrame::OnModemStateChangedMsg(TMessage&)
{
    SendMessage(m_pSmsForm, WM_MODEM_STATE_CHANGED, 0, 0);
    SendMessage(m_pSettingsForm, WM_MODEM_STATE_CHANGED, 0, 0);
}

void TModemMainFrame::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_SEARCH_MODEM:
        OnSearchModemMsg(message);
        break;
    case WM_CHECK_PIN:
        OnCheckPinMsg(message);
        break;
    case WM_CHECK_NETWORK:
        OnCheckNetworkMsg(message);
        break;
    case WM_SIGNAL_QUALITY:
        OnSignalQualityMsg(message);
        break;
    case WM_SMS_UNREAD_STATE:
        OnSmsUnreadStateMsg(message);
        break;
    case WM_MODEM_STATE_CHANGED:
        OnModemStateChangedMsg(message);
        break;
    default:
        break;
    }
}

// ---- Closing and teardown ----

// Every close comes here: the exit image's, and the window system's (Alt+F4,
// the taskbar, a logout), which raises the closing flag only now.
void TModemMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_bInClose || m_bDestroyed) {
        event->ignore();
        return;
    }
    struct InClose {
        bool& b;
        explicit InClose(bool& flag) : b(flag) { b = true; }
        ~InClose() { b = false; }
    } inClose(m_bInClose);
    if (!m_bCloseAgreed) {
        // What the wait panel said before: shown again should the user stay.
        const QString panelBefore = WaitPanelVisible() ? m_pPWaitPanel->TextLabel()->text() : QString();
        if (!m_bClosing) {
            ShowWaitPanel(m_pLanguage->GetText(106));
            // Every wait that watches the flag ends now: the worker's step, a
            // scan, a dial (asked about below before it is given up).
            m_bClosing = true;
        }
        if (!OnCloseQuery()) {
            if (!panelBefore.isEmpty())
                ShowWaitPanel(FromQ(panelBefore));
            event->ignore();
            return;
        }
        m_bCloseAgreed = true;
        m_closeAgreedTick = GetTickCount();
    }
    // An action still running (a send, a registration, a dial) ends on the
    // flag; until then the window stays with its wait panel, so that no
    // unseen process holds the modem and the single-instance lock. One that
    // does not end within a while is left to the teardown, as before.
    CloseOpenModals();
    if (HoldsWorker() && !TickExpired(GetTickCount(), m_closeAgreedTick, kCloseWaitMs)) {
        ShowWaitPanel(m_pLanguage->GetText(106));
        QTimer::singleShot(50, this, [this] { close(); });
        event->ignore();
        return;
    }
    // The last save is tried while a box can still tell that it failed; the
    // teardown tries once more after the worker is gone.
    SuspendWorker(EHold::NoModem);
    // An empty store that cannot be written (a file refused as unreadable)
    // loses nothing: that was told when it was read.
    const bool lost = !m_pModemComm->SaveSmsFile() && !m_pModemComm->GetSmsStore().empty();
    ResumeWorker();
    if (lost)
        CloseBox(m_pLanguage->GetText(385), 0);
    // A box or page an action left open would keep the program running
    // unseen: each answers as its Esc would.
    CloseOpenModals();
    HideOwnedWindows();
    if (m_pDebugFrame != nullptr)
        m_pDebugFrame->hide();
    event->accept();
}

void TModemMainFrame::CloseOpenModals()
{
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == this)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

void TModemMainFrame::FormDestroy()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    // Each step on its own: whatever fails, the window's place, the message
    // store and the log are still saved.
    const auto step = [this](const char* what, const std::function<void()>& fn) {
        try {
            fn();
        } catch (...) {
            Log(AnsiString("Closing: ") + what + " failed");
        }
    };
    bool workerGone = false;
    step("device watch", [this] { m_pDeviceWatch.reset(); });
    // The worker must be gone before the communicator goes: it is told to
    // stop, every wait of its ends at once, and it is waited for.
    step("worker", [&] {
        StopWorker();
        workerGone = true;
    });
    step("re-enumeration", [this] {
        if (m_hReenumThread.joinable())
            m_hReenumThread.join();
    });
    // No link outlives the program, whatever ended it.
    step("link", [this] {
        if (m_pModemComm != nullptr && m_pModemComm->IsRasConnected())
            m_pModemComm->Disconnect();
    });
    step("port", [this] {
        if (m_pModemComm != nullptr)
            m_pModemComm->ClosePort();
    });
    step("position", [this] { m_pIniFile->SetMainPosition(QWidget::x(), QWidget::y()); });
    step("message store", [this] {
        if (m_pModemComm != nullptr)
            m_pModemComm->SaveSmsFile();
    });
    // Windows that talk to the communicator go before it.
    step("dialogs", [this] { m_pDialogs->ReleaseWindows(); });
    step("windows", [this] {
        for (TFormEx*& w : m_pDockedWindows) {
            TFormEx* window = w;
            w = nullptr;
            delete window;
        }
        m_pSmsForm = m_pSettingsForm = nullptr;
        TFormExAbout* about = m_pAboutForm;
        m_pAboutForm = nullptr;
        delete about;
    });
    if (m_pLogMemo != nullptr)
        step("log hook", [] { SetUiLogHook(g_oldUiLogHook); });
    // A worker that could not be stopped may still use the communicator:
    // better left than pulled from under it.
    if (workerGone) {
        step("communicator", [this] {
            TModemComm* comm = m_pModemComm;
            m_pModemComm = nullptr;
            delete comm;
        });
    }
    step("language", [this] {
        TLanguage* language = m_pLanguage;
        m_pLanguage = nullptr;
        delete language;
    });
    step("configuration", [this] {
        TConfigFile* ini = m_pIniFile;
        m_pIniFile = nullptr;
        delete ini;
    });
#ifdef QVX_HAVE_OPERATOR_LIST
    step("operator list", [this] { delete m_pOperatorList; });
#endif
    m_pOperatorList = nullptr;
    if (m_pLogMemo != nullptr) {
        step("modem.log", [this] { SaveDebugLog(); });
        step("debug window", [this] {
            QWidget* frame = m_pDebugFrame;
            m_pDebugFrame = nullptr;
            delete frame;
        });
        m_pLogMemo = nullptr;
    }
}

void TModemMainFrame::SaveDebugLog()
{
    const fs::path folder = fs::path(ProgramFolder()) / "LOG";
    std::error_code ec;
    fs::path file = folder / "modem.log";
    if (!fs::is_directory(folder, ec) && !fs::create_directories(folder, ec))
        file = fs::path(ProgramFolder()) / "modem.log";
    // The newest lines that fit its bound: older ones went to modem.log.1
    // as they came.
    const AnsiString text = JoinLogLines(m_pLogMemo->Lines(), kLogFileBound);
    // The log holds the user's traffic: for the user's eyes only.
    const int fd = OpenPrivateFile(file.string(), O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0)
        return;
    WriteAll(fd, text);
    ::close(fd);
}
