#include "MainFrameFixture.h"

#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <csignal>

#include "platform/PortMap.h"
#include "platform/SerialPort.h"
#include "platform/TIniFile.h"
#include "communicator/sms/SmsStoreFile.h"
#include "ui/sms/TFormExSMS.h"
#include "ui/dialogs/TFormExAbout.h"
#include "ui/main/SecondStart.h"
#include "tools/modemsim/SimModule.h"

using namespace maintest;

namespace {
// A docked window whose show fails.
class FailingWindow : public TFormEx {
public:
    FailingWindow() : TFormEx(nullptr) {}
    void FormShow() override { throw std::runtime_error("show failed"); }
};
}  // namespace

TEST_F(MainFrameTest, StartsWithThePresentModem)
{
    // An operator name that looks like markup is shown as it comes.
    m_sim.SetAnswer("+COPS?", "\r\n+COPS: 0,0,\"<b>Test</b> Net\"\r\n\r\nOK\r\n");
    modemsim::ModemSim diag;  // the stick's silent diagnostics port, listed before its twin
    diag.SetSilent(true);
    ASSERT_TRUE(diag.Start() && diag.Register(m_devices.string(), 3, kModemName));
    StartUp();
    TModemComm* comm = m_frame->ModemComm();
    EXPECT_TRUE(comm->IsPortOpen());
    EXPECT_EQ(comm->GetPortNumber(), kCom);
    EXPECT_GE(Sent("ATE1"), 1);
    EXPECT_GE(Sent("AT+CPIN?"), 1);
    EXPECT_GE(Sent("AT+COPS?"), 1);
    EXPECT_TRUE(m_frame->IsModemInitialized());
    EXPECT_TRUE(m_frame->IsModemPlugged());
    EXPECT_TRUE(m_frame->IsPinOk());
    EXPECT_TRUE(m_frame->IsNetworkRegistered());
    EXPECT_EQ(m_frame->OperatorLabel(), "<b>Test</b> Net");
    for (const QLabel* label : m_frame->findChildren<const QLabel*>()) {
        if (label->pixmap().isNull()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        }
    }
    EXPECT_TRUE(m_frame->ConnectEnabled());
    EXPECT_FALSE(m_frame->IsLocked());
    EXPECT_EQ(m_frame->windowTitle().toStdString(), Text(107));
    EXPECT_TRUE(Logged("-=Application Port Opened=-"));
    EXPECT_TRUE(Logged("Modem Initialized OK"));
    EXPECT_TRUE(Boxes().empty());
    // The About window shows the modem it found.
    EXPECT_EQ(m_frame->AboutWindow()->m_pLIMEI->text(), "IMEI: 490154203237518");
    EXPECT_EQ(m_frame->AboutWindow()->m_pLFirmware->text(), "Firmware: MS-1.0");
    // The one answering device was taken and remembered.
    EXPECT_EQ(ConfigValue("SETTINGS", "ModemDevice"), std::string(kModemName) + " #2");
    // The worker runs: its presence poll keeps talking to the modem.
    const size_t before = m_sim.Commands().size();
    EXPECT_TRUE(WaitFor([&] { return m_sim.Commands().size() > before; }, 3000));
}

TEST_F(MainFrameTest, DamagedConfigIsToldOnceAndKeptAsItIs)
{
    const std::string junk("debug=42\n\0\x13garbage\xff", 19);
    WriteConfig(junk);
    // A store too large to read is told at start too, once.
    std::ofstream(m_program / sms::kSmsFileName).close();
    std::filesystem::resize_file(m_program / sms::kSmsFileName, (sms::kMaxSmsRecords + 1) * sizeof(SMS_TO_FILE_STRUCT));
    std::filesystem::create_directory(m_program / "Statistic.dat");  // and totals that cannot be read
    TModemMainFrame*& f = ModemMainFrame;
    m_record->smsWindow = [&f] { return new TFormExSMS(f, f->Language(), f->ModemComm()); };
    StartUp();
    EXPECT_EQ(BoxCount(332), 1) << "the SMS window not opened";
    m_frame->DockedWindow(0)->show();
    QApplication::processEvents();
    EXPECT_TRUE(m_frame->IsModemInitialized());
    const auto boxes = Boxes();
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), Text(300)), 1);
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), Text(332)), 1);
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), Text(452)), 1);
    // Neither the chosen modem nor the window position at close replaces it.
    m_frame.reset();
    std::ifstream in(m_program / "Config.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), junk);
}

