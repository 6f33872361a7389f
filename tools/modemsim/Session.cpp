#include "tools/modemsim/Session.h"

namespace modemsim {

void Session::Send(const std::string& bytes, int delayMs)
{
    out_.Append(bytes, Clock::now(), delayMs);
}

void Session::SendLine(const std::string& text, int delayMs)
{
    Send("\r\n" + text + "\r\n", delayMs);
}

void Session::Pause(int ms)
{
    out_.Hold(Clock::now(), ms);
}

}  // namespace modemsim
