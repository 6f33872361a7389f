#pragma once
// A program folder of its own (Language.ini, Config.ini with the debug log on),
// a simulated modem registered as COM7 in a device folder, and dialogs that
// answer as the test says and remember what they were asked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleHints>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "communicator/TModemComm.h"
#include "communicator/TModemList.h"
#include "platform/PortMap.h"
#include "platform/TIniFile.h"
#include "tools/modemsim/ModemSim.h"
#include "ui/common/ModalResult.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TFormEx.h"
#include "ui/common/TLanguage.h"
#include "ui/main/TModemMainFrame.h"
#include "../WidgetTestSupport.h"

namespace maintest {

inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "test_ui_main";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* made = new QApplication(argc, argv);
        // Test clicks come faster than any user's (see TClickGuard).
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
        return made;
    }();
    return *app;
}

using uitest::WaitFor;

// Answers every modal of the main window the way the test says, and keeps
// what each was asked. The callbacks run where the modal would run (on the
// user-interface thread, inside the action), so they can act as the user.
class TestDialogs : public TMainDialogs {
public:
    struct Record {
        std::mutex mutex;
        std::vector<std::string> boxes;
        std::vector<int> pinModes;
        std::vector<std::string> pinWarnings;  // what each PIN question said
        int boxAnswer = mrOk;
        std::map<int, int> boxAnswers;  // by text id; other boxes get boxAnswer
        std::vector<std::string> pins;  // handed out in turn; empty: cancel
        std::deque<int> troubleAnswers;  // handed out in turn; none left: Cancel
        std::vector<uint32_t> troubles;  // the error of each trouble dialog shown
        std::vector<std::string> troubleTexts;  // and its text
        int abouts = 0;
        TFormExAbout* about = nullptr;  // the window shown
        int modemPages = 0;
        int connectionPages = 0;
        bool connectionPageSaves = true;  // false: closed without a save
        // What the user does in the About window, the helper pages and the
        // trouble dialog (before answering it).
        std::function<void()> onAbout, onModemPage, onConnectionPage, onTrouble, onBox;
        std::function<TFormEx*()> settingsWindow, smsWindow;  // the docked windows, if any
        bool releaseFails = false;  // the dialogs' windows fail to go at teardown
    };
    explicit TestDialogs(std::shared_ptr<Record> r) : m_r(std::move(r)) {}

    int ShowMsgBox(QWidget*, const AnsiString& text, int) override
    {
        int shown = 0;
        Run(shown, m_r->onBox);
        std::lock_guard<std::mutex> lock(m_r->mutex);
        m_r->boxes.push_back(text);
        for (const auto& [id, answer] : m_r->boxAnswers)
            if (ModemMainFrame != nullptr && ModemMainFrame->Language()->GetText(id) == text)
                return answer;
        return m_r->boxAnswer;
    }
    int QueryPin(int mode, const AnsiString& warning, AnsiString& pin, AnsiString&) override
    {
        std::lock_guard<std::mutex> lock(m_r->mutex);
        m_r->pinModes.push_back(mode);
        m_r->pinWarnings.push_back(warning);
        if (m_r->pins.empty())
            return mrCancel;
        pin = m_r->pins.front();
        m_r->pins.erase(m_r->pins.begin());
        return mrOk;
    }
    int ShowConnectTrouble(uint32_t error, const AnsiString& text) override
    {
        int shown = 0;
        Run(shown, m_r->onTrouble);
        std::lock_guard<std::mutex> lock(m_r->mutex);
        m_r->troubles.push_back(error);
        m_r->troubleTexts.push_back(text);
        if (m_r->troubleAnswers.empty())
            return mrCancel;
        const int answer = m_r->troubleAnswers.front();
        m_r->troubleAnswers.pop_front();
        return answer;
    }
    void ShowAbout(TFormExAbout* about) override
    {
        m_r->about = about;
        Run(m_r->abouts, m_r->onAbout);
    }
    void ShowModemPage() override { Run(m_r->modemPages, m_r->onModemPage); }
    bool ShowConnectionPage() override
    {
        Run(m_r->connectionPages, m_r->onConnectionPage);
        return m_r->connectionPageSaves;
    }
    TFormEx* CreateSettingsWindow() override { return m_r->settingsWindow ? m_r->settingsWindow() : nullptr; }
    TFormEx* CreateSmsWindow() override { return m_r->smsWindow ? m_r->smsWindow() : nullptr; }
    void ReleaseWindows() override
    {
        if (m_r->releaseFails)
            throw std::runtime_error("a window would not go");
    }

private:
    void Run(int& count, const std::function<void()>& action)
    {
        std::function<void()> act;
        {
            std::lock_guard<std::mutex> lock(m_r->mutex);
            ++count;
            act = action;
        }
        if (act)
            act();
    }

    std::shared_ptr<Record> m_r;
};

class MainFrameTest : public ::testing::Test {
protected:
    static constexpr int kCom = 7;
    static constexpr const char* kModemName = "Quorvix Test Modem";

