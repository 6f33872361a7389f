#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <thread>

#include "DialogTestSupport.h"
#include "ui/dialogs/TDebugFrame.h"

using uitest::Pump;
using uitest::PumpUntil;

namespace {
QStringList Shown(const TDebugFrame& f)
{
    return f.Memo1->toPlainText().split('\n');
}

void WaitFor(const std::function<bool()>& done)
{
    PumpUntil(done);
}
}  // namespace

TEST(DebugFrame, LinesFromOtherThreadsReachTheWindowInOrder)
{
    TDebugFrame frame;
    EXPECT_EQ(frame.windowTitle(), "DebugFrame");
    EXPECT_EQ(frame.size(), QSize(344, 457));
    EXPECT_EQ(Shown(frame), QStringList{"Memo1"});

    constexpr int kThreads = 4;
    constexpr int kLines = 250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&frame, t] {
            for (int i = 0; i < kLines; ++i)
                frame.Lines().Add("t" + std::to_string(t) + " " + std::to_string(i));
        });
    for (auto& th : threads)
        th.join();
    WaitFor([&] { return Shown(frame).size() >= 1 + kThreads * kLines; });
    const QStringList shown = Shown(frame);
    ASSERT_EQ(shown.size(), 1 + kThreads * kLines);
    // Every thread's lines, each thread's in its own order.
    std::vector<int> next(kThreads, 0);
    for (int i = 1; i < shown.size(); ++i) {
        const QStringList parts = shown[i].mid(1).split(' ');
        const int t = parts[0].toInt();
        EXPECT_EQ(parts[1].toInt(), next[t]++) << shown[i].toStdString();
    }
    EXPECT_EQ(frame.Lines().Count(), size_t(1 + kThreads * kLines));
}

TEST(DebugFrame, ClearEmptiesAndADisabledMemoStillReceives)
{
    TDebugFrame frame;
    frame.Lines().Add("one");
    frame.Button1->click();
    Pump();
    EXPECT_EQ(frame.Memo1->toPlainText(), "");
    EXPECT_EQ(frame.Lines().Count(), 0u);

    frame.CheckBox1->click();
    EXPECT_FALSE(frame.CheckBox1->isChecked());
    EXPECT_FALSE(frame.Memo1->isEnabled());
    std::thread([&frame] { frame.Lines().Add("while greyed"); }).join();
    WaitFor([&] { return !frame.Memo1->toPlainText().isEmpty(); });
    EXPECT_EQ(frame.Memo1->toPlainText(), "while greyed");
    frame.CheckBox1->click();
    EXPECT_TRUE(frame.Memo1->isEnabled());
}

TEST(DebugFrame, WindowGoneBeforeItsQueuedFetchIsHarmless)
{
    for (int round = 0; round < 20; ++round) {
        auto frame = std::make_unique<TDebugFrame>();
        std::thread([&frame] {
            for (int i = 0; i < 50; ++i)
                frame->Lines().Add("late");
        }).join();
        frame.reset();
        Pump();
    }
}
