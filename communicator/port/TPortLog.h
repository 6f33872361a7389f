#pragma once
// Writes the port's event records to the trace file (ComPort.log): one block
// per time the port was open, with the bytes written and read as hex, the
// waits, the errors and a summary. Used by the trace-log thread alone.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "communicator/port/PortEvent.h"

class TMessageQueue;

class TPortLog {
public:
    TPortLog();
    // Writes out a pending read and closes the file.
    virtual ~TPortLog();
    TPortLog(const TPortLog&) = delete;
    TPortLog& operator=(const TPortLog&) = delete;

    void SetQueue(TMessageQueue* queue) { m_pQueue = queue; }
    // A null or empty path is refused; the file is then never opened.
    bool SetFileName(const char* path);

    // Takes one record off the queue; true if one came.
    bool Fetch();
    // Handles the fetched record by its code.
    void Dispatch();

    // Appends "{ 41 54 0D }" for the given bytes to out.
    virtual void FormatData(const uint8_t* data, uint32_t n, std::string& out) const;

    // Opens the path for appending; true when the file is open.
    bool OpenFile();
    void CloseFile();
    bool IsFileOpen() const { return m_pFile != nullptr; }

    // The accumulated read run is written in lines of at most this many bytes.
    static constexpr uint32_t kReadRoom = 1024;

private:
    // Milliseconds from the open to the given record time.
    int32_t SinceOpen(uint32_t time) const { return static_cast<int32_t>(time - m_nOpenTime); }
    void Write(const std::string& text);
    void WriteSpan(int32_t from, int32_t to, const char* kind, const std::string& rest);
    void WriteErrorBlock(const char* title, const std::string& lead, const std::string& message,
                         const char* ending);
    void WriteHeader(const char* dashes, const char* title);
    void AppendRead(int32_t now, const uint8_t* data, uint32_t n);
    void WriteReadLines();
    void FlushRead();
    void ResetRead();

    TMessageQueue* m_pQueue = nullptr;
    std::FILE* m_pFile = nullptr;
    uintmax_t m_nFileSize = 0;  // bytes in the open file
    std::string m_Path;
    bool m_bFetched = false;
    uint32_t m_nFetchedSize = 0;  // data bytes of the fetched record
    std::tm m_DateTime{};         // local date and time of the last header
    uint32_t m_nOpenTime = 0;
    int32_t m_nWriteStart = 0;
    uint64_t m_nTotalRead = 0;
    uint64_t m_nTotalWritten = 0;

    // The run of reads since the last write, close, parameter or text event.
    bool m_bReading = false;
    uint8_t m_ReadBuf[kReadRoom] = {};
    uint32_t m_nReadFill = 0;
    bool m_bHasReadStart = false;
    bool m_bHasFirstByte = false;
    bool m_bWaitLineWritten = false;
    int32_t m_nReadStart = 0;
    int32_t m_nFirstByte = 0;
    int32_t m_nLastByte = 0;

    PORT_EVENT_RECORD m_Record{};
};
