#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
#include <thread>

#include "MainFrameFixture.h"
#include "ui/common/WindowMessages.h"

namespace {
class Receiver : public QObject, public TMessageWindow {
public:
    void Dispatch(TMessage& m) override
    {
        ++calls;
        onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        // The sender must still be waiting while the handler runs.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        m.Result = static_cast<LRESULT>(m.WParam) + m.LParam;
    }
    std::atomic<int> calls {0};
    std::atomic<bool> onMainThread {false};
};
}  // namespace

TEST(WindowMessages, SendFromAnotherThreadWaitsForTheHandlerOnTheWindowsThread)
{
    maintest::App();
    Receiver r;
    std::atomic<LRESULT> result {-1};
    std::atomic<bool> returned {false};
    std::thread sender([&] {
        result = SendMessage(&r, WM_CHECK_PIN, 40, 2);
        returned = true;
    });
    ASSERT_TRUE(maintest::WaitFor([&] { return returned.load(); }, 3000));
    sender.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(r.calls.load(), 1);
    EXPECT_TRUE(r.onMainThread.load());

    // On the window's own thread the handler runs at once.
    EXPECT_EQ(SendMessage(&r, WM_CHECK_PIN, 1, 1), 2);
    EXPECT_EQ(r.calls.load(), 2);
    // Posting only queues.
    EXPECT_TRUE(PostMessage(&r, WM_SIGNAL_QUALITY, 0, 0));
    EXPECT_EQ(r.calls.load(), 2);
    maintest::WaitFor([&] { return r.calls.load() == 3; }, 1000);
    EXPECT_EQ(r.calls.load(), 3);
    // Not a message window: nothing is sent.
    QObject plain;
    EXPECT_EQ(SendMessage(&plain, WM_CHECK_PIN, 1, 1), 0);
}

TEST(WindowMessages, SenderGivesUpWhenCancelledAndTheLateCallIsDropped)
{
    maintest::App();
    Receiver r;
    std::atomic<bool> stop {false};
    std::atomic<bool> returned {false};
    // The window's thread is busy (not pumping) while the sender waits.
    std::thread sender([&] {
        SendMessage(&r, WM_CHECK_PIN, 0, 0, [&] { return stop.load(); });
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    const auto t0 = std::chrono::steady_clock::now();
    while (!returned && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(2))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    sender.join();
    EXPECT_TRUE(returned.load());
    maintest::WaitFor([] { return false; }, 50);
    EXPECT_EQ(r.calls.load(), 0);
}
