#pragma once
// The modem engine: owns the serial port and everything the program knows
// about the modem, and carries every AT command, SMS, dial-up and discovery
// operation. Its members are spread over a few sources by concern:
//   TModemComm.cpp            object, settings, debug log, wait
//   TModemCommAt.cpp          the AT exchange
//   TModemCommSim.cpp         SIM and network commands
//   TModemCommOperators.cpp   the operator table
//   TModemCommSms.cpp         the SMS store and SMS commands
//   TModemCommDialup.cpp      the dial-up connection
//   TModemCommStatistic.cpp   traffic statistics
//   TModemCommDiscovery.cpp   modem discovery and presence
// The engine has no lock of its own for modem traffic: the user interface
// serialises its callers. The debug log is safe from any thread.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/TIniFile.h"
#include "platform/TMemo.h"
#include "platform/Types.h"

class TPort;

// The settings that the user interface hands down and reads back.
struct ST_DIALUP_CFG_VAL {
    int32_t ComPort = 0;
    int32_t BaudRate = 115200;
    AnsiString ModemName;
    AnsiString SmsCentre;
    uint8_t SimLock = 0;
    AnsiString OperatorName;
    uint8_t UseExtLangSMS = 0;
};

// ---- Types of the SIM, network and operator sections ----

// ---- end of SIM, network and operator types ----

// ---- Types of the SMS section ----

// ---- end of SMS types ----

// ---- Types of the dial-up, statistics and discovery sections ----
#include "communicator/TConStatistic.h"
#include "communicator/TModemData.h"
#include "communicator/TModemList.h"
#include "platform/Ras.h"

// ---- end of dial-up, statistics and discovery types ----

class TModemComm {
public:
    // `config` is the main window's Config.ini object (not owned); `portLogPath`
    // the full path of ComPort.log; `closing` the main window's closing flag
    // (may be null: then nothing closes a read early).
    TModemComm(TIniFile* config, const AnsiString& portLogPath, const std::atomic<bool>* closing = nullptr);
    ~TModemComm();
    TModemComm(const TModemComm&) = delete;
    TModemComm& operator=(const TModemComm&) = delete;

    // ---- Object, settings, log and wait (TModemComm.cpp) ----
    void AddToMemo(const AnsiString& line);
    void SetDebugMemo(TMemo* memo);
    TMemo* GetDebugMemo() const { return m_pDebugMemo; }
    void Wait(uint32_t ms);
    void SetClosingFlag(const std::atomic<bool>* closing) { m_pClosing = closing; }

    void SetPortNumber(int32_t n) { m_Cfg.ComPort = n; }
    int32_t GetPortNumber() const { return m_Cfg.ComPort; }
    void SetBaudRate(int32_t b) { m_Cfg.BaudRate = b == 0 ? 115200 : b; }
    int32_t GetBaudRate() const { return m_Cfg.BaudRate; }
    void SetModemName(const AnsiString& s) { m_Cfg.ModemName = s; }
    AnsiString GetModemName() const { return m_Cfg.ModemName; }
    void SetSmsCentre(const AnsiString& s) { m_Cfg.SmsCentre = s; }
    AnsiString GetSmsCentre() const { return m_Cfg.SmsCentre; }
    void SetSimLockFlag(uint8_t b) { m_Cfg.SimLock = b; }
    uint8_t GetSimLockFlag() const { return m_Cfg.SimLock; }
    void SetOperatorName(const AnsiString& s) { m_Cfg.OperatorName = s == "0" ? AnsiString() : s; }
    AnsiString GetOperatorNameValue() const { return m_Cfg.OperatorName; }
    void SetUseExtLangSMS(uint8_t b) { m_Cfg.UseExtLangSMS = b; }
    uint8_t GetUseExtLangSMS() const { return m_Cfg.UseExtLangSMS; }
    void SetAbortFlag() { m_bAbort = 1; }
    uint8_t GetAbortFlag() const { return m_bAbort; }
    // Lets a new user action talk to the modem again after an abort.
    void ClearAbortFlag() { m_bAbort = 0; }
    TPort* GetPort() const { return m_pPort.get(); }

