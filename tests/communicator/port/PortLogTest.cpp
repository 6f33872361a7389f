#include "communicator/port/PortEvent.h"
#include "communicator/port/PortLogThread.h"
#include "communicator/port/TMessageQueue.h"
#include "communicator/port/TPortLog.h"
#include "platform/PrivateFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t T0 = 0xFFFFFF00u;  // the open time; the block runs across a tick wrap

std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string out = "{";
    char b[4];
    for (uint8_t v : bytes) {
        std::snprintf(b, sizeof b, " %02X", v);
        out += b;
    }
    return out + " }";
}

// Every digit as '9', so that lines holding the local date and time can be
// compared with their shape.
std::string MaskDigits(std::string s)
{
    for (char& c : s)
        if (c >= '0' && c <= '9')
            c = '9';
    return s;
}

constexpr const char* kOpenShape =
    "---------- Open Port ---------- 9999 / 99 / 99 --- 99 : 99 : 99 ----------\r\n";
constexpr const char* kCloseShape =
    "--------- Close Port ---------- 9999 / 99 / 99 --- 99 : 99 : 99 ----------\r\n";

class PortLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                ("qvx_trace_" + std::to_string(getpid()) + "_" + info->name() + ".log");
        fs::remove(path_);
        log_.SetQueue(&queue_);
        log_.SetFileName(path_.c_str());
    }
    void TearDown() override
    {
        fs::remove(path_);
        fs::remove(path_.string() + ".1");
    }

    void Post(uint8_t code, uint32_t time, uint32_t error = 0, std::vector<uint8_t> data = {})
    {
        PORT_EVENT_RECORD rec{};
        BuildPortEvent(rec, code, time, error, data.data(), data.size());
        queue_.Put(&rec, rec.length);
    }
    void Open(uint32_t time = T0) { Post(PORT_EVENT_OPENED, time); }
    void Run()
    {
        while (log_.Fetch())
            log_.Dispatch();
    }
    std::string File() const
    {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The file without its open header line.
    std::string Body() const
    {
        std::string f = File();
        return f.substr(f.find("\r\n") + 2);
    }

    fs::path path_;
    TMessageQueue queue_;
    TPortLog log_;
};

}  // namespace

TEST_F(PortLogTest, WriteOfATGivesOneLine)
{
    Open();
    Post(PORT_EVENT_WRITE_BEGIN, T0 + 5);
    Post(PORT_EVENT_WRITE_DATA, T0 + 7, 0, {'A', 'T', '\r'});
    Run();
    EXPECT_EQ(Body(), " 00000005 - 00000007 --- WRITE: { 41 54 0D }\r\n");
}

TEST_F(PortLogTest, RunOfReadsIsOneLineBeforeTheWrite)
{
    Open();
    Post(PORT_EVENT_READ_BEGIN, T0 + 10);
    Post(PORT_EVENT_READ_DATA, T0 + 20, 0, {1, 2, 3, 4});
    Post(PORT_EVENT_READ_BEGIN, T0 + 300);
    Post(PORT_EVENT_READ_DATA, T0 + 340, 0, {5, 6, 7, 8, 9, 0xAB});
    Post(PORT_EVENT_WRITE_BEGIN, T0 + 350);
    Post(PORT_EVENT_WRITE_DATA, T0 + 351, 0, {'A', 'T', '\r'});
    Run();
    EXPECT_EQ(Body(),
              " 00000010 - 00000020 --- READ : Wait byte arrive\r\n"
              " 00000020 - 00000340 --- READ : { 01 02 03 04 05 06 07 08 09 AB }\r\n"
              " 00000350 - 00000351 --- WRITE: { 41 54 0D }\r\n");
}

