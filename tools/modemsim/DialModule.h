#pragma once
// Data calls: "ATD<number>" gets CONNECT (or another result chosen by the test),
// so the dial-up tests can dial through the pppd stand-in; "ATH" hangs up.
// The line stays in command mode after CONNECT: the stand-in sends no PPP.
//
//   auto dial = std::make_shared<modemsim::DialModule>(); modem.AddModule(dial);
//   dial->SetResult("NO CARRIER");   // the next dials fail
//   modem.SendRaw("\r\nNO CARRIER\r\n");  // the network drops an established call
#include <mutex>
#include <string>
#include <vector>

#include "tools/modemsim/Module.h"

namespace modemsim {

class DialModule : public Module {
public:
    bool Handle(const std::string& line, Session& s) override;

    // The result line of a dial ("CONNECT 7200000" by default); "" answers nothing.
    void SetResult(const std::string& result);
    // Time the network takes to answer a dial.
    void SetDelay(int ms);
    // Every number dialled, oldest first.
    std::vector<std::string> Dialled() const;

private:
    mutable std::mutex mu_;
    std::string result_ = "CONNECT 7200000";
    int delayMs_ = 0;
    std::vector<std::string> dialled_;
};

}  // namespace modemsim
