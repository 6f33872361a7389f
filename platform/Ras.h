#pragma once
// Dial-up networking in the shape the communicator is written against.
//
// The phone book is a file of our own ("phonebook" in the user's
// configuration folder, mode 0600, since it holds passwords). Dialling runs
// pppd on the entry's modem tty with a chat script that dials the entry's
// number and waits for CONNECT; the user name and password reach pppd through
// an inherited pipe, never on a command line. pppd's progress lines become
// state notifications on a thread of the connection's own; its exit status
// becomes one of the error codes below (the user interface words them).
// pppd ends with the program, however the program ends.
//
// pppd is told "noauth" (the network does not authenticate itself), which it
// accepts only from root; for other users an administrator's peers file
// /etc/ppp/peers/quorvix holding "noauth" is used instead when it exists.
//
// Settings for tests and unusual set-ups (read at each call):
//   QVX_PHONEBOOK_DIR  folder of the phone book (default $XDG_CONFIG_HOME/quorvix
//                      or ~/.config/quorvix)
//   QVX_PPPD           the pppd to run (default /usr/sbin/pppd; RasSetPppdPath wins)
//   QVX_CHAT           the chat program for the connect script (default /usr/sbin/chat)
//   QVX_SYSFS_NET      root of the network interfaces' counters (default /sys/class/net)
#include <cstdint>
#include <vector>
#include "platform/Types.h"

using DWORD = uint32_t;
using UINT = unsigned int;
using BOOL = int;

struct HRASCONN__;
using HRASCONN = HRASCONN__*;  // opaque, never dereferenced

// Text limits (without the terminating zero).
inline constexpr int RAS_MaxEntryName = 256;
inline constexpr int RAS_MaxPhoneNumber = 128;
inline constexpr int RAS_MaxDeviceType = 16;
inline constexpr int RAS_MaxDeviceName = 128;
inline constexpr int UNLEN = 256;
inline constexpr int PWLEN = 256;
inline constexpr int DNLEN = 15;

inline constexpr const char* RASDT_Modem = "modem";

// Entry options, protocols and kinds the communicator sets.
inline constexpr DWORD RASEO_RemoteDefaultGateway = 0x00000010;
inline constexpr DWORD RASEO_ModemLights = 0x00000100;
inline constexpr DWORD RASNP_Ipx = 0x00000002;
inline constexpr DWORD RASNP_Ip = 0x00000004;
inline constexpr DWORD RASFP_Ppp = 0x00000001;
inline constexpr DWORD RASET_Phone = 1;
inline constexpr DWORD ET_Optional = 3;

enum RASCONNSTATE : uint32_t {
    RASCS_OpenPort = 0,
    RASCS_PortOpened,
    RASCS_ConnectDevice,
    RASCS_DeviceConnected,
    RASCS_AllDevicesConnected,
    RASCS_Authenticate,
    RASCS_AuthNotify,
    RASCS_AuthRetry,
    RASCS_AuthCallback,
    RASCS_AuthChangePassword,
    RASCS_AuthProject,
    RASCS_AuthLinkSpeed,
    RASCS_AuthAck,
    RASCS_ReAuthenticate,
    RASCS_Authenticated,
    RASCS_PrepareForCallback,
    RASCS_WaitForModemReset,
    RASCS_WaitForCallback,
    RASCS_Projected,
    RASCS_StartAuthentication,
    RASCS_CallbackComplete,
    RASCS_LogonNetwork,
    RASCS_SubEntryConnected,
    RASCS_SubEntryDisconnected,
    RASCS_ApplySettings,  // the network's settings (addresses, name servers) are being applied
    RASCS_Interactive = 0x1000,
    RASCS_RetryAuthentication,
    RASCS_CallbackSetByCaller,
    RASCS_PasswordExpired,
    RASCS_InvokeEapUI,
    RASCS_Connected = 0x2000,
    RASCS_Disconnected,
};

// Error codes of the dial-up functions. System codes (LastError.h) may also appear.
enum : DWORD {
    ERROR_ENTRY_ALREADY_EXISTS = 183,      // an entry of that name exists
    ERROR_BUFFER_TOO_SMALL = 603,
    ERROR_DEVICE_DOES_NOT_EXIST = 608,
    ERROR_PORT_DISCONNECTED = 619,
    ERROR_CANNOT_OPEN_PHONEBOOK = 621,
    ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623,
    ERROR_CANNOT_WRITE_PHONEBOOK = 624,
    ERROR_DISCONNECTION = 628,
    ERROR_REMOTE_DISCONNECTION = 629,
    ERROR_USER_DISCONNECTION = 631,
    ERROR_INVALID_SIZE = 632,
    ERROR_PORT_NOT_AVAILABLE = 633,
    ERROR_UNKNOWN = 635,
    ERROR_FROM_DEVICE = 651,
    ERROR_DEVICENAME_NOT_FOUND = 659,
    ERROR_NO_CONNECTION = 668,
    ERROR_LINE_BUSY = 676,
    ERROR_NO_ANSWER = 678,
    ERROR_NO_CARRIER = 679,
    ERROR_NO_DIALTONE = 680,
    ERROR_AUTHENTICATION_FAILURE = 691,
    ERROR_PORT_OR_DEVICE = 692,
    ERROR_RASMAN_CANNOT_INITIALIZE = 711,
    ERROR_IP_CONFIGURATION = 716,
    ERROR_PPP_TIMEOUT = 718,
    ERROR_PPP_LCP_TERMINATED = 734,
};
// Also returned, with dial-up meanings of their own: ERROR_ACCESS_DENIED (pppd may
// not be run by this user), ERROR_NOT_SUPPORTED (the kernel has no PPP support),
// ERROR_INVALID_PARAMETER (a bad argument, or a number that cannot be dialled),
// ERROR_INVALID_HANDLE (no such connection).

