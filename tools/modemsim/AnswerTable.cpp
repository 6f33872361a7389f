#include "tools/modemsim/AnswerTable.h"

#include "tools/modemsim/AtText.h"

namespace modemsim {

std::string AnswerTable::Key(const std::string& command)
{
    return CommandKey(command);
}

void AnswerTable::SetAnswer(const std::string& command, const std::string& answer)
{
    SetPieces(command, {answer}, 0, 0);
}

void AnswerTable::SetPieces(const std::string& command, std::vector<std::string> pieces, int gapMs, int delayMs)
{
    answers_[Key(command)] = CannedAnswer{std::move(pieces), gapMs < 0 ? 0 : gapMs, delayMs < 0 ? 0 : delayMs};
}

void AnswerTable::RemoveAnswer(const std::string& command)
{
    answers_.erase(Key(command));
}

void AnswerTable::SetDelay(const std::string& command, int delayMs)
{
    if (delayMs > 0)
        delays_[Key(command)] = delayMs;
    else
        delays_.erase(Key(command));
}

void AnswerTable::SetSilent(const std::string& command, bool silent)
{
    if (silent)
        silent_[Key(command)] = true;
    else
        silent_.erase(Key(command));
}

void AnswerTable::SetAbortAnswer(const std::string& command, const std::string& answer)
{
    if (answer.empty())
        abortAnswers_.erase(Key(command));
    else
        abortAnswers_[Key(command)] = answer;
}

void AnswerTable::Clear()
{
    answers_.clear();
    delays_.clear();
    silent_.clear();
    abortAnswers_.clear();
}

std::optional<CannedAnswer> AnswerTable::Find(const std::string& key) const
{
    auto it = answers_.find(key);
    if (it == answers_.end())
        return std::nullopt;
    return it->second;
}

int AnswerTable::DelayFor(const std::string& key) const
{
    auto it = delays_.find(key);
    return it == delays_.end() ? 0 : it->second;
}

bool AnswerTable::IsSilent(const std::string& key) const
{
    return silent_.count(key) != 0;
}

std::optional<std::string> AnswerTable::AbortAnswerFor(const std::string& key) const
{
    auto it = abortAnswers_.find(key);
    if (it == abortAnswers_.end())
        return std::nullopt;
    return it->second;
}

}  // namespace modemsim