    // ---- AT exchange (TModemCommAt.cpp) ----
    static constexpr size_t kCommandBufferSize = 1024;
    bool IsPortOpen() const;
    bool OpenPort(int32_t n);
    bool ClosePort();
    bool SetEcho(bool on);
    bool TestPort(int32_t n);
    void SendCommand(char* buf, uint32_t len);
    void SendRaw(const char* buf, uint32_t len);
    AnsiString ReadFromPort(int32_t* count, uint32_t ms);
    AnsiString ReadFromPort2(int32_t* count, uint32_t ms);
    uint32_t ReadLine(char* buf, uint32_t size);
    uint32_t GetBytesWaiting();
    static AnsiString StripAnswer(const AnsiString& cmd, const AnsiString& answer);
    static void RemoveEcho(const AnsiString& cmd, AnsiString& answer);
    static void RemoveOkError(AnsiString& answer);
    static void RemoveCrLf(AnsiString& answer);

    // Copies "AT..." into a command buffer when it fits with its CR; false
    // (and a log line) when it does not.
    bool FormatCommand(char (&buf)[kCommandBufferSize], const AnsiString& command);
    // Builds and sends one command line; false when it was too long or the
    // port is busy with another exchange (nothing is sent then).
    bool SendAtCommand(const AnsiString& command);
    // A user-given argument may carry no quote, CR, LF, Ctrl-Z or ESC (and,
    // with `digitsOnly`, nothing but digits); a refused one is logged by
    // `what` only, never by its value.
    bool CheckArgument(const AnsiString& value, const char* what, bool digitsOnly = false);
    // True while an exchange waits for its answer.
    bool IsExchangeBusy() const { return m_bExchangeBusy.load(); }

    // ---- SIM and network (TModemCommSim.cpp) and operator names (TModemCommOperators.cpp) ----
    void LoadOperators();

    // ---- end of SIM, network and operator names ----

    // ---- SMS store and commands (TModemCommSms.cpp) ----

    // ---- end of SMS ----

    // ---- Dial-up (TModemCommDialup.cpp) ----
    // The phone-book entry named after the modem, with its dial parameters.
    // Texts longer than the phone book's fields are refused, not cut.
    bool CreateEntry(const AnsiString& entryName, const AnsiString& phone, const AnsiString& userName,
                     const AnsiString& password, bool savePassword);
    bool DeleteEntry(const AnsiString& entryName);
    // Exact, case-sensitive match.
    bool EntryExists(const AnsiString& entryName);
    // Dials with the profile; true when the link is up. `error` gets the
    // dial-up error code (0 on success, never 0 on failure). `cancel` ends the
    // dial early (the main window's closing flag).
    bool Connect(const AnsiString& userName, const AnsiString& password, const AnsiString& phone, DWORD& error,
                 const std::atomic<bool>& cancel);
    void Disconnect();
    // True while the link is up; a link found dropped is hung up and forgotten.
    bool IsRasConnected();
    // The dial's notifier: records the state for the dial loop (any thread).
    static void RasDialCallback(UINT message, RASCONNSTATE state, DWORD error);
    // "RASCS_..." for a known state, "xz" for any other.
    static const char* RasStateName(uint32_t state);
    // The last state text: the state's name, three blanks, the error code.
    static AnsiString RasStateText();
    HRASCONN GetRasConnection() const { return m_hRasConn; }
    AnsiString GetEntryName() const { return m_sEntryName; }

    // ---- end of dial-up ----

