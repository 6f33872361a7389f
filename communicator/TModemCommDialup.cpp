// The dial-up connection: the phone-book entry named after the modem, the
// dial with its progress states, the link's state and the hang-up.
#include "communicator/TModemComm.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/LastError.h"
#include "platform/MessagePump.h"
#include "platform/Ticks.h"

std::atomic<uint8_t> TModemComm::g_bRasDialing{0};
std::atomic<DWORD> TModemComm::g_dwRasError{0};
std::mutex TModemComm::g_RasStateMutex;
AnsiString TModemComm::g_sRasState;

namespace {

template <size_t N>
void CopyField(char (&field)[N], const AnsiString& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), text.size() < N ? text.size() : N - 1);
}

// The longest entry name the communicator creates.
constexpr size_t kMaxEntryName = 254;

bool LinkUp(HRASCONN conn)
{
    RASCONNSTATUSA status;
    return conn != nullptr && RasGetConnectStatusA(conn, &status) == 0 && status.rasconnstate == RASCS_Connected;
}

}  // namespace

const char* TModemComm::RasStateName(uint32_t state)
{
    static const char* const low[] = {
        "RASCS_OpenPort", "RASCS_PortOpened", "RASCS_ConnectDevice", "RASCS_DeviceConnected",
        "RASCS_AllDevicesConnected", "RASCS_Authenticate", "RASCS_AuthNotify", "RASCS_AuthRetry",
        "RASCS_AuthCallback", "RASCS_AuthChangePassword", "RASCS_AuthProject", "RASCS_AuthLinkSpeed",
        "RASCS_AuthAck", "RASCS_ReAuthenticate", "RASCS_Authenticated", "RASCS_PrepareForCallback",
        "RASCS_WaitForModemReset", "RASCS_WaitForCallback", "RASCS_Projected", "RASCS_StartAuthentication",
        "RASCS_CallbackComplete", "RASCS_LogonNetwork", "RASCS_SubEntryConnected",
        "RASCS_SubEntryDisconnected"};
    static const char* const interactive[] = {"RASCS_Interactive", "RASCS_RetryAuthentication",
                                              "RASCS_CallbackSetByCaller", "RASCS_PasswordExpired",
                                              "RASCS_InvokeEapUI"};
    if (state < sizeof low / sizeof low[0])
        return low[state];
    if (state >= RASCS_Interactive && state < RASCS_Interactive + sizeof interactive / sizeof interactive[0])
        return interactive[state - RASCS_Interactive];
    if (state == RASCS_Connected)
        return "RASCS_Connected";
    if (state == RASCS_Disconnected)
        return "RASCS_Disconnected";
    return "xz";
}

void TModemComm::RasDialCallback(UINT /*message*/, RASCONNSTATE state, DWORD error)
{
    g_dwRasError = error;
    const AnsiString text = AnsiString(RasStateName(state)) + "   " + std::to_string(error);
    {
        std::lock_guard<std::mutex> lock(g_RasStateMutex);
        g_sRasState = text;
    }
    if (state == RASCS_Connected || state == RASCS_Disconnected)
        g_bRasDialing = 0;
}

AnsiString TModemComm::RasStateText()
{
    std::lock_guard<std::mutex> lock(g_RasStateMutex);
    return g_sRasState;
}