    void SetUp() override
    {
        App();
        // A parameterised test's name holds a '/', which would make a folder of its own.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        m_root = std::filesystem::temp_directory_path() / ("qvx_main_" + std::to_string(::getpid()) + "_" + name);
        std::filesystem::remove_all(m_root);
        m_program = m_root / "program";
        m_devices = m_root / "devices";
        std::filesystem::create_directories(m_program);
        std::filesystem::create_directories(m_devices);
        std::filesystem::copy_file(std::filesystem::path(QVX_BIN_DIR) / "Language.ini", m_program / "Language.ini");
        std::ofstream(m_program / "Devices.dat", std::ios::binary) << TModemList::Scramble(std::string(kModemName) + ";");
        WriteConfig("[SETTINGS]\r\ndebug=42\r\n");
        ::setenv(kDeviceDirEnv, m_devices.c_str(), 1);
        SetProgramFolder(m_program.string());
        SetSkinFolder(QString::fromStdString((std::filesystem::path(QVX_BIN_DIR) / "skin").string()));

        ASSERT_TRUE(m_sim.Start());
        ASSERT_TRUE(m_sim.Register(m_devices.string(), kCom, kModemName));
        ScriptRegisteredModem();
        m_record = std::make_shared<TestDialogs::Record>();
    }

    void TearDown() override
    {
        m_frame.reset();
        m_sim.Stop();
        SetProgramFolder("");
        std::error_code ec;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
        std::filesystem::remove_all(m_root, ec);
    }

    void WriteConfig(const std::string& text)
    {
        std::ofstream(m_program / "Config.ini", std::ios::binary) << text;
    }

    // A SIM without PIN, registered with "Test Net", signal 17.
    void ScriptRegisteredModem() { ScriptRegisteredModem(m_sim); }
    static void ScriptRegisteredModem(modemsim::ModemSim& m_sim)
    {
        m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: READY\r\n\r\nOK\r\n");
        m_sim.SetAnswer("+COPS=3,0", "\r\nOK\r\n");
        m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0,0,\"Test Net\"\r\n\r\nOK\r\n");
        m_sim.SetAnswer("+CSQ", "\r\n+CSQ: 17,99\r\n\r\nOK\r\n");
        m_sim.SetAnswer("+CGSN", "\r\n490154203237518\r\n\r\nOK\r\n");
        m_sim.SetAnswer("+CGMR", "\r\nMS-1.0\r\n\r\nOK\r\n");
    }

    void MakeFrame()
    {
        m_frame = std::make_unique<TModemMainFrame>(nullptr, std::make_unique<TestDialogs>(m_record));
        // The status step every half second, so the worker's traffic shows quickly.
        m_frame->SetWorkerTiming(200, m_statusMs);
        // Pauses of the search and the dial loop kept short.
        TModemMainFrame::TActionPauses pauses;
        pauses.presenceRoundMs = pauses.portRetryMs = pauses.networkRetryMs = 100;
        pauses.redialMs = pauses.dialAgainMs = 100;
        m_frame->SetActionPauses(pauses);
    }

    // Shows the window and waits until the start-up search is over and the
    // worker's first pass has ended the start-up wait.
    void StartUp()
    {
        MakeFrame();
        m_frame->show();
        // Up: the worker runs, and its first pass has ended the start-up wait and lock.
        ASSERT_TRUE(WaitFor(
            [&] { return m_frame->WorkerSuspendCount() == 0 && !m_frame->WaitPanelVisible() && !m_frame->IsLocked(); },
            15000));
    }

    // After an action: the worker has its modem back (it takes the poll
    // event for each step and gives it back), polls, and is heard again.
    void ExpectWorkerPollsAgain()
    {
        EXPECT_EQ(m_frame->WorkerSuspendCount(), 0);
        EXPECT_TRUE(WaitFor([&] { return m_frame->PollEvent().IsSet(); }, 10000));
        const uint32_t lastPoll = m_frame->LastWorkerPoll();
        EXPECT_TRUE(WaitFor([&] { return m_frame->LastWorkerPoll() != lastPoll; }, 10000));
        m_sim.ClearCommands();
        EXPECT_TRUE(WaitFor([&] { return !m_sim.Commands().empty(); }, 10000));
    }

    int Sent(const std::string& command) const
    {
        int n = 0;
        for (const std::string& c : m_sim.Commands())
            if (c == command)
                ++n;
        return n;
    }

    bool Logged(const std::string& part) const
    {
        if (m_frame == nullptr || m_frame->DebugMemo() == nullptr)
            return false;
        for (const std::string& l : m_frame->DebugMemo()->Lines())
            if (l.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::vector<std::string> Boxes() const
    {
        std::lock_guard<std::mutex> lock(m_record->mutex);
        return m_record->boxes;
    }

    std::string Text(int id) const { return m_frame->Language()->GetText(id); }

    int BoxCount(int id) const
    {
        int n = 0;
        for (const std::string& b : Boxes())
            if (b == Text(id))
                ++n;
        return n;
    }

    void AnswerBox(int id, int answer)
    {
        std::lock_guard<std::mutex> lock(m_record->mutex);
        m_record->boxAnswers[id] = answer;
    }

    int LogCount(const std::string& part) const
    {
        int n = 0;
        if (m_frame != nullptr && m_frame->DebugMemo() != nullptr)
            for (const std::string& l : m_frame->DebugMemo()->Lines())
                if (l.find(part) != std::string::npos)
                    ++n;
        return n;
    }

    std::string ConfigValue(const std::string& section, const std::string& key) const
    {
        return TIniFile((m_program / "Config.ini").string()).ReadString(section, key, "<none>");
    }

    std::filesystem::path m_root, m_program, m_devices;
    modemsim::ModemSim m_sim;
    std::shared_ptr<TestDialogs::Record> m_record;
    std::unique_ptr<TModemMainFrame> m_frame;
    uint32_t m_statusMs = 500;
};

}  // namespace maintest

