#include "platform/TMemo.h"

void TMemo::Add(const AnsiString& line)
{
    std::function<void()> notify;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lines.push_back(line);
        notify = m_onAdded;
    }
    if (notify)
        notify();
}

size_t TMemo::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines.size();
}

std::vector<AnsiString> TMemo::Lines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

std::vector<AnsiString> TMemo::LinesFrom(size_t first) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (first >= m_lines.size())
        return {};
    return std::vector<AnsiString>(m_lines.begin() + static_cast<long>(first), m_lines.end());
}

AnsiString TMemo::Text() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    AnsiString text;
    for (const auto& line : m_lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TMemo::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.clear();
}

void TMemo::SetOnAdded(std::function<void()> callback)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onAdded = std::move(callback);
}
