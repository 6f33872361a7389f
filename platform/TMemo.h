#pragma once
// The debug log's lines: filled from any thread, shown by the debug window on
// its own thread. The window registers a callback that is told when lines
// were added and pulls them with LinesFrom.
#include <functional>
#include <mutex>
#include <vector>
#include "platform/Types.h"

class TMemo {
public:
    void Add(const AnsiString& line);
    size_t Count() const;
    std::vector<AnsiString> Lines() const;
    std::vector<AnsiString> LinesFrom(size_t first) const;
    // All lines joined with CR LF, as the log file holds them.
    AnsiString Text() const;
    void Clear();
    // Called after each Add, on the adding thread; keep it short.
    void SetOnAdded(std::function<void()> callback);

private:
    mutable std::mutex m_mutex;
    std::vector<AnsiString> m_lines;
    std::function<void()> m_onAdded;
};