bool TModemComm::CreateEntry(const AnsiString& entryName, const AnsiString& phone, const AnsiString& userName,
                             const AnsiString& password, bool savePassword)
{
    AddToMemo("START CREATING ENTRY");
    m_dwEntryError = 0;
    const AnsiString device = GetModemName();
    if (entryName.size() > kMaxEntryName || phone.size() > RAS_MaxPhoneNumber || device.size() > RAS_MaxDeviceName
        || userName.size() > UNLEN || password.size() > PWLEN) {
        AddToMemo("Entry not created: a text is longer than the phone book allows");
        m_dwEntryError = ERROR_INVALID_PARAMETER;
        return false;
    }
    RASENTRYA entry;
    entry.dwfOptions = RASEO_RemoteDefaultGateway | RASEO_ModemLights;
    CopyField(entry.szLocalPhoneNumber, phone);
    entry.dwfNetProtocols = RASNP_Ipx | RASNP_Ip;
    entry.dwFramingProtocol = RASFP_Ppp;
    CopyField(entry.szDeviceType, RASDT_Modem);
    CopyField(entry.szDeviceName, device);
    entry.dwType = RASET_Phone;
    entry.dwEncryptionType = ET_Optional;

    ProcessMessages();
    DWORD rc = RasValidateEntryNameA(nullptr, entryName.c_str());
    ProcessMessages();
    if (rc == 0) {
        ProcessMessages();
        rc = RasSetEntryPropertiesA(nullptr, entryName.c_str(), &entry, sizeof entry, nullptr, 0);
        ProcessMessages();
    }
    if (rc == 0) {
        RASDIALPARAMSA params;
        CopyField(params.szEntryName, entryName);
        CopyField(params.szPhoneNumber, phone);
        CopyField(params.szUserName, userName);
        CopyField(params.szPassword, password);
        ProcessMessages();
        rc = RasSetEntryDialParamsA(nullptr, &params, savePassword ? 0 : 1);
        ProcessMessages();
        std::memset(params.szPassword, 0, sizeof params.szPassword);
    }
    if (rc != 0) {
        AddToMemo("Entry not created: error " + std::to_string(rc));
        m_dwEntryError = rc;
    }
    return rc == 0;
}

bool TModemComm::DeleteEntry(const AnsiString& entryName)
{
    if (entryName.empty())
        return false;
    ProcessMessages();
    const DWORD rc = RasDeleteEntryA(nullptr, entryName.c_str());
    ProcessMessages();
    return rc == 0;
}

bool TModemComm::EntryExists(const AnsiString& entryName)
{
    std::vector<RASENTRYNAMEA> entries(1);
    DWORD bytes = sizeof(RASENTRYNAMEA);
    DWORD count = 0;
    DWORD rc = ERROR_BUFFER_TOO_SMALL;
    for (int call = 0; call < 5 && rc == ERROR_BUFFER_TOO_SMALL; ++call) {
        if (call > 0) {
            entries.assign(bytes / sizeof(RASENTRYNAMEA) + 1, RASENTRYNAMEA{});
            bytes = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
        }
        rc = RasEnumEntriesA(nullptr, nullptr, entries.data(), &bytes, &count);
    }
    if (rc != 0)
        return false;
    for (DWORD i = 0; i < count && i < entries.size(); ++i)
        if (entryName == entries[i].szEntryName)
            return true;
    return false;
}

