// A random user: from a fixed seed, several hundred clicks, keys, window-manager
// moves, dial outcomes and modem unplugs on the real main window with the
// program's own dialogs, against the simulated modem with its dial module and
// the pppd stand-in (four seeds make a few thousand actions). Actions come from
// a timer, so they also land inside the pumps of running actions and modal
// windows, as a user's clicks do. The session fails when the worker stops
// polling for 20 s while no modal window or wait panel is up, when the
// user-interface thread stops handling events for as long, when a wait panel
// outlives every action's time-out, or on a crash; it prints the seed and its
// last actions then. The user never closes the program.
#include <QAbstractButton>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTextEdit>
#include <deque>
#include <random>

#include "MainFrameFixture.h"
#include "platform/Ticks.h"
#include "tools/modemsim/DialModule.h"
#include "tools/modemsim/SimModule.h"
#include "ui/common/TWaitPanel.h"
#include "ui/dialogs/TMsgBoxEx.h"
#include "ui/settings/TFormExSettings.h"
#include "ui/sms/TFormExSMS.h"

using namespace maintest;

namespace {

using Clock = std::chrono::steady_clock;

// Per seed; QVX_RANDOM_USER_ACTIONS sets another count (a longer run, a replay).
constexpr int kActions = 700;
constexpr int64_t kStallMs = 20000;
// The session's actions end after this long at the latest.
constexpr auto kSessionLimit = std::chrono::seconds(90);
// Longer than the longest time-out of any action that shows a wait panel: a
// network scan waits 60 s for a modem that went, and the page may scan again
// once it is back.
constexpr auto kWaitPanelLimit = std::chrono::seconds(130);
constexpr int kMaxDepth = 4;  // actions started inside the pumps of other actions

// What the user did; the last lines are kept for a failure report (the
// watchdog reads them from its own thread). QVX_RANDOM_USER_VERBOSE prints all.
class ActionLog {
public:
    explicit ActionLog(unsigned seed)
        : m_seed(seed), m_start(Clock::now()), m_verbose(std::getenv("QVX_RANDOM_USER_VERBOSE") != nullptr)
    {
    }

    void Add(const std::string& what)
    {
        const double t = std::chrono::duration<double>(Clock::now() - m_start).count();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%8.3f ", t);
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string line = stamp + std::string("#") + std::to_string(++m_count) + " " + what;
        if (m_verbose)
            std::fprintf(stderr, "%s\n", line.c_str());
        m_lines.push_back(std::move(line));
        if (m_lines.size() > kKept)
            m_lines.pop_front();
    }

    void PrintTail() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::fprintf(stderr, "Random user, seed %u, last %zu of %d actions:\n", m_seed, m_lines.size(), m_count);
        for (const std::string& l : m_lines)
            std::fprintf(stderr, "  %s\n", l.c_str());
        std::fflush(stderr);
    }

    int Count() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_count;
    }

private:
    static constexpr size_t kKept = 60;
    const unsigned m_seed;
    const Clock::time_point m_start;
    const bool m_verbose;
    mutable std::mutex m_mutex;
    std::deque<std::string> m_lines;
    int m_count = 0;
};

// Ends a modal window the way out: No for a question, the exit image else.
void CloseModal(QWidget* modal)
{
    if (auto* box = qobject_cast<TMsgBoxEx*>(modal))
        box->CloseWith(box->EscapeResult());
    else if (auto* form = qobject_cast<TFormEx*>(modal))
        form->btnExitClick();
    else
        modal->close();
}

