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

#include "communicator/port/TEchoMask.h"
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
#include "communicator/OperatorTable.h"
#include "communicator/SimAnswers.h"

// ---- end of SIM, network and operator types ----

// ---- Types of the SMS section ----
#include "communicator/sms/SMS_TO_FILE_STRUCT.h"
#include "communicator/sms/STRUCT_TPDU.h"
#include "communicator/sms/SmsStoreFile.h"

// ---- end of SMS types ----

// ---- Types of the dial-up, statistics and discovery sections ----
#include "communicator/TConStatistic.h"
#include "communicator/TModemData.h"
#include "communicator/TModemList.h"
#include "platform/ModemRegistry.h"
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

    void SetPortNumber(int32_t n) { m_Cfg.ComPort = n; }
    int32_t GetPortNumber() const { return m_Cfg.ComPort; }
    void SetBaudRate(int32_t b) { m_Cfg.BaudRate = b == 0 ? 115200 : b; }
    int32_t GetBaudRate() const { return m_Cfg.BaudRate; }
    // The texts are written by the worker and read by the windows: guarded.
    void SetModemName(const AnsiString& s) { std::lock_guard<std::mutex> l(m_CfgMutex); m_Cfg.ModemName = s; }
    AnsiString GetModemName() const { std::lock_guard<std::mutex> l(m_CfgMutex); return m_Cfg.ModemName; }
    void SetSmsCentre(const AnsiString& s) { std::lock_guard<std::mutex> l(m_CfgMutex); m_Cfg.SmsCentre = s; }
    AnsiString GetSmsCentre() const { std::lock_guard<std::mutex> l(m_CfgMutex); return m_Cfg.SmsCentre; }
    void SetSimLockFlag(uint8_t b) { m_Cfg.SimLock = b; }
    uint8_t GetSimLockFlag() const { return m_Cfg.SimLock; }
    void SetOperatorName(const AnsiString& s)
    {
        std::lock_guard<std::mutex> l(m_CfgMutex);
        m_Cfg.OperatorName = s == "0" ? AnsiString() : s;
    }
    AnsiString GetOperatorNameValue() const { std::lock_guard<std::mutex> l(m_CfgMutex); return m_Cfg.OperatorName; }
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
    // The line as it may be logged: the PIN, PUK and passwords that +CPIN,
    // +CLCK and +CPWD carry starred out, one "*" for each character.
    static AnsiString MaskSecrets(const AnsiString& line);

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

    // ---- Giving way to a user action (TModemCommAt.cpp) ----
    // Raised while a user action waits for the modem: the reads and waits of
    // a thread inside a TGiveWay scope (the worker's long checks) end at once.
    // A network search such a read waits for is ended (a modem stops an
    // abortable command on any character), and a modem that does not end it
    // within a moment owes its answer: it is read, and dropped, before the
    // next command goes out or the port closes. An action that sends no
    // command (`commands` false) leaves the search running: its end is owed
    // then, and asked for by whoever reads it for a command.
    void SetModemWanted(bool wanted, bool commands = true)
    {
        m_bCommandsWanted = wanted && commands;
        m_bModemWanted = wanted;
    }
    bool ModemWanted() const { return m_bModemWanted.load(); }
    class TGiveWay {
    public:
        TGiveWay();
        ~TGiveWay();
        TGiveWay(const TGiveWay&) = delete;
        TGiveWay& operator=(const TGiveWay&) = delete;

    private:
        bool m_outer;
    };
    // The modem is wanted and the calling thread gives way.
    bool GivingWay() const;
    bool OwesAnswer() const { return m_owedMs.load() != 0; }
    // What is owed is the end of a network search the modem would not cut short.
    bool OwesSearchEnd() const { return OwesAnswer() && m_bNetworkSearch; }
    // Reads the answer left unread; false when it gave way again.
    bool ReadOwedAnswer();

    // ---- SIM and network (TModemCommSim.cpp) and operator names (TModemCommOperators.cpp) ----
    // Operator table from the program folder's Operators.dat; read once by the constructor.
    void LoadOperators();
    // Name of a numeric code text; the text itself when no table is loaded,
    // the code text itself when it is not listed or not a number.
    AnsiString GetOperatorName(const AnsiString& code);
    // Name of a stored code; the code in decimal when no table lists it.
    AnsiString GetOperatorNameByCode(int32_t code);
    bool OperatorsLoaded() const { return m_bOperatorsLoaded != 0; }

    // PIN state (PIN_STATE_* of SimAnswers.h); 0 when closed or undetermined.
    // `buf` receives the command sent, with its CR.
    int GetPinState();
    int GetPinState(AnsiString& buf);
    // Mode 2 enters `pin`, mode 3 `puk` with `pin` as the new PIN. The PIN state
    // after entry; `mode` itself when the modem did not answer or an argument
    // was refused (digits only), 0 when the port is closed.
    int EnterPin(int mode, const AnsiString& pin, const AnsiString& puk);
    // The tries the SIM has left for the PIN (mode 2) or the PUK (mode 3); -1
    // when the modem does not tell.
    int GetPinRetries(int mode);
    bool SelectOperatorAuto();
    bool SetOperatorFormat(int n);
    // The current operator's name into `name` and OperatorName; false (both
    // untouched) when not registered or the answer cannot be read.
    bool GetOperator(AnsiString& name);
    bool GetOperator();
    // The selection mode of the last +COPS? answer (0 automatic, 1 by hand,
    // 2 deregistered, ...); -1 when none was read.
    int GetSelectionMode() const { return m_iSelectionMode.load(); }
    // The operator the modem is registered with, asked for by numeric code
    // (`cops.format` says whether the modem gave the code or a name); false
    // when it is not registered. The operator format is long names again after.
    bool GetRegistration(COPS_ANSWER& cops);
    // 0..31, 99 when not known; 0 when the port is closed.
    int32_t GetSignalQuality();
    AnsiString GetIMEI();
    AnsiString GetFirmware();
    // The network scan as the modem wrote it (see ParseOperatorList).
    bool GetOperatorList(AnsiString& list);
    // Registers with the numeric `code`, on the access technology `act` when it
    // is one (a network is listed once per technology); on success [SETTINGS]
    // UserOperator := code.
    bool SelectOperatorManual(const AnsiString& code, int act = kNoAccessTechnology);
    // Reads the SIM's PIN request into SimLock (0 on failure).
    bool GetSimLock();
    // Sets the PIN request to SimLock with `pin`; `mode` receives the value sent,
    // `cmeError` the modem's +CME ERROR code (-1 for none).
    bool SetSimLock(const AnsiString& pin, int& mode, int* cmeError = nullptr);
    bool ReadSmsCentre();
    bool WriteSmsCentre();
    // auth 1 PAP, 2 CHAP, anything else none; (re)opens the configured port.
    bool SetApn(const AnsiString& apn, int auth);

    // ---- end of SIM, network and operator names ----

    // ---- SMS store and commands (TModemCommSms.cpp) ----
    // The store: m_vSms, newest first, each record's index its position;
    // Messages.bin in the current folder. Every change is saved at once.
    // -1 when the file cannot be read (the store is then empty, and an
    // existing file that could not be read is never overwritten).
    int32_t LoadSmsFile();
    // Writes through a temporary file; false leaves the old file whole.
    bool SaveSmsFile();
    void SortSms();
    // False when no record has this index or the change could not be saved.
    bool SetSmsStatus(int32_t index, int32_t status);
    // Adds a sent message dated now in its sorted place and saves; false
    // when unsaved.
    bool AddSentSms(const AnsiString& number, const WideString& text);
    bool HasUnread() const;
    // Removes the records at these positions with one save, keeping the
    // order. A position outside the store deletes nothing (false); when the
    // save fails every record is put back in its place (false).
    bool DeleteSms(const std::vector<int32_t>& positions);
    bool DeleteSms(int32_t position);
    int32_t GetSelSMSVectorPos(int32_t index) const;
    const std::vector<SMS_TO_FILE_STRUCT>& GetSmsStore() const { return m_vSms; }
    // Once for each file of the user's (Messages.bin, Messages.pending,
    // Statistic.dat) that a load found damaged (the original is kept as
    // .damaged before it is replaced), too large, unreadable or read-only
    // (left as it is): the user is to be told; `file` is its name. None when
    // nothing is left to tell.
    FileNotice TakeFileNotice(AnsiString& file);
    AnsiString GetSmsFilePath() const;

    bool SetPduMode();
    // False also when the number is not a phone number, the text does not fit
    // one message (160 septets, or 70 UCS2 units) or no prompt came.
    // `unconfirmed`: false, but the modem took the message and neither its
    // confirmation nor a refusal came (the modem went, or the wait ran out):
    // it may have gone out.
    bool SendSms(const AnsiString& number, const WideString& text, bool ucs2, bool* unconfirmed = nullptr);
    // `unanswered`: the command went out but no answer came (it may have
    // been done all the same).
    bool DeleteSmsOnSim(const AnsiString& simIndex, bool* unanswered = nullptr);
    int32_t SetSmsStorage();
    int32_t ListSms(int32_t status, std::vector<SMS_TO_FILE_STRUCT>& store);
    // Takes over the messages of a +CMGL answer: a message leaves the SIM only
    // once it decoded completely and the store holding it is saved.
    int32_t ParseSmsList(const AnsiString& answer, std::vector<SMS_TO_FILE_STRUCT>& store);
    bool ReadAllSms();

    // The PDU codec (communicator/sms); DecodePDU is true when every field
    // and the text were read.
    static void InitTPDU(STRUCT_TPDU& tpdu);
    static AnsiString EncodePDU(STRUCT_TPDU tpdu);
    bool DecodePDU(const AnsiString& pdu, STRUCT_TPDU& tpdu);
    static int32_t GetMTI(int32_t firstOctet);
    static bool HasUDH(int32_t firstOctet);
    static TPDUHeader ParseUDH(AnsiString& userDataHex);
    static AnsiString GsmToAnsi(const AnsiString& gsm);
    static AnsiString AnsiToGsm(const AnsiString& ansi);
    static AnsiString Encode7Bit(const AnsiString& ansi);
    static AnsiString Decode7Bit(const AnsiString& hex);
    static AnsiString EncodeUCS2(const WideString& text);
    static WideString DecodeUCS2(const AnsiString& hex);
    static AnsiString SwapSemiOctets(const AnsiString& text);
    static AnsiString IntToHex(int32_t value);
    static AnsiString IntToHex2(int32_t value);
    static int32_t HexToInt(const AnsiString& hex);
    static AnsiString IntToBin(int32_t value);
    static int32_t BinToInt(const AnsiString& bits);
    static AnsiString BinToHex2(const AnsiString& bits);
    static AnsiString HexToStr(const AnsiString& hex);
    static AnsiString StrToHex(const AnsiString& bytes);
    static int32_t ReadOctet(const AnsiString& pdu, int32_t& cursor, AnsiString* digits = nullptr);
    static AnsiString ReadOctetBits(const AnsiString& pdu, int32_t& cursor);

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
    // A link was up and has ended, and IsRasConnected has not followed it up
    // yet; changes nothing (any thread).
    bool LinkEnded() const;
    // The dial's notifier: records the state for the dial loop (any thread).
    static void RasDialCallback(UINT message, RASCONNSTATE state, DWORD error);
    // "RASCS_..." for a known state, "xz" for any other.
    static const char* RasStateName(uint32_t state);
    // The last state text: the state's name, three blanks, the error code.
    static AnsiString RasStateText();
    HRASCONN GetRasConnection() const
    {
        std::lock_guard<std::mutex> l(m_LinkMutex);
        return m_hRasConn;
    }
    AnsiString GetEntryName() const { return m_sEntryName; }

    // ---- end of dial-up ----

    // ---- Traffic statistics (TModemCommStatistic.cpp) ----
    void InitStatistic();
    void ReleaseStatistic();
    // Samples the link's counters, adds what moved to the totals (which saves
    // Statistic.dat) and gives the display texts; false, with the texts
    // untouched, when the counters could not be read.
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
    // Reads the modem list again when the devices changed since it was read
    // (a port came or went, or another device took a port); true when it did.
    bool RefreshModemDevices();
    // How often the list was read again so far.
    int DeviceSetChanges() const { return m_nDeviceSetChanges; }
    // The list puts the configured modem on another port than the one in use.
    bool ModemPortMoved() const;
    int GetDeviceCount() const;
    // "" while there is no list, and for an index outside it.
    AnsiString GetDeviceName(int index) const;
    AnsiString getPort(int index) const;
    // The port of the known device of this name (any case): the one on the port
    // in use, else the first; "" when none.
    AnsiString FindDevicePort(const AnsiString& name) const;
    // n of "COMn"; -1 for anything else.
    static int PortNumber(const AnsiString& portText);
    // "USB Modem #2" -> "USB Modem".
    static AnsiString StripDeviceIndex(const AnsiString& name);
    // The configured modem is listed (and, with testPort, answers AT on its port).
    bool DetectModemPort(bool testPort = false);
    bool TestDevicePort(const AnsiString& name);
    // What a port test found. A port the system refuses or another program
    // holds is no matter of waiting, unlike one that is silent or not there.
    enum class EPortTest { Answered, Silent, NotThere, NoPermission, InUse };
    // The finding of the last test by DetectModemPort or TestDevicePort.
    EPortTest LastPortTest() const { return m_eLastPortTest.load(); }

    // ---- end of discovery and presence ----

