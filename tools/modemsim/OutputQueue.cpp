#include "tools/modemsim/OutputQueue.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace modemsim {

void OutputQueue::Append(const std::string& bytes, Clock::time_point now, int delayMs)
{
    const Clock::time_point due = std::max(now, tail_) + std::chrono::milliseconds(std::max(0, delayMs));
    tail_ = due;
    hold_ = false;
    if (!items_.empty() && items_.back().due == due)
        items_.back().bytes += bytes;
    else
        items_.push_back({due, bytes});
}

void OutputQueue::Hold(Clock::time_point now, int ms)
{
    if (ms <= 0)
        return;
    tail_ = std::max(now, tail_) + std::chrono::milliseconds(ms);
    hold_ = true;
}

void OutputQueue::Insert(const std::string& bytes, Clock::time_point now)
{
    auto it = std::find_if(items_.begin(), items_.end(), [&](const Item& i) { return i.due > now; });
    items_.insert(it, Item{now, bytes});
}

bool OutputQueue::HasDue(Clock::time_point now) const
{
    return !items_.empty() && items_.front().due <= now;
}

OutputQueue::Clock::time_point OutputQueue::NextDue() const
{
    if (!items_.empty())
        return items_.front().due;
    return tail_;
}

void OutputQueue::DropExpiredHold(Clock::time_point now)
{
    if (hold_ && items_.empty() && tail_ <= now)
        hold_ = false;
}

bool OutputQueue::WriteDue(int fd, Clock::time_point now)
{
    while (HasDue(now)) {
        Item& front = items_.front();
        if (front.bytes.empty()) {
            items_.pop_front();
            continue;
        }
        const ssize_t n = ::write(fd, front.bytes.data(), front.bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        front.bytes.erase(0, static_cast<size_t>(n));
        if (front.bytes.empty())
            items_.pop_front();
    }
    DropExpiredHold(now);
    return true;
}

void OutputQueue::Clear()
{
    items_.clear();
    hold_ = false;
    tail_ = {};
}

}  // namespace modemsim