class RandomUserTest : public MainFrameTest, public ::testing::WithParamInterface<unsigned> {
protected:
    void SetUp() override
    {
        MainFrameTest::SetUp();
        if (::access("/usr/sbin/chat", X_OK) != 0)
            GTEST_SKIP() << "chat (Debian's ppp package) is not installed";
        // The dial-up through the pppd stand-in; files say whether the next
        // dial fails and when the network drops the link.
        const std::string pppd = (m_root / "pppd").string();
        std::ofstream(pppd) << "#!/bin/sh\n"
                            << "[ -s '" << Path("dial-fails") << "' ] && QVX_STANDIN_EXIT=$(cat '" << Path("dial-fails")
                            << "') && export QVX_STANDIN_EXIT\n"
                            << "export QVX_STANDIN_DROP='" << Path("drop-link") << "'\n"
                            << "exec '" QVX_SOURCE_DIR "/tools/pppd-standin' \"$@\"\n";
        std::filesystem::permissions(pppd, std::filesystem::perms::owner_all);
        ::setenv("QVX_PHONEBOOK_DIR", Path("phonebook").c_str(), 1);
        ::setenv("QVX_PPPD", pppd.c_str(), 1);
        ::setenv("QVX_SYSFS_NET", Path("net").c_str(), 1);
        for (const char* v : {"QVX_STANDIN_EXIT", "QVX_STANDIN_USER", "QVX_STANDIN_PASSWORD", "QVX_STANDIN_NOREMOTE",
                              "QVX_STANDIN_IF", "QVX_STANDIN_DELAY", "QVX_STANDIN_ARGS", "QVX_STANDIN_DROP"})
            ::unsetenv(v);
        WriteConfig("[SETTINGS]\r\ndebug=42\r\n[PROFILE0]\r\nConnection_Phone=*99#\r\n");

        auto dial = std::make_shared<modemsim::DialModule>();
        dial->SetDelay(300);
        m_sim.AddModule(dial);
        // A SIM whose PIN the security page can switch on; it then asks for it after a replug.
        m_simCard = std::make_shared<modemsim::SimModule>();
        m_simCard->SetPin("1234");
        m_simCard->SetPuk("12345678");
        m_sim.AddModule(m_simCard);
        m_sim.RemoveAnswer("+CPIN?");
    }

    void TearDown() override
    {
        // What the program still asks while it goes is answered the way out.
        ModalAnswerer closer(CloseModal);
        if (m_frame != nullptr && m_frame->ModemComm() != nullptr)
            m_frame->ModemComm()->Disconnect();
        MainFrameTest::TearDown();
    }

    std::string Path(const char* name) const { return (m_root / name).string(); }

    std::shared_ptr<modemsim::SimModule> m_simCard;
};

// What the program was at, for a failure report.
void PrintProgramLog(TModemMainFrame* frame)
{
    std::fprintf(stderr, "Modem plugged %d, initialised %d, PIN ok %d, registered %d, connected %d.\n",
                 frame->IsModemPlugged(), frame->IsModemInitialized(), frame->IsPinOk(), frame->IsNetworkRegistered(),
                 frame->IsConnected());
    for (TWaitPanel* panel : frame->findChildren<TWaitPanel*>())
        if (!panel->isHidden())
            std::fprintf(stderr, "A wait panel says \"%s\".\n",
                         panel->TextLabel()->text().toStdString().c_str());
    std::fprintf(stderr, "The program's log ends:\n");
    std::vector<std::string> lines;
    for (const std::string& l : frame->DebugMemo()->Lines())
        if (l.rfind("RASCS_", 0) != 0 && l.rfind("ReadBufferBySize", 0) != 0)
            lines.push_back(l);
    for (size_t i = lines.size() > 40 ? lines.size() - 40 : 0; i < lines.size(); ++i)
        std::fprintf(stderr, "  %s\n", lines[i].c_str());
    std::fflush(stderr);
}

// The user: one action per tick of a timer that also fires inside the pumps
// of running actions; the modem unplugged and replugged every few seconds.
class RandomUser {
public:
    RandomUser(unsigned seed, TModemMainFrame* frame, modemsim::ModemSim& sim, std::function<void()> rescript,
               std::string dialFails, std::string dropLink, ActionLog& log)
        : m_rng(seed), m_frame(frame), m_sim(sim), m_rescript(std::move(rescript)), m_dialFails(std::move(dialFails)),
          m_dropLink(std::move(dropLink)), m_log(log)
    {
        m_tick.setSingleShot(true);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { Tick(); });
        m_plug.setSingleShot(true);
        QObject::connect(&m_plug, &QTimer::timeout, [this] { TogglePlug(); });
        m_check.setInterval(100);
        QObject::connect(&m_check, &QTimer::timeout, [this] { Check(); });
    }

    ~RandomUser()
    {
        if (!m_monitor.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(m_monitorMutex);
            m_monitorStop = true;
        }
        m_monitorCv.notify_all();
        m_monitor.join();
    }

    // Acts until `actions` are done or the session's time is up, then winds down.
    void Start(int actions)
    {
        m_actions = actions;
        m_started = Clock::now();
        m_heartbeat = m_excused = Ms(m_started);
        m_monitor = std::thread([this] { Monitor(); });
        m_tick.start(Pause());
        m_plug.start(Between(2000, 5000));
        m_check.start();
    }

    bool Winding() const { return m_winding; }

    // No more actions: only the open modals are answered, the modem plugged
    // back in and a link dropped, so the program can come to rest.
    void Wind()
    {
        m_winding = true;
        m_plug.stop();
        if (!m_plugged)
            TogglePlug();
    }

    int Actions() const { return m_log.Count(); }
    int Unplugs() const { return m_unplugs; }
    // The longest time the worker went without polling while no modal window
    // or wait panel was up, and the longest a wait panel was up without a modal.
    double LongestStall() const { return m_longestStall / 1000.0; }
    double LongestPanel() const { return std::chrono::duration<double>(m_longestPanel).count(); }

    // Everything at rest: no modal, no action, no wait panel, the worker polling.
    std::string Busy() const
    {
        if (QApplication::activeModalWidget() != nullptr)
            return "a modal window is open";
        if (m_frame->HoldsWorker() || m_frame->WorkerSuspendCount() != 0)
            return "the worker is held";
        if (m_frame->IsLocked())
            return "the main window is locked";
        if (const char* panel = VisiblePanel())
            return std::string(panel) + " is up";
        if (m_frame->IsConnected())
            return "the link is up";
        if (const uint32_t idle = GetTickCount() - m_frame->LastWorkerPoll(); idle > 1000)
            return "the worker has not polled for " + std::to_string(idle) + " ms";
        return {};
    }

