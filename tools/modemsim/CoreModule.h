#pragma once
// The basics every modem knows: AT, ATE0/ATE1, ATZ, AT&F, ATI.
#include <mutex>
#include <string>

#include "tools/modemsim/Module.h"

namespace modemsim {

class CoreModule : public Module {
public:
    bool Handle(const std::string& line, Session& s) override;
    void OnPowerOn(Session& s) override;
    void OnReset(Session& s) override;

    // What ATI prints, lines separated by "\r\n" (without the final OK).
    void SetIdentity(const std::string& text);
    // Echo state at power-on and after ATZ / AT&F.
    void SetProfileEcho(bool on);
    bool ProfileEcho() const;

private:
    mutable std::mutex mu_;
    std::string identity_ = "Simulated Modem\r\nModel: MS-1\r\nRevision: 1.0";
    bool profileEcho_ = true;
};

}  // namespace modemsim
