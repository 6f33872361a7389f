#include "tools/modemsim/DialModule.h"

#include <gtest/gtest.h>

#include <memory>

#include "HostTty.h"
#include "tools/modemsim/ModemSim.h"

using namespace modemsim;

namespace {

TEST(DialModule, DialsAnswerWithTheChosenResult)
{
    ModemSim modem;
    auto dial = std::make_shared<DialModule>();
    modem.AddModule(dial);
    modem.SetEcho(false);
    ASSERT_TRUE(modem.Start());
    HostTty host(modem.DevicePath());
    ASSERT_TRUE(host.IsOpen());

    host.Write("ATD*99#\r");
    EXPECT_EQ(host.ReadUntil("CONNECT 7200000\r\n", 1000), "\r\nCONNECT 7200000\r\n");
    dial->SetResult("BUSY");
    host.Write("atd*99***1#\r");
    EXPECT_EQ(host.ReadUntil("BUSY\r\n", 1000), "\r\nBUSY\r\n");
    host.Write("ATH\r");
    EXPECT_EQ(host.ReadUntil("OK\r\n", 1000), "\r\nOK\r\n");
    dial->SetResult("");
    host.Write("ATD123\r");
    EXPECT_EQ(host.ReadFor(200), "");
    EXPECT_EQ(dial->Dialled(), (std::vector<std::string>{"*99#", "*99***1#", "123"}));
    // ATD alone is no dial; nobody else takes it either.
    host.Write("ATD\r");
    EXPECT_EQ(host.ReadUntil("ERROR\r\n", 1000), "\r\nERROR\r\n");
}

}  // namespace