// The notification message number passed to the notifier.
inline constexpr UINT WM_RASDIALEVENT = 0xCCCD;

struct RASENTRYA {
    DWORD dwSize = sizeof(RASENTRYA);
    DWORD dwfOptions = 0;
    char szLocalPhoneNumber[RAS_MaxPhoneNumber + 1] = {};
    DWORD dwfNetProtocols = 0;
    DWORD dwFramingProtocol = 0;
    char szDeviceType[RAS_MaxDeviceType + 1] = {};
    char szDeviceName[RAS_MaxDeviceName + 1] = {};
    DWORD dwType = 0;
    DWORD dwEncryptionType = 0;
};

struct RASDIALPARAMSA {
    DWORD dwSize = sizeof(RASDIALPARAMSA);
    char szEntryName[RAS_MaxEntryName + 1] = {};
    char szPhoneNumber[RAS_MaxPhoneNumber + 1] = {};
    char szCallbackNumber[RAS_MaxPhoneNumber + 1] = {};
    char szUserName[UNLEN + 1] = {};
    char szPassword[PWLEN + 1] = {};
    char szDomain[DNLEN + 1] = {};
};

struct RASENTRYNAMEA {
    DWORD dwSize = sizeof(RASENTRYNAMEA);
    char szEntryName[RAS_MaxEntryName + 1] = {};
};

struct RASDEVINFOA {
    DWORD dwSize = sizeof(RASDEVINFOA);
    char szDeviceType[RAS_MaxDeviceType + 1] = {};
    char szDeviceName[RAS_MaxDeviceName + 1] = {};
};

struct RASCONNSTATUSA {
    DWORD dwSize = sizeof(RASCONNSTATUSA);
    RASCONNSTATE rasconnstate = RASCS_OpenPort;
    DWORD dwError = 0;
    char szDeviceType[RAS_MaxDeviceType + 1] = {};
    char szDeviceName[RAS_MaxDeviceName + 1] = {};
};

struct RAS_STATS {
    DWORD dwSize = sizeof(RAS_STATS);
    DWORD dwBytesXmited = 0;
    DWORD dwBytesRcved = 0;
    DWORD dwFramesXmited = 0;
    DWORD dwFramesRcved = 0;
    DWORD dwCrcErr = 0;
    DWORD dwTimeoutErr = 0;
    DWORD dwAlignmentErr = 0;
    DWORD dwHardwareOverrunErr = 0;
    DWORD dwFramingErr = 0;
    DWORD dwBufferOverrunErr = 0;
    DWORD dwCompressionRatioIn = 0;
    DWORD dwCompressionRatioOut = 0;
    DWORD dwBps = 0;
    DWORD dwConnectDuration = 0;  // milliseconds since the link came up
};

struct RASDIALEXTENSIONS;  // not supported: pass null

// Called on the connection's own thread for every state change while dialling,
// last with RASCS_Connected or RASCS_Disconnected. Must not call the dial-up
// functions itself; it is never called after RasHangUpA has returned.
using RasDialFunc = void (*)(UINT unMsg, RASCONNSTATE state, DWORD dwError);

// `phonebook` null means the default phone book; any other value names a file.
DWORD RasValidateEntryNameA(const char* phonebook, const char* entryName);
DWORD RasSetEntryPropertiesA(const char* phonebook, const char* entryName, const RASENTRYA* entry,
                             DWORD entrySize, const void* deviceInfo, DWORD deviceInfoSize);
DWORD RasSetEntryDialParamsA(const char* phonebook, const RASDIALPARAMSA* params, BOOL fRemovePassword);
DWORD RasGetEntryDialParamsA(const char* phonebook, RASDIALPARAMSA* params, BOOL* pfPassword);
DWORD RasDeleteEntryA(const char* phonebook, const char* entryName);
DWORD RasEnumEntriesA(const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                      DWORD* bytes, DWORD* count);
DWORD RasEnumDevicesA(RASDEVINFOA* devices, DWORD* bytes, DWORD* count);

// Starts the dial and returns at once; progress goes to `notifier` (type 0).
// Errors found before pppd starts (no such entry or device, a number that
// cannot be dialled, pppd missing) are returned at once without a notification
// and with *conn null. Once it has returned 0 the notifier always gets a final
// state (RASCS_Connected, or RASCS_Disconnected with the error), unless the
// dial is hung up first.
DWORD RasDialA(const RASDIALEXTENSIONS* extensions, const char* phonebook, const RASDIALPARAMSA* params,
               DWORD notifierType, RasDialFunc notifier, HRASCONN* conn);
DWORD RasGetConnectStatusA(HRASCONN conn, RASCONNSTATUSA* status);
// Ends pppd (and anything it started), waits until it is gone and the tty is
// free, and forgets the handle.
DWORD RasHangUpA(HRASCONN conn);
DWORD RasGetConnectionStatistics(HRASCONN conn, RAS_STATS* stats);

// The pppd to run; empty restores the default (QVX_PPPD, else /usr/sbin/pppd).
void RasSetPppdPath(const AnsiString& path);
// The phone book file the functions use when given no phone book.
AnsiString RasDefaultPhonebookPath();

// pppds that an earlier run of the program left on `tty` (the pppd this
// layer runs, by its executable, run by this user with the connect script of
// a dial folder this user's runs made, and not this run's): each is ended as
// a hang-up ends one. Any other process is left alone. Returns their process
// ids.
std::vector<int> RasEndLeftoverLinks(const AnsiString& tty);