TEST_F(MainFrameTest, SimNotReadyAtStartIsAskedAgain)
{
    // Busy, as many are right after power-up.
    m_sim.SetAnswer("+CPIN?", "\r\n+CME ERROR: 14\r\n");
    StartUp();
    EXPECT_FALSE(m_frame->IsPinOk());
    EXPECT_FALSE(m_frame->ConnectEnabled());
    const auto boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front(), Text(130));
    // Asked twice, one second apart, before the box.
    EXPECT_GE(Sent("AT+CPIN?"), 2);
    // Ready a little later: the periodic check asks until it is.
    m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: READY\r\n\r\nOK\r\n");
    EXPECT_TRUE(WaitFor([&] { return m_frame->IsPinOk() && m_frame->ConnectEnabled(); }, 10000));
    EXPECT_TRUE(WaitFor([&] { return m_frame->AboutWindow()->m_pLIMEI->text() == "IMEI: 490154203237518"; }, 5000));
}

TEST_F(MainFrameTest, ACancelledPinQuestionIsNotAskedAgainByItself)
{
    m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    StartUp();
    const size_t asked = m_record->pinModes.size();
    const int checks = Sent("AT+CPIN?");
    WaitFor([] { return false; }, 4 * static_cast<int>(m_statusMs));
    EXPECT_GT(Sent("AT+CPIN?"), checks);
    EXPECT_EQ(m_record->pinModes.size(), asked);
}

TEST_F(MainFrameTest, ThePinQuestionSaysWhatHappened)
{
    const auto start = [this](std::vector<std::string> pins) {
        m_frame.reset();
        m_record = std::make_shared<TestDialogs::Record>();
        m_record->pins = std::move(pins);
        StartUp();
    };
    const auto texts = [this](std::initializer_list<int> ids) {
        std::vector<std::string> out;
        for (int id : ids)
            out.push_back(Text(id));
        return out;
    };
    m_sim.SetAnswer("+CPIN?", "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    {
        SCOPED_TRACE("the stick pulled while the right PIN goes: no answer, not a wrong PIN nor a missing SIM");
        m_sim.SetUnplugOn("+CPIN=\"1234\"");
        start({"1234"});
        EXPECT_TRUE(WaitFor([&] { return BoxCount(119) == 1; }, 15000));
        EXPECT_EQ(Boxes(), texts({420, 119}));
        ASSERT_TRUE(m_sim.Reappear());
    }
    {
        SCOPED_TRACE("cancelled: said so, with where to enter it later, where it is asked again");
        start({});
        EXPECT_EQ(Boxes(), texts({421}));
        m_frame->SuspendWorker();
        SendMessage(m_frame.get(), WM_SEARCH_MODEM, 0, 1);
        m_frame->ResumeWorker();
        EXPECT_EQ(m_record->pinModes, (std::vector<int>{2, 2}));
    }
    {
        SCOPED_TRACE("two wrong PINs in an earlier run: the first question of this one warns");
        m_sim.SetAnswer("+CPINR=\"SIM PIN\"", "\r\n+CPINR: SIM PIN,1,3\r\n\r\nOK\r\n");
        start({});
        EXPECT_EQ(m_record->pinWarnings, std::vector<std::string>{Text(520) + "\nTries left: 1."});
    }
    {
        SCOPED_TRACE("the third wrong PIN blocks the SIM: said so with the tries left, then the PUK is asked");
        auto card = std::make_shared<modemsim::SimModule>();
        card->SetPinState(modemsim::SimModule::PinState::Pin);
        m_sim.ClearScript();
        m_sim.AddModule(card);
        start({"1111", "2222", "3333"});
        EXPECT_EQ(m_record->pinModes, (std::vector<int>{2, 2, 2, 3}));
        EXPECT_EQ(Boxes(), (std::vector<std::string>{Text(500) + "\nTries left: 2.", Text(500) + "\nTries left: 1.",
                                                     Text(422) + "\n" + Text(310), Text(423)}));
    }
}

