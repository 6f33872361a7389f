#pragma once
// One COM port, opened by number, set to fixed line settings and read and
// written synchronously. Each operation can feed the port's trace log.
#include <atomic>
#include <cstdint>
#include <thread>

#include "communicator/port/PortEvent.h"
#include "communicator/port/TEchoMask.h"
#include "communicator/port/PortLogThread.h"
#include "communicator/port/TMessageQueue.h"
#include "platform/SerialPort.h"
#include "platform/TMemo.h"

// The port's own last-error codes (application range, bit 29 set).
inline constexpr uint32_t PORT_ERROR_NO_BYTE = 0x20000101;      // no byte arrived in time
inline constexpr uint32_t PORT_ERROR_SHORT_READ = 0x20000102;   // fewer bytes arrived than asked for
inline constexpr uint32_t PORT_ERROR_NO_SUCH_PORT = 0x20000103; // the port does not exist
inline constexpr uint32_t PORT_ERROR_IN_USE = 0x20000104;       // another program holds the port
inline constexpr uint32_t PORT_ERROR_NO_PERMISSION = 0x20000105; // the user may not open the port

class TPort {
public:
    enum : uint8_t { STATE_CLOSED = 0, STATE_OPEN = 1, STATE_READING = 2, STATE_WRITING = 3 };

    TPort();
    virtual ~TPort();
    TPort(const TPort&) = delete;
    TPort& operator=(const TPort&) = delete;

    virtual void Reset();

    void SetPortNumber(int32_t n) { m_nPortNumber = n; }
    int32_t GetPortNumber() const { return m_nPortNumber; }
    void SetBaudRate(uint32_t baud);
    uint32_t GetBaudRate() const { return m_Settings.BaudRate; }

    bool Open();
    bool IsOpen() const;
    bool Close(bool log);
    bool Read(void* buf, uint32_t n, uint32_t* count);
    bool ReadBufferBySize(void* buf, uint32_t n, uint32_t* count);
    bool Write(const void* buf, uint32_t n, uint32_t* written);
    // Writes bytes that carry a secret: the trace and the debug memo see
    // `masked` (as long as `buf`) instead, in the write and in its echo.
    bool WriteMasked(const char* buf, const char* masked, uint32_t n, uint32_t* written);
    // 0 also when the line reports an error; a hung-up or vanished device
    // is then remembered until the port is opened again (LineLost).
    uint32_t GetBytesWaiting();
    bool LineLost() const { return m_bLineLost; }
    bool Flush();

    void SetLogFileName(const char* path);
    void StartLogThread();
    void StopLogThread();
    uint32_t IsLogRunning() const { return m_bLogRunning.load(); }

    void SetDebugMemo(TMemo* memo) { m_pDebugMemo = memo; }
    uint8_t GetState() const { return m_State; }
    // The line settings last handed to the system (for tests and the trace).
    const DCB& GetDcb() const { return m_Dcb; }
    uint32_t GetLastReadTime() const { return m_nLastReadTime; }
    uint32_t GetLastWriteTime() const { return m_nLastWriteTime; }

private:
    void BuildDCB();
    void BuildTimeouts();
    void Post(uint8_t code, uint32_t time, uint32_t error, const void* data = nullptr, size_t n = 0);
    void Memo(const AnsiString& line);
    static void StoreCount(uint32_t* count, uint32_t value);
    // ReadBufferBySize, also giving the text as the memo shows it.
    bool ReadWaiting(void* buf, uint32_t n, uint32_t* count, AnsiString& logged);
    bool WriteLogged(const void* buf, const void* logged, uint32_t n, uint32_t* written);

    TMemo* m_pDebugMemo = nullptr;
    HANDLE m_hPort = 0;
    uint8_t m_State = STATE_CLOSED;
    DCB m_Dcb {};
    DCB m_Settings {};
    COMMTIMEOUTS m_Timeouts {};
    int32_t m_nPortNumber = 0;
    uint32_t m_nLastReadTime = 0;
    uint32_t m_nLastWriteTime = 0;
    bool m_bLineLost = false;
    TEchoMask m_EchoMask;  // the echo of the last write, when it carried a secret
    std::atomic<uint32_t> m_bLogRunning {0};
    TPortLogParams m_LogParams {};
    std::thread m_LogThread;
    char m_szLogPath[260] = {};
    TMessageQueue m_Queue;
    PORT_EVENT_RECORD m_Record {};
};
