#include "communicator/port/CMessage.h"
#include "communicator/port/PortEvent.h"
#include "communicator/port/TMessageQueue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

TEST(CMessage, KeepsCopyAndRefusesEmptyData)
{
    CMessage m;
    char src[] = "ABCDEF";
    ASSERT_TRUE(m.SetData(src, 6));
    src[0] = 'x';  // the node holds its own copy
    EXPECT_FALSE(m.SetData(nullptr, 3));
    EXPECT_FALSE(m.SetData(src, 0));

    char out[8] = {};
    EXPECT_EQ(m.GetData(out, 4), 4u);
    EXPECT_STREQ(out, "ABCD");
    EXPECT_EQ(m.GetData(out, sizeof out), 6u);
    EXPECT_EQ(m.GetData(nullptr, 8), 0u);
}

TEST(TMessageQueue, FirstInFirstOutWithCounts)
{
    TMessageQueue q;
    int32_t count = -1;
    EXPECT_FALSE(q.HasMessages(&count));
    EXPECT_EQ(count, 0);
    char out[16] = {};
    EXPECT_EQ(q.Get(out, sizeof out), 0u);
    EXPECT_FALSE(q.Put("x", 0));

    for (const char* s : {"one", "two", "three", "four"})
        ASSERT_TRUE(q.Put(s, static_cast<uint32_t>(std::strlen(s) + 1)));
    EXPECT_TRUE(q.HasMessages(&count));
    EXPECT_EQ(count, 4);

    EXPECT_EQ(q.Get(out, sizeof out), 4u);
    EXPECT_STREQ(out, "one");
    q.RemoveHead();  // drops "two"
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(q.Get(out, 3), 3u);  // cut to the room given, and still taken off
    EXPECT_EQ(std::string(out), "thr");
    q.HasMessages(&count);
    EXPECT_EQ(count, 1);

    q.Put("five", 5);  // append after the list was shortened from the head
    EXPECT_EQ(q.Get(out, sizeof out), 5u);
    EXPECT_STREQ(out, "four");
    EXPECT_EQ(q.Get(out, sizeof out), 5u);
    EXPECT_STREQ(out, "five");
    EXPECT_FALSE(q.HasMessages());

    q.Put("a", 1);
    q.Put("b", 1);
    q.Clear();
    EXPECT_FALSE(q.HasMessages(&count));
    EXPECT_EQ(count, 0);
    q.Put("c", 1);  // usable after a clear
    EXPECT_EQ(q.Get(out, 1), 1u);
    EXPECT_EQ(out[0], 'c');
}

TEST(TMessageQueue, TwoThreadsLoseAndReorderNothing)
{
    TMessageQueue q;
    constexpr uint32_t kCount = 20000;
    std::thread producer([&] {
        for (uint32_t i = 0; i < kCount; ++i) {
            uint32_t rec[3] = {i, ~i, i * 7u};
            q.Put(rec, sizeof rec);
        }
    });
    std::vector<uint32_t> seen;
    seen.reserve(kCount);
    while (seen.size() < kCount) {
        uint32_t rec[3] = {};
        if (q.Get(rec, sizeof rec) == sizeof rec) {
            ASSERT_EQ(rec[1], ~rec[0]);
            ASSERT_EQ(rec[2], rec[0] * 7u);
            seen.push_back(rec[0]);
        } else {
            q.WaitForMessages(5);
        }
    }
    producer.join();
    for (uint32_t i = 0; i < kCount; ++i)
        ASSERT_EQ(seen[i], i);
    EXPECT_FALSE(q.HasMessages());
}

TEST(PortEvent, BuildCutsOversizeDataToTheRecord)
{
    struct Guarded {
        PORT_EVENT_RECORD rec;
        uint8_t guard[64];
    } g;
    std::memset(&g, 0xEE, sizeof g);
    std::vector<uint8_t> big(2000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i);

    BuildPortEvent(g.rec, PORT_EVENT_READ_DATA, 1234, 0, big.data(), big.size());
    EXPECT_EQ(+g.rec.length, 1024u);  // packed fields are read by value
    EXPECT_EQ(+g.rec.code, PORT_EVENT_READ_DATA);
    EXPECT_EQ(+g.rec.time, 1234u);
    EXPECT_EQ(std::memcmp(g.rec.data, big.data(), kPortEventDataRoom), 0);
    for (uint8_t b : g.guard)
        ASSERT_EQ(b, 0xEE);

    BuildPortEvent(g.rec, PORT_EVENT_WRITE_FAILED, 5, 31, nullptr, 40);
    EXPECT_EQ(+g.rec.length, kPortEventHeaderSize);
    EXPECT_EQ(+g.rec.error, 31u);
}