TEST_F(MainFrameTest, NoModemAtStartThenOnePluggedIn)
{
    // Plugged while "no modem was found" is up, or after; last, a returning
    // user's modem takes the port of a stick the program does not know.
    for (const int row : {0, 1, 2}) {
        SCOPED_TRACE(row);
        m_frame.reset();
        m_record = std::make_shared<TestDialogs::Record>();
        m_sim.Vanish();
        if (row == 2) {
            WriteConfig(std::string("[SETTINGS]\r\ndebug=42\r\nModemDevice=") + kModemName + "\r\n");
            ASSERT_TRUE(RegisterComPort(m_devices.string(), 5, "/dev/null", "Unknown Stick"));
            m_sim.Register(m_devices.string(), 5, kModemName);
        }
        const auto plug = [this] { return m_sim.Running() || m_sim.Reappear(); };
        if (row == 0)
            m_record->onBox = [plug] { EXPECT_TRUE(plug()); };
        StartUp();
        EXPECT_EQ(BoxCount(119), 1);
        ASSERT_TRUE(plug());
        EXPECT_TRUE(WaitFor([&] { return m_frame->ConnectEnabled() && !m_frame->IsLocked(); }, 15000));
        EXPECT_EQ(m_frame->ModemComm()->GetPortNumber(), row == 2 ? 5 : kCom);
        EXPECT_EQ(Boxes().size(), 1u);
    }
}

TEST_F(MainFrameTest, SignalDisplayAndLockOfAFreshWindow)
{
    m_record->settingsWindow = [] { return new FailingWindow; };
    WriteConfig("[SETTINGS]\r\ndebug=42\r\n[MAIN_FRAME]\r\nLeftPos=2500\r\n");
    MakeFrame();
    // Closed last on a wider screen, it opens whole on this one.
    const QRect screen = m_frame->screen()->availableGeometry();
    ASSERT_LT(screen.right(), 2500);
    EXPECT_TRUE(screen.contains(m_frame->frameGeometry()));
    const struct {
        int csq;
        const char* label;
        int frame;
    } cases[] = {{99, "0%", 0}, {31, "100%", 31}, {15, "48%", 15}, {0, "0%", 0}, {-3, "0%", 0}, {50, "100%", 31}};
    for (const auto& c : cases) {
        m_frame->ShowSignalQuality(c.csq);
        EXPECT_EQ(m_frame->QualityLabel(), c.label) << c.csq;
        EXPECT_EQ(m_frame->SignalShown(), c.frame) << c.csq;
    }
    // Locks nest: the window is free only when the outermost holder lets go.
    m_frame->Lock();
    m_frame->Lock();
    EXPECT_TRUE(m_frame->IsLocked());
    m_frame->Unlock();
    EXPECT_TRUE(m_frame->IsLocked());
    m_frame->Unlock();
    EXPECT_FALSE(m_frame->IsLocked());
    m_frame->Unlock();
    m_frame->Lock();
    EXPECT_TRUE(m_frame->IsLocked());
    m_frame->Unlock();
    EXPECT_FALSE(m_frame->IsLocked());
    // An action that fails lets the window go all the same.
    m_frame->OnSettingsClick();
    EXPECT_FALSE(m_frame->IsLocked());
    // Never shown: the worker waits for the first search and has sent nothing.
    EXPECT_EQ(m_frame->WorkerSuspendCount(), 1);
    EXPECT_TRUE(m_sim.Commands().empty());
}

