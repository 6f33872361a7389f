#pragma once
// A communicator on the simulated modem's COM port, with the modem's SIM
// message store at hand.
#include <atomic>
#include <memory>

#include "communicator/TModemComm.h"
#include "communicator/sms/SmsStoreFile.h"
#include "tools/modemsim/SmsModule.h"
#include "SimFixture.h"

class SmsFixture : public CommFixture {
protected:
    // Public vectors: two received messages with time stamps, one stored SUBMIT.
    static constexpr const char* kDeliverHello =
        "07912143658709F1040B918100551512F20000111010214365000AE8329BFD4697D9EC37";  // 2011-01-01
    static constexpr const char* kDeliverUcs2 =
        "07919730071111F10414D04937BD2C7797E9D3E614000811309291024061080442043504410442";  // 2011-03-29
    // The same text as kDeliverHello, an hour later.
    static constexpr const char* kDeliverHelloLater =
        "07912143658709F1040B918100551512F20000111010314365000AE8329BFD4697D9EC37";
    static constexpr const char* kStoredSubmit = "0011000B916407281553F80000AA0AE8329BFD4697D9EC37";

    void SetUp() override
    {
        CommFixture::SetUp();
        MakeComm();
        ASSERT_TRUE(m_comm->OpenPort(0));
    }

    modemsim::SmsModule& Sim() { return m_sim.Sms(); }

    // The store as a program started afresh would find it on the disk.
    std::vector<SMS_TO_FILE_STRUCT> StoreOnDisk() const
    {
        std::vector<SMS_TO_FILE_STRUCT> store;
        sms::LoadSmsFile((m_program / sms::kSmsFileName).string(), store);
        return store;
    }

    std::vector<std::string> CommandsLike(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& c : m_sim.Commands())
            if (c.rfind(prefix, 0) == 0)
                out.push_back(c);
        return out;
    }

};