bool TModemComm::Connect(const AnsiString& userName, const AnsiString& password, const AnsiString& phone,
                         DWORD& error, const std::atomic<bool>& cancel)
{
    m_sEntryName = GetModemName();
    // An entry of this name left from an earlier run would be dialled with its
    // old number and credentials: replace it.
    if (EntryExists(m_sEntryName))
        DeleteEntry(m_sEntryName);
    const bool created = CreateEntry(m_sEntryName, phone, userName, password, true);

    {
        std::lock_guard<std::mutex> lock(m_LinkMutex);
        m_bConnected = 0;
        m_hRasConn = nullptr;
    }
    // Published once the dial is over: until then there is no link to check.
    HRASCONN conn = nullptr;
    DWORD result = 0;
    // The pauses before the dial end on a cancel (a close), which then dials nothing.
    const auto pause = [&cancel](uint32_t ms) {
        for (const uint32_t start = GetTickCount(); !TickExpired(GetTickCount(), start, ms) && !cancel.load();) {
            Sleep(10);
            ProcessMessages();
        }
        return !cancel.load();
    };
    if (created && !(pause(1000) && pause(1000))) {
        result = ERROR_USER_DISCONNECTION;
    } else if (created) {
        RASDIALPARAMSA params;
        CopyField(params.szEntryName, m_sEntryName);
        BOOL hasPassword = 0;
        RasGetEntryDialParamsA(nullptr, &params, &hasPassword);
        params.dwSize = sizeof params;
        ProcessMessages();

        {
            std::lock_guard<std::mutex> lock(g_RasStateMutex);
            g_sRasState.clear();
        }
        g_dwRasError = 0;
        g_bRasDialing = 1;
        const DWORD rc = RasDialA(nullptr, nullptr, &params, 0, RasDialCallback, &conn);
        std::memset(params.szPassword, 0, sizeof params.szPassword);
        if (rc != 0) {
            // Refused at once: no notification will come, so the loop must not wait for one.
            g_dwRasError = rc;
            g_bRasDialing = 0;
        }
        while (g_bRasDialing.load() == 1 && g_dwRasError.load() == 0 && !cancel.load()) {
            Sleep(10);
            AddToMemo(RasStateText());
            ProcessMessages();
        }
        result = g_dwRasError.load();
        // An error next to a link that is up counts as success.
        if (LinkUp(conn) && !cancel.load())
            result = 0;
        else if (result == 0)  // a dial that did not come up always says why
            result = cancel.load() ? DWORD{ERROR_USER_DISCONNECTION} : DWORD{ERROR_UNKNOWN};
    } else {
        result = m_dwEntryError != 0 ? m_dwEntryError : DWORD{ERROR_CANNOT_WRITE_PHONEBOOK};
    }

    AddToMemo("-=Connection Error: " + std::to_string(result) + "=-");
    ProcessMessages();
    const bool connected = result == 0 && !cancel.load();
    if (connected) {
        std::lock_guard<std::mutex> lock(m_LinkMutex);
        m_hRasConn = conn;
        m_bConnected = 1;
    } else {
        if (EntryExists(m_sEntryName))
            DeleteEntry(m_sEntryName);
        if (conn != nullptr)
            RasHangUpA(conn);
    }
    error = result;
    return connected;
}

void TModemComm::Disconnect()
{
    AddToMemo("Disconnecting from From Internet");
    ProcessMessages();
    HRASCONN conn = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_LinkMutex);
        conn = std::exchange(m_hRasConn, nullptr);
        m_bConnected = 0;
    }
    const DWORD rc = RasHangUpA(conn);
    ProcessMessages();
    if (rc != 0) {
        const uint32_t start = GetTickCount();
        while (LinkUp(conn) && !TickExpired(GetTickCount(), start, 2000)) {
            ProcessMessages();
            RasHangUpA(conn);
            ProcessMessages();
            AddToMemo(RasStateText());
            Sleep(50);
            ProcessMessages();
        }
        AddToMemo("Disconnected");
    }
    if (EntryExists(m_sEntryName))
        DeleteEntry(m_sEntryName);
}

bool TModemComm::LinkEnded() const
{
    std::lock_guard<std::mutex> lock(m_LinkMutex);
    return m_bConnected != 0 && !LinkUp(m_hRasConn);
}

bool TModemComm::IsRasConnected()
{
    ProcessMessages();
    {
        std::lock_guard<std::mutex> lock(m_LinkMutex);
        if (LinkUp(m_hRasConn))
            return true;
        if (m_bConnected == 0)
            return false;
        // The link dropped. Hang it up too, so pppd lets go of the tty and the
        // AT port can be opened again; the other thread waits for that here.
        if (m_hRasConn != nullptr)
            RasHangUpA(m_hRasConn);
        m_hRasConn = nullptr;
        m_bConnected = 0;
    }
    AddToMemo("Dial-up link dropped");
    if (EntryExists(m_sEntryName))
        DeleteEntry(m_sEntryName);
    return false;
}