// Tab reaches each big button and the title images, which show their focus
// and are pressed by Space or Enter; while the window is locked no key
// presses a big button; Escape closes nothing.
TEST_F(MainFrameTest, TheBigButtonsAnswerTheKeyboard)
{
    m_record->settingsWindow = [] { return new TFormEx(nullptr); };
    StartUp();
    m_frame->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return m_frame->isActiveWindow(); }, 5000));
    QWidget* minimise = MainWindowImage(m_frame.get(), 0);
    QList<QWidget*> tabbed;
    for (MainButton which : {kConnectButton, kSmsButton, kSettingsButton, kAboutButton})
        tabbed << MainWindowButton(m_frame.get(), which);
    tabbed << minimise << MainWindowImage(m_frame.get(), 1);
    // It opens on Connect, not on minimise, and is back there when Connect
    // comes back after a lost network; each Tab goes one further.
    EXPECT_TRUE(tabbed[0]->hasFocus());
    tabbed[0]->setEnabled(false);
    tabbed[0]->setEnabled(true);
    EXPECT_TRUE(tabbed[0]->hasFocus());
    for (QWidget* control : tabbed.mid(1)) {
        QTest::keyClick(m_frame->windowHandle(), Qt::Key_Tab);
        EXPECT_TRUE(control->hasFocus()) << tabbed.indexOf(control);
    }
    auto* settings = static_cast<QAbstractButton*>(MainWindowButton(m_frame.get(), kSettingsButton));
    int presses = 0;
    QObject::connect(settings, &QAbstractButton::clicked, [&presses] { ++presses; });
    settings->setFocus();
    const QImage focused = settings->grab().toImage();
    m_frame->Lock();
    for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape})
        QTest::keyClick(m_frame->windowHandle(), Qt::Key(key));
    EXPECT_EQ(presses, 0) << "locked";
    m_frame->Unlock();
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_Space);
    EXPECT_TRUE(m_frame->DockedWindow(1)->isVisible());
    EXPECT_TRUE(m_frame->isVisible());
    settings->clearFocus();
    EXPECT_NE(settings->grab().toImage(), focused) << "the focus shows";
    minimise->setFocus();
    QTest::keyClick(m_frame->windowHandle(), Qt::Key_Return);
    EXPECT_TRUE(m_frame->isMinimized());
}

TEST_F(MainFrameTest, TitleAndStatusReadRightToLeftOnlyUnderARightToLeftLocale)
{
    const QLocale before;
    for (const QLocale::Language language : {QLocale::English, QLocale::Arabic}) {
        QLocale::setDefault(QLocale(language));
        MakeFrame();
        const auto labels = m_frame->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        for (int id : {107, 115, 116, 117, 118}) {
            const auto it = std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->text() == Text(id).c_str(); });
            ASSERT_NE(it, labels.end()) << id;
            EXPECT_EQ((*it)->layoutDirection(), language == QLocale::Arabic ? Qt::RightToLeft : Qt::LeftToRight) << id;
        }
        m_frame.reset();
    }
    QLocale::setDefault(before);
}

TEST_F(MainFrameTest, SecondStartSpeaksTheChosenLanguage)
{
    WriteConfig("[SETTINGS]\r\nActiveLanguage=1\r\n");
    const TIniFile texts((m_program / "Language.ini").string());
    EXPECT_EQ(SecondStartTexts(m_program.string()),
              std::make_pair(texts.ReadString("Deutsch", "ITEM_0101", ""), texts.ReadString("Deutsch", "ITEM_0100", "")));
}

