#include "tools/modemsim/CoreModule.h"

#include "tools/modemsim/AtText.h"
#include "tools/modemsim/Session.h"

namespace modemsim {

bool CoreModule::Handle(const std::string& line, Session& s)
{
    if (!IsAtLine(line))
        return false;
    const std::string cmd = CommandKey(line);
    if (cmd.empty()) {
        s.Ok();
    } else if (cmd == "E" || cmd == "E0" || cmd == "E1") {
        s.SetEcho(cmd == "E1");
        s.Ok();
    } else if (cmd == "Z" || cmd == "Z0" || cmd == "&F" || cmd == "&F0") {
        s.ResetModules();
        s.Ok();
    } else if (cmd == "I" || cmd == "I0") {
        std::string identity;
        {
            std::lock_guard<std::mutex> lock(mu_);
            identity = identity_;
        }
        s.Send("\r\n" + identity + "\r\n");
        s.Ok();
    } else {
        return false;
    }
    return true;
}

void CoreModule::OnPowerOn(Session& s)
{
    s.SetEcho(ProfileEcho());
}

void CoreModule::OnReset(Session& s)
{
    s.SetEcho(ProfileEcho());
}

void CoreModule::SetIdentity(const std::string& text)
{
    std::lock_guard<std::mutex> lock(mu_);
    identity_ = text;
}

void CoreModule::SetProfileEcho(bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    profileEcho_ = on;
}

bool CoreModule::ProfileEcho() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return profileEcho_;
}

}  // namespace modemsim
