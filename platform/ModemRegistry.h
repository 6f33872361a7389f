#pragma once
// The registry's modem class key as a view of the COM port map: every tty that
// can be a modem is one subkey (named after its COM number, "0005" for COM5)
// with the string values "FriendlyName" and "AttachedTo" ("COMn").
//  - Device folder (QVX_DEVICE_DIR): every entry is a modem; its name file
//    gives the FriendlyName (no name file, no FriendlyName).
//  - Kernel: USB serial ttys of modem drivers; they are all called
//    "USB Modem", since Devices.dat must know every name the view gives.
// Identical modems are told apart by " #2", " #3", ...: a device that comes
// takes the lowest number its name has free (the first, none), and keeps it
// while it stays, whichever of its twins come or go.
#include <vector>
#include "platform/Types.h"

inline constexpr const char* kModemClassKey =
    "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";
inline constexpr const char* kGenericModemName = "USB Modem";

struct TModemKey {
    AnsiString subkey;        // four digits of the COM number
    AnsiString friendlyName;  // "" when the device has none (the value is then missing)
    AnsiString attachedTo;    // "COMn"
    AnsiString device;        // the tty
    AnsiString product;       // what the USB device calls itself ("" when unknown)
    bool operator==(const TModemKey&) const = default;
};

// The modems as they are now, in COM number order.
std::vector<TModemKey> EnumerateModemKeys();

// Whether a kernel tty of this driver can be a modem. `interfaceProtocol` is
// the USB interface's protocol for ACM ttys ("" when unknown).
bool IsModemTty(const AnsiString& driver, const AnsiString& interfaceProtocol);

// Read-only access to the modem class key and its subkeys under
// HKEY_LOCAL_MACHINE, in the shape of a registry object: open a key, list its
// subkeys, read string values. Paths compare without regard to case, with or
// without a leading backslash. Each open takes a fresh snapshot of the view.
class TModemRegistry {
public:
    bool OpenKeyReadOnly(const AnsiString& path);
    void CloseKey();
    // Subkey names of the open key; none for a subkey or when nothing is open.
    std::vector<AnsiString> GetKeyNames() const;
    bool ValueExists(const AnsiString& name) const;
    // "" when the value is missing.
    AnsiString ReadString(const AnsiString& name) const;

private:
    std::vector<TModemKey> m_keys;
    int m_open = -2;  // -2 nothing open, -1 the class key, else the subkey's index
};