TEST_F(MainFrameTest, SearchExitsAndTheModemTheUserPicks)
{
    // Besides the test modem (COM7): a second working one (COM8), one whose
    // port answers nothing (COM9), one listed without a port that opens
    // (COM10) and one the system refuses even to root (COM12, a read-only
    // kernel file).
    constexpr const char* kSecond = "Quorvix Second Modem";
    constexpr const char* kDead = "USB Modem";
    constexpr const char* kBroken = "Broken Modem";
    constexpr const char* kBarred = "Barred Modem";
    modemsim::ModemSim second;
    ASSERT_TRUE(second.Start());
    ASSERT_TRUE(second.Register(m_devices.string(), 8, kSecond));
    ScriptRegisteredModem(second);
    ASSERT_TRUE(RegisterComPort(m_devices.string(), 9, (m_root / "gone9").string(), kDead));
    ASSERT_TRUE(RegisterComPort(m_devices.string(), 10, (m_root / "gone10").string(), kBroken));
    ASSERT_TRUE(RegisterComPort(m_devices.string(), 12, "/sys/kernel/uevent_seqnum", kBarred));
    std::ofstream(m_program / "Devices.dat", std::ios::binary) << TModemList::Scramble(
        std::string(kModemName) + ";" + kSecond + ";" + kDead + ";" + kBroken + ";" + kBarred + ";");

    // A fresh start with `saved` as the saved modem; `user` says how the user
    // answers.
    const auto start = [&](const std::string& saved, const std::function<void()>& user) {
        m_frame.reset();
        m_record = std::make_shared<TestDialogs::Record>();
        user();
        WriteConfig("[SETTINGS]\r\ndebug=42\r\nConnectToOtherDev=0\r\nShowSelModScreen=0\r\n" +
                    (saved.empty() ? std::string() : "ModemDevice=" + saved + "\r\n"));
        StartUp();
    };
    // The user picks a modem on the Modem page in the helper window.
    const auto picks = [&](const char* name) {
        m_record->onModemPage = [this, name] {
            TIniFile((m_program / "Config.ini").string()).WriteString("SETTINGS", "ModemDevice", name);
        };
    };
    const auto opened = [&](int com) {
        EXPECT_TRUE(m_frame->ModemComm()->IsPortOpen());
        EXPECT_EQ(m_frame->ModemComm()->GetPortNumber(), com);
        EXPECT_TRUE(m_frame->IsNetworkRegistered());
        EXPECT_TRUE(m_frame->ConnectEnabled());
        EXPECT_FALSE(m_frame->IsLocked());
    };
    const auto failed = [&] {
        EXPECT_FALSE(m_frame->ModemComm()->IsPortOpen());
        EXPECT_FALSE(m_frame->ConnectEnabled());
        EXPECT_FALSE(m_frame->IsLocked());
    };

    for (const char* saved : {"", "Gone Modem"}) {
        SCOPED_TRACE(std::string("saved \"") + saved + "\": the modem the user picks is opened");
        start(saved, [&] { picks(kSecond); });
        EXPECT_EQ(BoxCount(120), 1);
        EXPECT_EQ(m_record->modemPages, 1);
        EXPECT_EQ(BoxCount(122), 0);
        opened(8);
    }
    {
        SCOPED_TRACE("searched again for a modem not in the list, the user picks none");
        TIniFile((m_program / "Config.ini").string()).WriteString("SETTINGS", "ModemDevice", "Gone Modem");
        m_record->onModemPage = nullptr;
        AnswerBox(122, mrCancel);
        // As the Modem page's Select does it: holding the modem.
        m_frame->SuspendWorker();
        SendMessage(m_frame.get(), WM_SEARCH_MODEM, 0, 1);
        m_frame->ResumeWorker();
        EXPECT_EQ(BoxCount(120), 2);
        EXPECT_EQ(BoxCount(122), 1);
        // No port of its own: not the one the modem before had.
        EXPECT_EQ(m_frame->ModemComm()->GetPortNumber(), 0);
        failed();
    }
    {
        SCOPED_TRACE("saved modem silent, the user does not wait");
        start(kDead, [&] { m_record->boxAnswers[122] = mrCancel; });
        EXPECT_EQ(BoxCount(122), 1);
        EXPECT_EQ(Boxes().size(), 1u);
        EXPECT_FALSE(m_frame->IsModemPlugged());
        failed();
    }
    {
        SCOPED_TRACE("saved modem silent, the user waits in vain and picks another");
        start(kDead, [&] { picks(kModemName); });
        EXPECT_EQ(BoxCount(122), 1);
        EXPECT_EQ(BoxCount(123), 1);
        EXPECT_EQ(m_record->modemPages, 1);
        opened(kCom);
    }
    {
        SCOPED_TRACE("saved modem listed, but its port does not open: it does not answer either");
        start(kBroken, [&] { m_record->boxAnswers[122] = mrCancel; });
        EXPECT_EQ(Boxes(), std::vector<std::string>{Text(122)});
        failed();
    }
    {
        // Waiting or choosing cannot mend these: the cause is told, and told once.
        const HANDLE held = OpenComPort("COM7"), heldSecond = OpenComPort("COM8");
        for (const auto& [saved, text] : {std::pair<std::string, int>{kBarred, 480}, {kModemName, 481}, {"", 481}}) {
            SCOPED_TRACE("saved \"" + saved + "\": its port is refused or held by another open");
            start(saved, [] {});
            const int tests = LogCount("Testas Nepavyko.");  // the worker's polls go on testing
            EXPECT_TRUE(WaitFor([&] { return LogCount("Testas Nepavyko.") > tests + 2; }, 10000));
            EXPECT_EQ(Boxes(), std::vector<std::string>{Text(text)});
            failed();
        }
        CloseHandle(held);
        CloseHandle(heldSecond);
    }
    {
        SCOPED_TRACE("the chosen modem pulled and plugged in again: no other is taken meanwhile");
        start(kSecond, [&] { m_record->boxAnswers[122] = mrCancel; });
        opened(8);
        second.Vanish();
        EXPECT_TRUE(WaitFor([&] { return BoxCount(122) == 1; }, 10000));
        EXPECT_NE(m_frame->ModemComm()->GetPortNumber(), kCom);
        EXPECT_EQ(ConfigValue("SETTINGS", "ModemDevice"), kSecond);
        ASSERT_TRUE(second.Reappear());
        EXPECT_TRUE(WaitFor([&] { return m_frame->IsNetworkRegistered(); }, 10000));
        opened(8);
        EXPECT_EQ(Boxes().size(), 1u);
    }
    m_frame.reset();
}