// ---- The real program's windows, used as a user uses them ----
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <cstdio>

#include "ui/common/TExImage.h"
#include "ui/common/TPNGButton.h"

namespace maintest {

// The main window with the program's own dialogs, shown and up (the start-up
// search over, the worker polling).
inline bool StartProgramWindow(std::unique_ptr<TModemMainFrame>& frame, uint32_t statusMs)
{
    frame = std::make_unique<TModemMainFrame>(nullptr);
    frame->SetWorkerTiming(200, statusMs);
    frame->show();
    TModemMainFrame* f = frame.get();
    return WaitFor([f] { return f->WorkerSuspendCount() == 0 && !f->WaitPanelVisible() && !f->IsLocked(); }, 15000);
}

// The main window's big buttons left to right: Connect, SMS, Settings, About.
enum MainButton { kConnectButton, kSmsButton, kSettingsButton, kAboutButton };
inline QWidget* MainWindowButton(TModemMainFrame* frame, MainButton which)
{
    QList<TPNGButton*> buttons = frame->findChildren<TPNGButton*>();
    std::sort(buttons.begin(), buttons.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    return which < buttons.size() ? buttons[which] : nullptr;
}

// The title bar's images left to right: minimise, exit.
inline QWidget* MainWindowImage(TModemMainFrame* frame, int which)
{
    QList<TExImage*> images = frame->findChildren<TExImage*>(Qt::FindDirectChildrenOnly);
    std::sort(images.begin(), images.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
    return which < images.size() ? images[which] : nullptr;
}

// A left click where the user puts it: on whatever lies topmost at that point
// of the window (a lock cover, when one is up). Returns what got it.
inline QWidget* ClickAt(QWidget* window, QPoint pos)
{
    QWidget* target = window->childAt(pos);
    if (target == nullptr)
        target = window;
    QWidget* const got = target;
    const QPoint local = target->mapFrom(window, pos);
    QPointer<QWidget> alive(target);
    uitest::Press(target, Qt::LeftButton, local);
    if (alive)
        uitest::Release(target, Qt::LeftButton, local);
    return got;
}

// A click at the centre of a control, through its window.
inline QWidget* ClickOn(QWidget* control)
{
    QWidget* window = control->window();
    return ClickAt(window, control->mapTo(window, control->rect().center()));
}

// Minimises the main window and the windows it keeps, then restores them, as a
// window manager does with a window and its transients.
inline void MinimiseAndRestore(TModemMainFrame* frame)
{
    std::vector<QPointer<QWidget>> windows {frame};
    for (int i : {0, 1})
        if (TFormEx* w = frame->DockedWindow(i); w != nullptr && w->isVisible())
            windows.emplace_back(w);
    for (QPointer<QWidget>& w : windows)
        if (w)
            w->setWindowState(w->windowState() | Qt::WindowMinimized);
    QCoreApplication::processEvents();
    for (QPointer<QWidget>& w : windows)
        if (w)
            w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
}

// Answers the program's modal windows from a timer, as a user would.
class ModalAnswerer {
public:
    explicit ModalAnswerer(std::function<void(QWidget*)> answer, int periodMs = 50) : m_answer(std::move(answer))
    {
        m_timer.setInterval(periodMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || m_answering)
                return;
            m_answering = true;
            m_answer(modal);
            m_answering = false;
        });
        m_timer.start();
    }

private:
    std::function<void(QWidget*)> m_answer;
    QTimer m_timer;
    bool m_answering = false;
};

// Fails the run with a message when the test has not ended in time: a lock-up
// then fails its test rather than hanging the suite.
class Watchdog {
public:
    Watchdog(int seconds, std::string what, std::function<void()> report = {})
        : m_thread([this, seconds, what = std::move(what), report = std::move(report)] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (m_cv.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; }))
                  return;
              std::fprintf(stderr, "\nWATCHDOG: %s has not ended after %d s: the program is stuck\n", what.c_str(),
                           seconds);
              if (report)
                  report();
              std::fflush(stderr);
              std::abort();
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};

}  // namespace maintest