private:
    // ---- Randomness ----

    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    int Pause() { return Chance(0.8) ? Between(0, 8) : Between(10, 60); }
    template <typename T>
    T Pick(const std::vector<T>& items)
    {
        return items[static_cast<size_t>(Between(0, static_cast<int>(items.size()) - 1))];
    }

    // ---- What is on the screen ----

    std::vector<QWidget*> Windows() const
    {
        std::vector<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !w->isMinimized() && w->width() > 20 && w->height() > 20)
                shown.push_back(w);
        return shown;
    }

    // The clickable controls of a window: buttons and exit images.
    static std::vector<QWidget*> Controls(QWidget* window)
    {
        std::vector<QWidget*> controls;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (w->isVisible() && w->window() == window &&
                (qobject_cast<QAbstractButton*>(w) != nullptr || qobject_cast<TExImage*>(w) != nullptr))
                controls.push_back(w);
        return controls;
    }

    static std::vector<QWidget*> Edits(QWidget* window)
    {
        std::vector<QWidget*> edits;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (w->isVisible() && w->isEnabled() && w->window() == window &&
                (qobject_cast<QLineEdit*>(w) != nullptr || qobject_cast<QTextEdit*>(w) != nullptr))
                edits.push_back(w);
        return edits;
    }

    static std::string Name(const QWidget* w)
    {
        std::string name = w->metaObject()->className();
        if (auto* b = qobject_cast<const QAbstractButton*>(w); b != nullptr && !b->text().isEmpty())
            name += " \"" + b->text().toStdString() + "\"";
        if (const QWidget* parent = w->parentWidget(); parent != nullptr && !w->isWindow())
            name += std::string(" in ") + parent->metaObject()->className();
        return name;
    }

    const char* VisiblePanel() const
    {
        if (m_frame->WaitPanelVisible())
            return "the main window's wait panel";
        if (auto* s = qobject_cast<TFormExSettings*>(m_frame->DockedWindow(1)); s != nullptr && s->isVisible() &&
                                                                                 !s->WaitPanel()->isHidden())
            return "the settings wait panel";
        if (auto* s = qobject_cast<TFormExSMS*>(m_frame->DockedWindow(0)); s != nullptr && s->isVisible() &&
                                                                            !s->WaitPanel()->isHidden())
            return "the SMS wait panel";
        return nullptr;
    }

    // A window the user can reach: the modal one, or any while none is open.
    static bool Reachable(QWidget* window)
    {
        QWidget* modal = QApplication::activeModalWidget();
        return modal == nullptr || window == modal;
    }

    // ---- Actions ----

    void Tick()
    {
        m_tick.start(Pause());
        // The session ends from inside whatever pump it is in, so long
        // actions unwind rather than keep it going.
        if (!m_winding && (m_log.Count() >= m_actions || Clock::now() - m_started > kSessionLimit))
            Wind();
        // Deep inside other actions' pumps only the modal windows are answered.
        const bool modal = QApplication::activeModalWidget() != nullptr;
        if (modal)
            m_excused = Ms(Clock::now());  // a modal the checks may not have seen
        if (m_depth >= 2 * kMaxDepth || (m_depth >= kMaxDepth && !modal))
            return;
        ++m_depth;
        if (m_winding)
            AnswerToEnd();
        else if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && Chance(0.8))
            ActOnModal(modal);
        else
            ActOnWindows();
        --m_depth;
    }

    void Click(QWidget* window, QPoint pos, const std::string& what)
    {
        if (!Reachable(window)) {
            m_log.Add(what + ": blocked by the modal window");
            return;
        }
        QWidget* target = window->childAt(pos);
        if (target != nullptr && target == MainWindowImage(m_frame, 1)) {
            m_log.Add(what + ": the exit image is left alone");
            return;
        }
        m_log.Add(what + " -> " + Name(target != nullptr ? target : window));
        maintest::ClickAt(window, pos);
    }

    void ClickControl(QWidget* control)
    {
        QWidget* window = control->window();
        Click(window, control->mapTo(window, control->rect().center()), "click " + Name(control));
    }

    void Key(QWidget* window, int key, const QString& text = {})
    {
        if (!Reachable(window)) {
            m_log.Add("key: blocked by the modal window");
            return;
        }
        QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
        m_log.Add("key " + QKeySequence(key).toString().toStdString() + " to " + Name(target));
        QPointer<QWidget> alive(target);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &press);
        if (alive) {
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
            QCoreApplication::sendEvent(target, &release);
        }
    }

    void Type(QWidget* window)
    {
        const std::vector<QWidget*> edits = Edits(window);
        if (edits.empty() || !Reachable(window))
            return;
        QWidget* edit = Pick(edits);
        edit->setFocus();
        // Mostly the SIM's PIN, else digits.
        const std::string text = Chance(0.6) ? "1234" : std::to_string(Between(0, 99999999));
        m_log.Add("type \"" + text + "\" into " + Name(edit));
        if (auto* line = qobject_cast<QLineEdit*>(edit))
            line->clear();
        for (char c : text)
            Key(window, Qt::Key_0 + (c - '0'), QString(QChar(c)));
    }

    void ActOnModal(QWidget* modal)
    {
        const int roll = Between(0, 99);
        const std::vector<QWidget*> controls = Controls(modal);
        if (roll < 55 && !controls.empty())
            ClickControl(Pick(controls));
        else if (roll < 67)
            Key(modal, Qt::Key_Escape);
        else if (roll < 79)
            Key(modal, Qt::Key_Return);
        else if (roll < 91)
            Type(modal);
        else
            Click(modal, QPoint(Between(0, modal->width() - 1), Between(0, modal->height() - 1)), "click in modal");
    }

    void ActOnWindows()
    {
        const int roll = Between(0, 99);
        const std::vector<QWidget*> windows = Windows();
        if (roll < 30) {
            static const char* const names[] = {"Connect", "SMS", "Settings", "About"};
            const int which = Between(0, 4);
            QWidget* control = which < 4 ? MainWindowButton(m_frame, static_cast<MainButton>(which))
                                         : MainWindowImage(m_frame, 0);
            if (control != nullptr && m_frame->isVisible() && !m_frame->isMinimized())
                Click(m_frame, control->mapTo(m_frame, control->rect().center()),
                      std::string("main window ") + (which < 4 ? names[which] : "minimise"));
        } else if (roll < 55) {
            std::vector<QWidget*> docked;
            for (int i : {0, 1})
                if (TFormEx* w = m_frame->DockedWindow(i); w != nullptr && w->isVisible() && !w->isMinimized())
                    docked.push_back(w);
            if (!docked.empty())
                if (const std::vector<QWidget*> controls = Controls(Pick(docked)); !controls.empty())
                    ClickControl(Pick(controls));
        } else if (roll < 65 && !windows.empty()) {
            QWidget* w = Pick(windows);
            Click(w, QPoint(Between(0, w->width() - 1), Between(0, w->height() - 1)), "click in window");
        } else if (roll < 73 && !windows.empty()) {
            Key(Pick(windows), Chance(0.5) ? Qt::Key_Escape : Qt::Key_Return);
        } else if (roll < 80 && !windows.empty()) {
            Type(Pick(windows));
        } else if (roll < 86) {
            m_log.Add("minimise and restore");
            MinimiseAndRestore(m_frame);
        } else if (roll < 90 && !windows.empty()) {
            QWidget* w = Pick(windows);
            m_log.Add(std::string("raise ") + w->metaObject()->className());
            w->raise();
            w->activateWindow();
        } else if (roll < 94) {
            Drag();
        } else {
            const char* codes[] = {"", "", "4", "10", "19"};
            const char* code = codes[Between(0, 4)];
            m_log.Add(*code ? std::string("next dial fails with ") + code : "next dial succeeds");
            std::ofstream(m_dialFails) << code;
        }
    }

    // Press, move and release on the main window's background: it moves and stays on its screen.
    void Drag()
    {
        if (!Reachable(m_frame) || !m_frame->isVisible())
            return;
        const QPoint from(Between(5, m_frame->width() - 5), Between(2, 12));
        const QPoint by(Between(-900, 900), Between(-900, 900));
        QWidget* target = m_frame->childAt(from);
        if (target == nullptr)
            target = m_frame;
        m_log.Add("drag the main window at " + std::to_string(from.x()) + "," + std::to_string(from.y()) + " by " +
                  std::to_string(by.x()) + "," + std::to_string(by.y()) + " (" + Name(target) + ")");
        QPointer<QWidget> alive(target);
        const QPoint local = target->mapFrom(m_frame, from);
        uitest::Press(target, Qt::LeftButton, local);
        for (int step = 1; step <= 4 && alive; ++step)
            uitest::MoveHeld(target, Qt::LeftButton, local + by * step / 4);
        if (alive)
            uitest::Release(target, Qt::LeftButton, local + by);
        const QRect screen = m_frame->screen()->geometry();
        if (!screen.contains(m_frame->frameGeometry()))
            Fail("the main window was left off its screen at " + std::to_string(m_frame->pos().x()) + "," +
                 std::to_string(m_frame->pos().y()));
    }

    // The end of the session: every modal answered with its way out.
    void AnswerToEnd()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        m_log.Add(std::string("close ") + modal->metaObject()->className());
        CloseModal(modal);
    }

    void TogglePlug()
    {
        m_plugged = !m_plugged;
        if (!m_plugged) {
            m_log.Add("unplug the modem");
            m_sim.Vanish();
            ++m_unplugs;
        } else {
            m_log.Add("replug the modem");
            m_sim.Reappear();
            m_rescript();
        }
        if (!m_winding)
            m_plug.start(m_plugged ? Between(2000, 6000) : Between(500, 3000));
    }

    // ---- Watching ----

    static int64_t Ms(Clock::time_point t)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
    }

    // On the user-interface thread, from its timer and inside every pump: what
    // is open, how long a wait panel has been up, the link.
    void Check()
    {
        const auto now = Clock::now();
        const bool modal = QApplication::activeModalWidget() != nullptr;
        const char* panel = VisiblePanel();
        m_heartbeat = Ms(now);
        if (modal || panel != nullptr)
            m_excused = Ms(now);
        if (panel == nullptr || modal)
            m_panelSince = now;
        m_longestPanel = std::max(m_longestPanel, now - m_panelSince);
        if (now - m_panelSince > kWaitPanelLimit)
            Fail(std::string(panel) + " has outlived every action's time-out");
        // The network drops a link after a while.
        if (m_frame->IsConnected()) {
            if (now - m_linkSince > std::chrono::seconds(3) && !std::filesystem::exists(m_dropLink)) {
                m_log.Add("the network drops the link");
                std::ofstream(m_dropLink) << "";
            }
        } else {
            m_linkSince = now;
            std::error_code ec;
            std::filesystem::remove(m_dropLink, ec);
        }
    }

    // On a thread of its own, so a blocked user-interface thread is caught too.
    void Monitor()
    {
        uint32_t poll = m_frame->LastWorkerPoll();
        int64_t polled = Ms(Clock::now());
        std::unique_lock<std::mutex> lock(m_monitorMutex);
        while (!m_monitorCv.wait_for(lock, std::chrono::milliseconds(200), [this] { return m_monitorStop; })) {
            const int64_t now = Ms(Clock::now());
            if (now - m_heartbeat > kStallMs)
                Fail("the user-interface thread has handled no event for 20 s");
            if (const uint32_t p = m_frame->LastWorkerPoll(); p != poll) {
                poll = p;
                polled = now;
            }
            const int64_t stalled = now - std::max<int64_t>(polled, m_excused);
            m_longestStall = std::max<int64_t>(m_longestStall, stalled);
            if (stalled > kStallMs)
                Fail("the worker has not polled for 20 s while no modal window or wait panel was up");
        }
    }

    [[noreturn]] void Fail(const std::string& why)
    {
        std::fprintf(stderr, "\nRANDOM USER FAILED: %s\n", why.c_str());
        m_log.PrintTail();
        PrintProgramLog(m_frame);
        std::abort();
    }

    std::mt19937 m_rng;
    TModemMainFrame* m_frame;
    modemsim::ModemSim& m_sim;
    std::function<void()> m_rescript;
    const std::string m_dialFails;
    const std::string m_dropLink;
    ActionLog& m_log;
    QTimer m_tick;
    QTimer m_plug;
    QTimer m_check;
    int m_depth = 0;
    int m_unplugs = 0;
    bool m_plugged = true;
    bool m_winding = false;
    int m_actions = 0;
    Clock::time_point m_started;
    std::atomic<int64_t> m_heartbeat {0};
    std::atomic<int64_t> m_excused {0};
    std::atomic<int64_t> m_longestStall {0};
    Clock::duration m_longestPanel {};
    std::mutex m_monitorMutex;
    std::condition_variable m_monitorCv;
    bool m_monitorStop = false;
    std::thread m_monitor;
    Clock::time_point m_panelSince = Clock::now();
    Clock::time_point m_linkSince = Clock::now();
};