TEST_F(MainFrameTest, TheDemoLeavesARealModemsStoreAsItWas)
{
    for (const auto& tty : std::filesystem::directory_iterator("/sys/class/tty"))
        if (const std::string n = tty.path().filename(); n.rfind("ttyUSB", 0) == 0 || n.rfind("ttyACM", 0) == 0)
            GTEST_SKIP() << "a modem is plugged in: no demo";
    const auto realStore = [] {
        std::ifstream in(QVX_BIN_DIR "/Messages.bin", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = realStore();
    const std::filesystem::path bin(QVX_BIN_DIR), demoFolder = m_root / "quorvix-demo";
    // The folder as the README gives it, relative to where the command starts, and as a full path.
    for (const auto& [given, startIn] : {std::pair{bin.string(), std::filesystem::current_path()},
                                         {bin.filename().string(), bin.parent_path()}}) {
        SCOPED_TRACE("QVX_BIN=" + given);
        std::filesystem::remove_all(demoFolder);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(kDeviceDirEnv);
        for (const char* folder : {"XDG_RUNTIME_DIR", "XDG_DATA_HOME"})
            env.insert(folder, QString::fromStdString(m_root.string()));
        env.insert("QVX_BIN", QString::fromStdString(given));
        env.insert("DISPLAY", ":0");  // the window, drawn by Qt's offscreen platform
        QProcess demo;
        demo.setProcessEnvironment(env);
        demo.setWorkingDirectory(QString::fromStdString(startIn.string()));
        demo.setStandardOutputFile(QProcess::nullDevice());
        demo.setChildProcessModifier([] { ::setpgid(0, 0); });
        demo.start(QVX_SOURCE_DIR "/tools/run-quorvix", {});
        ASSERT_TRUE(demo.waitForStarted()) << demo.errorString().toStdString();
        const auto group = -static_cast<pid_t>(demo.processId());  // taken while it runs
        // Until the demo's messages have been stored, wherever that is, or the demo has ended.
        const auto stored = [&] { return std::filesystem::exists(demoFolder / "Messages.bin") || realStore() != before; };
        WaitFor([&] { return stored() || demo.state() == QProcess::NotRunning; }, 60000);
        EXPECT_TRUE(stored()) << "exit code " << demo.exitCode();
        ::kill(group, SIGTERM);
        demo.waitForFinished(30000);
        EXPECT_TRUE(WaitFor([&] { return ::kill(group, 0) != 0; }, 30000));  // the program has closed
        EXPECT_TRUE(std::filesystem::exists(demoFolder / "Devices.dat")) << "the demo's links lead nowhere";
    }
    EXPECT_TRUE(realStore() == before) << "the demo wrote into the store a real modem uses";
}
