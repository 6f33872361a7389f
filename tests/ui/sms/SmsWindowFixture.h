#pragma once
// An SMS window on a stand-in main window, in a program folder of its own,
// with a communicator on the simulated modem. The stand-in records what the
// window tells the main window and answers message boxes from a script.
#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "../../communicator/SimFixture.h"
#include "../UiTestSupport.h"
#include "../WidgetTestSupport.h"
#include "../dialogs/DialogTestSupport.h"
#include "communicator/TModemComm.h"
#include "communicator/sms/SmsStoreFile.h"
#include "ui/common/ProgramPaths.h"
#include "ui/common/TConfigFile.h"
#include "ui/common/TLanguage.h"
#include "ui/common/UiStyle.h"
#include "ui/common/WindowMessages.h"
#include "ui/sms/TFormExSMS.h"
#include "ui/sms/TSMSCreateEx.h"
#include "ui/sms/TSMSListEx.h"
#include "ui/sms/TSmsMainWindow.h"

using uitest::ClickAt;

// What the stand-in main window saw.
struct MainRecord : QObject, TMessageWindow {
    std::vector<LPARAM> unreadStates;
    std::vector<std::string> boxes;
    std::deque<int> answers;  // for Yes / No boxes; 6 when empty
    int locks = 0, unlocks = 0, suspends = 0, resumes = 0;
    bool registered = true;
    bool connected = false;
    const std::atomic<bool>* closing = nullptr;
    std::function<void()> onBox;  // runs while a box is "shown"
    std::function<void()> onLock;  // runs inside the lock (it pumps events)

    void Clear()
    {
        unreadStates.clear();
        boxes.clear();
        answers.clear();
        locks = unlocks = suspends = resumes = 0;
    }
    void Dispatch(TMessage& m) override
    {
        if (m.Msg == WM_SMS_UNREAD_STATE)
            unreadStates.push_back(m.LParam);
    }
};

class FakeMain : public TSmsMainWindow {
public:
    explicit FakeMain(MainRecord* r) : m_r(r) {}
    void Lock() override
    {
        ++m_r->locks;
        if (auto once = std::exchange(m_r->onLock, nullptr))
            once();
    }
    void Unlock() override { ++m_r->unlocks; }
    int ShowMsgBox(QWidget*, const AnsiString& text, int type) override
    {
        m_r->boxes.push_back(text);
        if (m_r->onBox)
            m_r->onBox();
        if (type == 0)
            return 1;
        if (m_r->answers.empty())
            return 6;
        const int a = m_r->answers.front();
        m_r->answers.pop_front();
        return a;
    }
    bool IsNetworkRegistered() const override { return m_r->registered; }
    bool IsConnected() const override { return m_r->connected; }
    QObject* MessageWindow() const override { return m_r; }
    bool IsClosing() const override { return m_r->closing != nullptr && m_r->closing->load(); }

protected:
    void DoSuspendWorker() override { ++m_r->suspends; }
    void DoResumeWorker() override { ++m_r->resumes; }

private:
    MainRecord* m_r;
};

class SmsWindowTest : public SimFixture {
protected:
    void SetUp() override
    {
        SimFixture::SetUp();
        SetProgramFolder(m_program.string());
        // The page starts in the 7-bit alphabet unless a test says otherwise.
        TConfigFile((m_program / "Config.ini").string()).SetUseExtLangSMS(false);
        m_config = std::make_unique<TIniFile>((m_program / "Config.ini").string());
        m_comm = std::make_unique<TModemComm>(m_config.get(), (m_program / "ComPort.log").string(), &m_closing);
        m_main.closing = &m_closing;
        m_comm->SetPortNumber(kCom);
        m_comm->SetDebugMemo(&m_memo);
        m_lang = std::make_unique<TLanguage>((uitest::BinDir() / "Language.ini").string(),
                                             (m_program / "Config.ini").string());
    }
    void TearDown() override
    {
        m_window.reset();
        m_comm.reset();
        SetProgramFolder("");
        SimFixture::TearDown();
    }

    static SMS_TO_FILE_STRUCT Record(int status, const std::string& number, const std::u16string& text, double date)
    {
        SMS_TO_FILE_STRUCT r {};
        r.status = status;
        sms::SetSmsNumber(r, number);
        sms::SetSmsText(r, text);
        r.date = date;
        return r;
    }
    void WriteStore(const std::vector<SMS_TO_FILE_STRUCT>& records)
    {
        ASSERT_TRUE(sms::SaveSmsFile((m_program / sms::kSmsFileName).string(), records));
    }
    std::vector<SMS_TO_FILE_STRUCT> StoreOnDisk() const
    {
        std::vector<SMS_TO_FILE_STRUCT> store;
        sms::LoadSmsFile((m_program / sms::kSmsFileName).string(), store);
        return store;
    }
    int CountOnDisk(int status) const
    {
        int n = 0;
        for (const auto& r : StoreOnDisk())
            n += r.status == status;
        return n;
    }

    TFormExSMS* Open()
    {
        m_window = std::make_unique<TFormExSMS>(nullptr, m_lang.get(), m_comm.get(), std::make_unique<FakeMain>(&m_main));
        m_window->move(100, 300);
        return m_window.get();
    }
    TSMSCreateEx* Compose() const { return m_window->ComposePage(); }
    TSMSListEx* List(int n) const { return m_window->ListPage(n); }
    std::string Text(int id) const { return m_lang->GetText(id); }
    std::string MemoDump() const
    {
        std::string all;
        for (const auto& l : m_memo.Lines())
            all += l + "\n";
        return all;
    }
    bool Logged(const std::string& line) const
    {
        for (const auto& l : m_memo.Lines())
            if (l == line)
                return true;
        return false;
    }

    std::atomic<bool> m_closing {false};
    TMemo m_memo;
    std::unique_ptr<TIniFile> m_config;
    std::unique_ptr<TModemComm> m_comm;
    std::unique_ptr<TLanguage> m_lang;
    MainRecord m_main;
    std::unique_ptr<TFormExSMS> m_window;
};