TEST_F(PortLogTest, ReadFailuresShowTheBytesAndTheError)
{
    struct Case {
        uint32_t error;
        std::vector<uint8_t> bytes;
        std::string expected;
    } cases[] = {
        {0x20000101, {},
         "\t\t*** ERROR *** Read from port error ***\r\n"
         " 00000100 - 00000600 --- READ : Error message: None byte arrive in specified time ( TIMEOUT )\r\n"},
        {0x20000102, {'>', ' '},
         " 00000100 - 00000600 --- READ : Wait byte arrive\r\n"
         " 00000600 - 00000600 --- READ : { 3E 20 }\r\n"
         "\t\t*** ERROR *** Read from port error ***\r\n"
         " 00000100 - 00000600 --- READ : Error message: Not all bytes arrive in specified time ( TIMEOUT )\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        fs::remove(path_);
        Open();
        Post(PORT_EVENT_READ_BEGIN, T0 + 100);
        Post(PORT_EVENT_READ_FAILED, T0 + 600, c.error, c.bytes);
        Post(PORT_EVENT_READ_BEGIN, T0 + 700);  // a new run starts afresh
        Post(PORT_EVENT_READ_DATA, T0 + 710, 0, {'O'});
        Post(PORT_EVENT_WRITE_BEGIN, T0 + 800);
        Run();
        EXPECT_EQ(Body(), c.expected +
                              " 00000700 - 00000710 --- READ : Wait byte arrive\r\n"
                              " 00000710 - 00000710 --- READ : { 4F }\r\n");
    }
}

TEST_F(PortLogTest, CloseBlockSummarisesThisOpenOnly)
{
    Open(T0 - 1000);
    Post(PORT_EVENT_WRITE_DATA, T0 - 990, 0, {1, 2, 3, 4, 5});
    Post(PORT_EVENT_CLOSED, T0 - 500);
    Open();
    Post(PORT_EVENT_PARAMETERS, 0, 0, {' ', '|', 'C', 'O', 'M', '3', '|', 0, 'x'});
    Post(PORT_EVENT_WRITE_DATA, T0 + 1, 0, {'A', 'T', '\r'});
    Post(PORT_EVENT_READ_BEGIN, T0 + 2);
    Post(PORT_EVENT_READ_DATA, T0 + 3, 0, std::vector<uint8_t>(10, 'x'));
    Post(PORT_EVENT_CLOSED, T0 + 2500);  // across the tick wrap
    Run();
    EXPECT_FALSE(log_.IsFileOpen());

    const std::string f = File();
    const std::string second = f.substr(f.rfind("---------- Open Port"));
    const size_t headerEnd = second.find("\r\n") + 2;
    const size_t closeAt = second.find("--------- Close Port");
    ASSERT_NE(closeAt, std::string::npos);
    const size_t closeEnd = second.find("\r\n", closeAt) + 2;
    EXPECT_EQ(MaskDigits(second.substr(0, headerEnd)), kOpenShape);
    EXPECT_EQ(second.substr(headerEnd, closeAt - headerEnd),
              " |COM3|\r\n"
              " 00000000 - 00000001 --- WRITE: { 41 54 0D }\r\n"
              " 00000002 - 00000003 --- READ : Wait byte arrive\r\n"
              " 00000003 - 00000003 --- READ : " + Hex(std::vector<uint8_t>(10, 'x')) + "\r\n");
    EXPECT_EQ(MaskDigits(second.substr(closeAt, closeEnd - closeAt)), kCloseShape);
    EXPECT_EQ(second.substr(closeEnd),
              " Work summary\t- 2500 ms\r\n"
              " Total bytes read\t- 10\r\n"
              " Total bytes write\t- 3\r\n"
              "\r\n\r\n");
    EXPECT_NE(f.find(" Work summary\t- 500 ms\r\n Total bytes read\t- 0\r\n Total bytes write\t- 5\r\n"),
              std::string::npos);
}

TEST_F(PortLogTest, RecordsWhileTheFileIsClosedLeaveNoTrace)
{
    Post(PORT_EVENT_BAUD_RATE, 5, 0, {0x00, 0xC2, 0x01, 0x00});
    Post(PORT_EVENT_WRITE_DATA, 6, 0, {'A'});
    Post(PORT_EVENT_READ_DATA, 7, 0, {'B'});
    Run();
    EXPECT_FALSE(fs::exists(path_));

    Open();
    Post(PORT_EVENT_BAUD_RATE, T0 + 4, 0, {0x00, 0xC2, 0x01, 0x00});
    Post(PORT_EVENT_CLOSED, T0 + 9);
    Post(PORT_EVENT_WRITE_BEGIN, T0 + 10);
    Post(PORT_EVENT_WRITE_DATA, T0 + 11, 0, {'A'});
    Post(PORT_EVENT_WRITE_FAILED, T0 + 12, 31);
    Post(PORT_EVENT_READ_DATA, T0 + 13, 0, {'B'});
    Post(PORT_EVENT_PARAMETERS, 0, 0, {'p', 0});
    Run();
    const std::string f = File();
    EXPECT_NE(f.find("\r\n 00000004 - 00000004 --- PARAM: Baudrate changed to 115200\r\n"
                     "--------- Close Port"),
              std::string::npos);
    EXPECT_EQ(f.size() - f.find(" Total bytes write\t- 0\r\n"), std::strlen(" Total bytes write\t- 0\r\n\r\n\r\n"));
    EXPECT_EQ(f.find("ERROR"), std::string::npos);
}

TEST_F(PortLogTest, FailedOpenAndCloseAreReported)
{
    struct Case {
        uint32_t error;
        const char* message;
    } cases[] = {
        {123, "Try to open not existing communication port"},
        {2, "Try to open not existing communication port"},
        {32, "Try to open port which is already in use"},
        {31, "A device attached to the system is not functioning."},
    };
    std::string expected;
    for (const Case& c : cases) {
        Post(PORT_EVENT_OPEN_FAILED, 0, c.error);
        expected += std::string("\t\t*** ERROR *** Open port fail ***\r\nError message: ") + c.message + "\r\n\r\n";
    }
    Run();
    EXPECT_EQ(File(), expected);
    EXPECT_FALSE(log_.IsFileOpen());

    fs::remove(path_);
    Open();
    Post(PORT_EVENT_WRITE_FAILED, T0 + 1, 29);
    Post(PORT_EVENT_CLOSE_FAILED, 0, 6);
    Post(PORT_EVENT_WRITE_DATA, T0 + 2, 0, {'A'});
    Run();
    EXPECT_EQ(Body(),
              "\t\t*** ERROR *** Write to port error ***\r\n"
              "Error message: The system cannot write to the specified device.\r\n"
              "\t\t*** ERROR *** Close port fail ***\r\n"
              "Error message: The handle is invalid.\r\n\r\n");
}

TEST_F(PortLogTest, LongReadRunIsWrittenInFullLines)
{
    std::vector<uint8_t> chunk(600);
    for (size_t i = 0; i < chunk.size(); ++i)
        chunk[i] = static_cast<uint8_t>(i);
    Open();
    Post(PORT_EVENT_READ_BEGIN, T0 + 1);
    Post(PORT_EVENT_READ_DATA, T0 + 2, 0, chunk);
    Post(PORT_EVENT_READ_DATA, T0 + 3, 0, chunk);
    Post(PORT_EVENT_CLOSED, T0 + 4);
    Run();

    std::vector<uint8_t> all(chunk);
    all.insert(all.end(), chunk.begin(), chunk.end());
    const std::string first = Hex({all.begin(), all.begin() + 1024});
    const std::string rest = Hex({all.begin() + 1024, all.end()});
    const std::string body = Body();
    EXPECT_EQ(body.substr(0, body.find("---------")),
              " 00000001 - 00000002 --- READ : Wait byte arrive\r\n"
              " 00000002 - 00000003 --- READ : " + first + "\r\n"
              " 00000003 - 00000003 --- READ : " + rest + "\r\n");
    EXPECT_NE(body.find(" Total bytes read\t- 1200\r\n"), std::string::npos);
}

TEST_F(PortLogTest, FileMovesAsideBeforeItOutgrowsItsBound)
{
    std::ofstream(path_) << std::string(kLogFileBound - 10, 'x');
    fs::permissions(path_, fs::perms(0644));
    Open();
    for (int i = 0; i < 400; ++i)
        Post(PORT_EVENT_WRITE_DATA, T0 + i, 0, std::vector<uint8_t>(1011, 'A'));
    Post(PORT_EVENT_CLOSED, T0 + 500);
    Run();
    const fs::path older = path_.string() + ".1";
    for (const fs::path& p : {path_, older}) {
        EXPECT_LE(fs::file_size(p), kLogFileBound);
        EXPECT_EQ(fs::status(p).permissions(), fs::perms(0600));
    }
    std::ifstream in(older, std::ios::binary);
    std::string head;
    std::getline(in, head);
    EXPECT_EQ(MaskDigits(head + "\n"), kOpenShape);
    EXPECT_NE(File().find(" Total bytes write\t- 404400\r\n"), std::string::npos);
}

TEST_F(PortLogTest, MalformedRecordsAndNoPathAreHarmless)
{
    queue_.Put("\x01\x02\x03", 3);  // shorter than a header
    Open();
    queue_.Put("\x05\x00\x00\x00\x0F", 5);  // a baud record without its data
    Post(PORT_EVENT_PARAMETERS, T0 + 3, 0, {'a', 'b', 'c'});  // text without its zero
    Post(200, T0 + 4);
    Run();
    EXPECT_EQ(Body(), " 00000003 - abc\r\n");

    TPortLog nowhere;
    EXPECT_FALSE(nowhere.SetFileName(""));
    EXPECT_FALSE(nowhere.SetFileName(nullptr));
    nowhere.SetQueue(&queue_);
    Open();
    Post(PORT_EVENT_WRITE_DATA, T0 + 1, 0, {'A'});
    while (nowhere.Fetch())
        nowhere.Dispatch();
    EXPECT_FALSE(nowhere.IsFileOpen());
    EXPECT_FALSE(queue_.HasMessages());
}

TEST_F(PortLogTest, ThreadWritesWhatWasQueuedBeforeItsStop)
{
    std::atomic<uint32_t> running{1};
    TPortLogParams params;
    params.queue = &queue_;
    std::strncpy(params.path, path_.c_str(), sizeof params.path - 1);
    params.running = &running;
    uint32_t result = 0;
    std::thread t([&] { result = PortLogThreadProc(&params); });

    Open();
    Post(PORT_EVENT_WRITE_DATA, T0 + 1, 0, {'A', 'T', '\r'});
    // Records reach the file while the thread runs.
    for (int i = 0; i < 200 && File().find("WRITE") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(File().find("WRITE: { 41 54 0D }"), std::string::npos);

    // Let it go idle, then post and stop at once: the close block still
    // reaches the file.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Post(PORT_EVENT_CLOSED, T0 + 50);
    running = 0;
    t.join();
    EXPECT_EQ(result, 1u);
    EXPECT_NE(File().find(" Work summary\t- 50 ms\r\n"), std::string::npos);
    EXPECT_FALSE(queue_.HasMessages());
}

TEST(PortLogThread, IdleThreadStopsPromptly)
{
    // The idle wait is 100 ms; a stop must not have to sit it out. The best
    // of three tries keeps a loaded machine from failing the test.
    TMessageQueue queue;
    auto best = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < 3; ++i) {
        std::atomic<uint32_t> running{1};
        TPortLogParams params;
        params.queue = &queue;
        params.running = &running;
        std::thread t(PortLogThreadProc, &params);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        const auto t0 = std::chrono::steady_clock::now();
        running = 0;
        t.join();
        best = std::min(best, std::chrono::steady_clock::now() - t0);
    }
    EXPECT_LT(best, std::chrono::milliseconds(50));

    EXPECT_EQ(PortLogThreadProc(nullptr), 0u);
}
