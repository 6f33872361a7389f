#include "tools/modemsim/DialModule.h"

#include "tools/modemsim/AtText.h"
#include "tools/modemsim/Session.h"

namespace modemsim {

bool DialModule::Handle(const std::string& line, Session& s)
{
    std::string rest;
    if (MatchCommand(line, "H", &rest) && (rest.empty() || rest == "0")) {
        s.Ok();
        return true;
    }
    if (!MatchCommand(line, "D", &rest) || rest.empty())
        return false;
    std::string result;
    int delay;
    {
        std::lock_guard<std::mutex> lock(mu_);
        dialled_.push_back(rest);
        result = result_;
        delay = delayMs_;
    }
    if (!result.empty())
        s.SendLine(result, delay);
    return true;
}

void DialModule::SetResult(const std::string& result)
{
    std::lock_guard<std::mutex> lock(mu_);
    result_ = result;
}

void DialModule::SetDelay(int ms)
{
    std::lock_guard<std::mutex> lock(mu_);
    delayMs_ = ms;
}

std::vector<std::string> DialModule::Dialled() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return dialled_;
}

}  // namespace modemsim
