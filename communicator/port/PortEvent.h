#pragma once
// The record a port builds for each thing it does, for the trace-log thread.
#include <cstddef>
#include <cstdint>
#include <cstring>

#pragma pack(push, 1)
struct PORT_EVENT_RECORD {
    uint32_t length;  // header size + number of data bytes
    uint8_t code;     // PORT_EVENT_*
    uint32_t time;    // timeGetTime() of the event, in ms
    uint32_t error;   // system error code of a failure event
    uint8_t data[1011];
};
#pragma pack(pop)
static_assert(sizeof(PORT_EVENT_RECORD) == 1024);

inline constexpr uint32_t kPortEventHeaderSize = 13, kPortEventDataRoom = 1011;
static_assert(offsetof(PORT_EVENT_RECORD, data) == kPortEventHeaderSize);

enum : uint8_t {
    PORT_EVENT_OPENED = 1,
    PORT_EVENT_OPEN_FAILED = 2,
    PORT_EVENT_CLOSED = 3,
    PORT_EVENT_CLOSE_FAILED = 4,
    PORT_EVENT_READ_BEGIN = 9,
    PORT_EVENT_READ_DATA = 10,
    PORT_EVENT_READ_FAILED = 11,
    PORT_EVENT_WRITE_BEGIN = 12,
    PORT_EVENT_WRITE_DATA = 13,
    PORT_EVENT_WRITE_FAILED = 14,
    PORT_EVENT_BAUD_RATE = 15,
    PORT_EVENT_PARAMETERS = 17,
};

// Fills a record; data longer than the record's room is cut to kPortEventDataRoom
// (never overflows). Null data counts as none. Put `rec.length` bytes of it.
inline void BuildPortEvent(PORT_EVENT_RECORD& rec, uint8_t code, uint32_t time, uint32_t error,
                           const void* data, size_t n)
{
    if (data == nullptr)
        n = 0;
    if (n > kPortEventDataRoom)
        n = kPortEventDataRoom;
    rec.length = kPortEventHeaderSize + static_cast<uint32_t>(n);
    rec.code = code;
    rec.time = time;
    rec.error = error;
    if (n > 0)
        std::memcpy(rec.data, data, n);
}
