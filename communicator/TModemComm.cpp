#include "communicator/TModemComm.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "communicator/port/TPort.h"
#include "platform/MessagePump.h"
#include "platform/PrivateFile.h"
#include "platform/Ticks.h"

namespace fs = std::filesystem;

TModemComm::TModemComm(TIniFile* config, const AnsiString& portLogPath, const std::atomic<bool>* closing)
    : m_pConfig(config), m_pClosing(closing)
{
    LoadOperators();
    m_pPort = std::make_unique<TPort>();
    m_pPort->SetLogFileName(portLogPath.c_str());
    InitModemDevices();
    m_pDebugMemo = nullptr;
    InitStatistic();
    InitSettings();
}

TModemComm::~TModemComm()
{
    m_pPort.reset();
    ReleaseStatistic();
    ReleaseModemDevices();
}

void TModemComm::SetDebugMemo(TMemo* memo)
{
    {
        std::lock_guard<std::mutex> lock(m_LogMutex);
        m_pDebugMemo = memo;
        m_nLoggedLines = 0;
        m_sLogFile.clear();
    }
    m_pPort->SetDebugMemo(memo);
}

void TModemComm::AddToMemo(const AnsiString& line)
{
    TMemo* memo = m_pDebugMemo;
    if (memo == nullptr)
        return;
    memo->Add(line);

    // The file holds the whole memo, or its newest lines once it was moved
    // aside at its bound: written in full the first time (or after a
    // failure), then the new lines are appended.
    std::lock_guard<std::mutex> lock(m_LogMutex);
    try {
        std::error_code ec;
        fs::path folder = fs::current_path() / "LOG";
        if (!fs::is_directory(folder, ec) && !fs::create_directory(folder, ec))
            folder = fs::current_path();
        const AnsiString file = (folder / "modem.log").string();
        // Appending is enough while the file still holds what we wrote; only
        // the new lines are fetched then, so a long session stays cheap.
        const auto size = fs::file_size(file, ec);
        bool rewrite = file != m_sLogFile || m_nLoggedLines > memo->Count() || ec || size != m_nLoggedBytes;
        const size_t first = rewrite ? 0 : m_nLoggedLines;
        const std::vector<AnsiString> lines = memo->LinesFrom(first);
        AnsiString text = JoinLogLines(lines);
        if ((rewrite ? 0 : m_nLoggedBytes) + text.size() > kLogFileBound) {
            // The older lines move to modem.log.1; the newest that fit stay.
            if (!ec)
                RotateLogFile(file);
            rewrite = true;
            text = JoinLogLines(lines, kLogFileBound);
        }
        // The log holds the user's traffic: for the user's eyes only, also
        // when an older run left it wider open.
        const int fd = OpenPrivateFile(file, O_WRONLY | O_CREAT | (rewrite ? O_TRUNC : O_APPEND));
        if (fd < 0)
            throw std::runtime_error("cannot open modem.log");
        const bool written = WriteAll(fd, text);
        if (::close(fd) != 0 || !written)
            throw std::runtime_error("cannot write modem.log");
        const uintmax_t bytes = (rewrite ? 0 : m_nLoggedBytes) + text.size();
        m_sLogFile = file;
        m_nLoggedLines = first + lines.size();
        m_nLoggedBytes = bytes;
    } catch (...) {
        m_sLogFile.clear();  // write it whole next time
        memo->Add("AddToMemo - Error");
    }
}

void TModemComm::Wait(uint32_t ms)
{
    const uint32_t start = GetTickCount();
    while (!TickExpired(GetTickCount(), start, ms) && !GivingWay()) {
        // Steps of 100 ms, cut short within 10 ms for a user action that
        // waits for the worker's wait to give way.
        for (int i = 0; i < 10 && !GivingWay(); ++i)
            Sleep(10);
        ProcessMessages();
    }
}

FileNotice TModemComm::TakeFileNotice(AnsiString& file)
{
    for (const auto& [name, notice] : {std::pair(sms::kSmsFileName, &m_eSmsNotice),
                                       std::pair(sms::kSmsPendingFileName, &m_ePendingNotice)}) {
        if (*notice != FileNotice::None) {
            file = name;
            return std::exchange(*notice, FileNotice::None);
        }
    }
    const FileNotice notice = m_pStatistic ? m_pStatistic->TakeNotice() : FileNotice::None;
    if (notice != FileNotice::None)
        file = std::filesystem::path(m_pStatistic->FileName()).filename().string();
    return notice;
}