TEST_P(RandomUserTest, NeverStuck)
{
    const unsigned seed = GetParam();
    const char* count = std::getenv("QVX_RANDOM_USER_ACTIONS");
    const int actions = count != nullptr ? std::atoi(count) : kActions;
    ActionLog log(seed);
    Watchdog watchdog(std::max(285, 150 + actions / 3),
                      "the random user's session (seed " + std::to_string(seed) + ")", [&] { log.PrintTail(); });
    ASSERT_TRUE(StartProgramWindow(m_frame, m_statusMs));

    RandomUser user(seed, m_frame.get(), m_sim, [this] { ScriptRegisteredModem(); m_sim.RemoveAnswer("+CPIN?"); },
                    Path("dial-fails"), Path("drop-link"), log);
    user.Start(actions);
    ASSERT_TRUE(WaitFor([&] { return user.Winding(); }, 1000 * actions));
    auto report = [&] {
        log.PrintTail();
        PrintProgramLog(m_frame.get());
    };
    // At rest again: every action over and the worker talking to the modem.
    const bool rest = WaitFor([&] { return user.Busy().empty(); },
                              std::chrono::duration_cast<std::chrono::milliseconds>(kWaitPanelLimit).count());
    if (!rest)
        report();
    ASSERT_TRUE(rest) << user.Busy();
    auto heard = [&] {
        m_sim.ClearCommands();
        return WaitFor([&] { return !m_sim.Commands().empty(); }, 5000);
    };
    // A SIM whose PIN the user declined leaves the modem quiet by choice.
    const bool declined = m_frame->IsModemInitialized() && !m_frame->IsPinOk();
    if (!declined && !(m_frame->IsModemInitialized() && heard())) {
        // Unplugged and replugged while the worker could not see it, the modem
        // may be left uninitialised or with a stale port; an unplug the worker
        // sees brings it back, and the user does that.
        std::printf("Random user, seed %u: the modem is not talked to (initialised %d, PIN ok %d); replugging it\n",
                    seed, m_frame->IsModemInitialized() ? 1 : 0, m_frame->IsPinOk() ? 1 : 0);
        log.Add("unplug and replug the modem, waiting for the program each time");
        m_sim.Vanish();
        ASSERT_TRUE(WaitFor([&] { return !m_frame->IsModemPlugged() && user.Busy().empty(); }, 30000)) << user.Busy();
        ASSERT_TRUE(m_sim.Reappear());
        ScriptRegisteredModem();
        m_sim.RemoveAnswer("+CPIN?");
        ASSERT_TRUE(WaitFor([&] { return m_frame->IsModemInitialized() && user.Busy().empty(); }, 30000))
            << user.Busy();
        // A SIM whose PIN the user declined is left alone.
        if (m_frame->IsPinOk()) {
            const bool talking = heard();
            if (!talking)
                report();
            EXPECT_TRUE(talking);
        }
    }
    std::printf("Random user, seed %u: %d actions, %d unplugs; the worker held for %.1f s at most, a wait panel up "
                "for %.1f s at most\n",
                seed, user.Actions(), user.Unplugs(), user.LongestStall(), user.LongestPanel());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomUserTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