    // ---- Traffic statistics (TModemCommStatistic.cpp) ----
    void InitStatistic();
    void ReleaseStatistic();
    // Samples the link's counters, adds what moved to the totals (which saves
    // Statistic.dat) and gives the display texts; always true, the texts are
    // changed only when the counters could be read.
    bool GetStatistics(AnsiString& receivedTotal, AnsiString& receivedSpeed, AnsiString& sentTotal,
                       AnsiString& sentSpeed, AnsiString& connectTime);
    // Scales `value` for display and returns its unit (B, KB, MB, GB, TB).
    static AnsiString FormatBytes(double& value);
    // The next sample counts from zero: called before each dial.
    void ResetTrafficSamples() { m_dLastReceived = m_dLastSent = m_dLastTime = 0.0; }
    TConStatistic* GetStatistic() const { return m_pStatistic.get(); }

    // ---- end of traffic statistics ----

    // ---- Discovery and presence (TModemCommDiscovery.cpp) ----
    void InitModemDevices();
    void ReleaseModemDevices();
    void EnumModems();
    void FilterModems();
    int GetDeviceCount() const;
    // "" while there is no list, and for an index outside it.
    AnsiString GetDeviceName(int index) const;
    AnsiString getPort(int index) const;
    // The port of the first known device of this name (any case); "" when none.
    AnsiString FindDevicePort(const AnsiString& name) const;
    // n of "COMn"; -1 for anything else.
    static int PortNumber(const AnsiString& portText);
    // "USB Modem #2" -> "USB Modem".
    static AnsiString StripDeviceIndex(const AnsiString& name);
    bool DetectModemPort();
    bool TestDevicePort(const AnsiString& name);

    // ---- end of discovery and presence ----

private:
    friend class TExchangeGuard;
    bool ClosingRequested() const { return m_pClosing != nullptr && m_pClosing->load(); }
    void InitSettings() { m_Cfg.SmsCentre.clear(); }
    void DrainStaleInput();
    bool DoneReading(const AnsiString& answer) const;

    // ---- Object data ----
    TIniFile* m_pConfig = nullptr;
    std::unique_ptr<TPort> m_pPort;
    TMemo* m_pDebugMemo = nullptr;
    ST_DIALUP_CFG_VAL m_Cfg;
    uint8_t m_bAbort = 0;
    const std::atomic<bool>* m_pClosing = nullptr;
    std::atomic<bool> m_bExchangeBusy {false};
    // The debug log file: how many memo lines it holds, guarded by m_LogMutex.
    std::mutex m_LogMutex;
    size_t m_nLoggedLines = 0;
    uintmax_t m_nLoggedBytes = 0;
    AnsiString m_sLogFile;

    // ---- SIM, network and operator data ----

    // ---- end of SIM, network and operator data ----

    // ---- SMS data ----

    // ---- end of SMS data ----

    // ---- Dial-up data ----
    HRASCONN m_hRasConn = nullptr;
    uint8_t m_bConnected = 0;
    AnsiString m_sEntryName;
    DWORD m_dwEntryError = 0;  // why the last CreateEntry failed
    // Shared with the notifier's thread while a dial runs.
    static std::atomic<uint8_t> g_bRasDialing;
    static std::atomic<DWORD> g_dwRasError;
    static std::mutex g_RasStateMutex;
    static AnsiString g_sRasState;  // guarded by g_RasStateMutex

    // ---- end of dial-up data ----

    // ---- Statistics data ----
    std::unique_ptr<TConStatistic> m_pStatistic;
    double m_dLastReceived = 0.0;
    double m_dLastSent = 0.0;
    double m_dLastTime = 0.0;

    // ---- end of statistics data ----

    // ---- Discovery data ----
    std::unique_ptr<TModemList> m_pModemList;
    int32_t m_nModemCount = 0;
    std::unique_ptr<TModemData[]> m_pModemData;  // null before the first enumeration
    // Presence for a device name: steps shared by DetectModemPort and TestDevicePort.
    bool DeviceListed(const AnsiString& name, bool& listOk);
    bool TestNamedDevicePort(const AnsiString& name);

    // ---- end of discovery data ----
};
