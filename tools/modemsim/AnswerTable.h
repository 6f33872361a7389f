#pragma once
// The per-test script: canned answers, delays and silence, keyed by the command
// after "AT" (upper-cased, see CommandKey). Not locked: ModemSim guards it.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace modemsim {

struct CannedAnswer {
    std::vector<std::string> pieces;  // sent in turn, `gapMs` apart
    int gapMs = 0;
    int delayMs = 0;                  // before the first piece
};

class AnswerTable {
public:
    // Keys may be given with or without "AT" ("+CSQ", "AT+CSQ"), in any case.
    static std::string Key(const std::string& command);

    void SetAnswer(const std::string& command, const std::string& answer);
    void SetPieces(const std::string& command, std::vector<std::string> pieces, int gapMs, int delayMs);
    void RemoveAnswer(const std::string& command);
    void SetDelay(const std::string& command, int delayMs);
    void SetSilent(const std::string& command, bool silent);
    // "" makes the command run to its end again.
    void SetAbortAnswer(const std::string& command, const std::string& answer);
    void Clear();

    // Looked up with the key of a received line (CommandKey).
    std::optional<CannedAnswer> Find(const std::string& key) const;
    int DelayFor(const std::string& key) const;
    bool IsSilent(const std::string& key) const;
    std::optional<std::string> AbortAnswerFor(const std::string& key) const;

private:
    std::map<std::string, CannedAnswer> answers_;
    std::map<std::string, int> delays_;
    std::map<std::string, bool> silent_;
    std::map<std::string, std::string> abortAnswers_;
};

}  // namespace modemsim