private:
    friend class TExchangeGuard;
    bool ClosingRequested() const { return m_pClosing != nullptr && m_pClosing->load(); }
    void InitSettings() { SetSmsCentre(AnsiString()); }
    void DrainStaleInput();
    // Asks the modem to end the network search it runs: any character does.
    void EndNetworkSearch();
    bool DoneReading(const AnsiString& answer) const;
    // Closing ends the read at once, or `closingGraceMs` after it began for
    // an answer still worth having (a message already handed to the modem).
    AnsiString ReadAnswer(int32_t* count, uint32_t ms, bool pinQuery, uint32_t closingGraceMs = 0,
                          bool keepPort = false);
    // For a question a modem may not know: one time-out ends it, and the port
    // stays open (what comes late is dropped before the next command).
    AnsiString ReadShort(int32_t* count, uint32_t ms);

    // ---- Object data ----
    TIniFile* m_pConfig = nullptr;
    std::unique_ptr<TPort> m_pPort;
    TMemo* m_pDebugMemo = nullptr;
    ST_DIALUP_CFG_VAL m_Cfg;
    mutable std::mutex m_CfgMutex;  // guards the record's texts
    // Set by the user interface, read by a read running on the worker thread.
    std::atomic<uint8_t> m_bAbort {0};
    // Fixed at construction: the worker's reads watch it unguarded.
    const std::atomic<bool>* const m_pClosing = nullptr;
    std::atomic<bool> m_bExchangeBusy {false};
    std::atomic<bool> m_bModemWanted {false};
    std::atomic<bool> m_bCommandsWanted {false};
    // The time-out of a read left for a user action; 0 when no answer is owed.
    std::atomic<uint32_t> m_owedMs {0};
    // The echo of the last command, starred out in the log when it carried a secret.
    TEchoMask m_EchoLog;
    // The last command sent, without its arguments: whose answer a read waits for.
    AnsiString m_sLastCommand;
    // The last command sent asks the modem to search for a network.
    bool m_bNetworkSearch = false;
    // The modem was asked to end that search (a character sent).
    std::atomic<bool> m_bSearchEndAsked {false};
    // The debug log file: how many memo lines it holds, guarded by m_LogMutex.
    std::mutex m_LogMutex;
    size_t m_nLoggedLines = 0;
    uintmax_t m_nLoggedBytes = 0;
    AnsiString m_sLogFile;

    // ---- SIM, network and operator data ----
    std::vector<STRUCT_OPERATOR_LIST> m_vOperators;
    std::atomic<int> m_iSelectionMode {-1};
    uint8_t m_bOperatorsLoaded = 0;

    // ---- end of SIM, network and operator data ----

    // ---- SMS data ----
    // Whether Messages.bin may be replaced: only once it has been read, or
    // when none exists.
    enum class SmsFileState { NotRead, Read, Unreadable };
    bool MayWriteSmsFile() const;
    std::vector<SMS_TO_FILE_STRUCT> m_vSms;
    SmsFileState m_eSmsFile = SmsFileState::NotRead;
    // PDUs taken from the SIM whose deletion there is not confirmed yet,
    // saved as Messages.pending with the store.
    std::vector<AnsiString> m_vSmsPending;
    bool SavePending();
    bool m_bPendingNotRead = false;  // Messages.pending exists but could not be read
    bool m_bSmsFileDamaged = false;   // the file as read is to be kept before a save
    FileNotice m_eSmsNotice = FileNotice::None;  // the user is still to be told
    FileNotice m_ePendingNotice = FileNotice::None;

    // ---- end of SMS data ----

    // ---- Dial-up data ----
    // The worker and the user-interface thread both check the link: one of
    // them, once, ends a link that dropped.
    mutable std::mutex m_LinkMutex;
    HRASCONN m_hRasConn = nullptr;  // guarded by m_LinkMutex
    uint8_t m_bConnected = 0;       // guarded by m_LinkMutex
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
    // The list is read again on the worker while the pages may read it.
    mutable std::recursive_mutex m_ModemDataMutex;
    std::vector<TModemKey> m_vDeviceSet;  // the devices the list was read from
    std::atomic<int> m_nDeviceSetChanges {0};
    // The first entry of this name (any case); -1 when none.
    int FindDeviceIndex(const AnsiString& name) const;
    // Presence for a device name: steps shared by DetectModemPort and TestDevicePort.
    bool DeviceListed(const AnsiString& name, bool& listOk);
    bool TestNamedDevicePort(const AnsiString& name);
    static EPortTest PortTestOfOpenError(uint32_t error);
    std::atomic<EPortTest> m_eLastPortTest {EPortTest::NotThere};

    // ---- end of discovery data ----
};
