#pragma once
// The communicator operations the main window calls, under their own names.
// Each forwards to the TModemComm member of that name. While a member is not
// part of the communicator yet, the call compiles to a marked stand-in
// ("[stub]" in the debug log) that reports failure, or uses the port map for
// the device list and presence, so the window keeps working with what exists.
#include <atomic>
#include <cstdint>

#include "communicator/TModemComm.h"
#include "platform/PortMap.h"

namespace Comm {

namespace detail {
template <class C>
void Stub(C& c, const char* what)
{
    c.AddToMemo(AnsiString("[stub] TModemComm::") + what + " is not available in this build");
}

inline AnsiString Upper(AnsiString s)
{
    for (char& ch : s)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return s;
}

// Port-map stand-ins for the modem list: one entry per COM port.
inline const TComPortEntry* PortEntry(int index, std::vector<TComPortEntry>& store)
{
    store = EnumerateComPorts();
    return index >= 0 && index < static_cast<int>(store.size()) ? &store[static_cast<size_t>(index)] : nullptr;
}
inline int PortByName(const AnsiString& name)
{
    for (const TComPortEntry& e : EnumerateComPorts())
        if (Upper(e.friendlyName) == Upper(name))
            return e.number;
    return 0;
}
}  // namespace detail

template <class C = TModemComm>
int GetDeviceCount(C& c)
{
    if constexpr (requires { c.GetDeviceCount(); })
        return c.GetDeviceCount();
    else
        return static_cast<int>(EnumerateComPorts().size());
}

template <class C = TModemComm>
AnsiString GetDeviceName(C& c, int index)
{
    if constexpr (requires { c.GetDeviceName(index); }) {
        return c.GetDeviceName(index);
    } else {
        std::vector<TComPortEntry> store;
        const TComPortEntry* e = detail::PortEntry(index, store);
        return e == nullptr ? AnsiString() : e->friendlyName;
    }
}

template <class C = TModemComm>
AnsiString getPort(C& c, int index)
{
    if constexpr (requires { c.getPort(index); }) {
        return c.getPort(index);
    } else {
        std::vector<TComPortEntry> store;
        const TComPortEntry* e = detail::PortEntry(index, store);
        return e == nullptr ? AnsiString() : "COM" + std::to_string(e->number);
    }
}

template <class C = TModemComm>
bool TestDevicePort(C& c, const AnsiString& name)
{
    if constexpr (requires { c.TestDevicePort(name); }) {
        return c.TestDevicePort(name);
    } else {
        const int n = detail::PortByName(name);
        return n > 0 && c.TestPort(n);
    }
}

template <class C = TModemComm>
bool DetectModemPort(C& c)
{
    if constexpr (requires { c.DetectModemPort(); }) {
        return c.DetectModemPort();
    } else {
        const int n = detail::PortByName(c.GetModemName());
        const bool ok = n > 0 && c.TestPort(n);
        if (!ok && c.IsPortOpen())
            c.ClosePort();
        return ok;
    }
}

template <class C = TModemComm>
int GetPinState(C& c, AnsiString& buf)
{
    if constexpr (requires { c.GetPinState(buf); }) {
        return c.GetPinState(buf);
    } else {
        detail::Stub(c, "GetPinState");
        return 0;
    }
}

template <class C = TModemComm>
int EnterPin(C& c, int mode, const AnsiString& pin, const AnsiString& puk)
{
    if constexpr (requires { c.EnterPin(mode, pin, puk); }) {
        return c.EnterPin(mode, pin, puk);
    } else {
        detail::Stub(c, "EnterPin");
        return 0;
    }
}

template <class C = TModemComm>
bool GetOperator(C& c, AnsiString& name)
{
    if constexpr (requires { c.GetOperator(name); }) {
        return c.GetOperator(name);
    } else {
        detail::Stub(c, "GetOperator");
        return false;
    }
}

template <class C = TModemComm>
bool SelectOperatorAuto(C& c)
{
    if constexpr (requires { c.SelectOperatorAuto(); }) {
        return c.SelectOperatorAuto();
    } else {
        detail::Stub(c, "SelectOperatorAuto");
        return false;
    }
}

template <class C = TModemComm>
int GetSignalQuality(C& c)
{
    if constexpr (requires { c.GetSignalQuality(); }) {
        return static_cast<int>(c.GetSignalQuality());
    } else {
        detail::Stub(c, "GetSignalQuality");
        return 0;
    }
}

template <class C = TModemComm>
AnsiString GetIMEI(C& c)
{
    if constexpr (requires { c.GetIMEI(); }) {
        return c.GetIMEI();
    } else {
        detail::Stub(c, "GetIMEI");
        return AnsiString();
    }
}

template <class C = TModemComm>
AnsiString GetFirmware(C& c)
{
    if constexpr (requires { c.GetFirmware(); }) {
        return c.GetFirmware();
    } else {
        detail::Stub(c, "GetFirmware");
        return AnsiString();
    }
}

template <class C = TModemComm>
bool SetApn(C& c, const AnsiString& apn, int auth)
{
    if constexpr (requires { c.SetApn(apn, auth); }) {
        return c.SetApn(apn, auth);
    } else {
        detail::Stub(c, "SetApn");
        return false;
    }
}

template <class C = TModemComm>
bool ReadAllSms(C& c)
{
    if constexpr (requires { c.ReadAllSms(); }) {
        return c.ReadAllSms();
    } else {
        detail::Stub(c, "ReadAllSms");
        return false;
    }
}

template <class C = TModemComm>
bool SaveSmsFile(C& c)
{
    if constexpr (requires { c.SaveSmsFile(); }) {
        return c.SaveSmsFile();
    } else {
        detail::Stub(c, "SaveSmsFile");
        return false;
    }
}

template <class C = TModemComm>
bool IsRasConnected(C& c)
{
    if constexpr (requires { c.IsRasConnected(); })
        return c.IsRasConnected();
    else
        return false;  // no dial-up layer: never a link
}

template <class C = TModemComm>
bool Connect(C& c, const AnsiString& user, const AnsiString& password, const AnsiString& phone, uint32_t& error,
             const std::atomic<bool>& cancel)
{
    if constexpr (requires(decltype(error) e) { c.Connect(user, password, phone, e, cancel); }) {
        return c.Connect(user, password, phone, error, cancel);
    } else {
        detail::Stub(c, "Connect");
        error = 1;
        return false;
    }
}

template <class C = TModemComm>
void Disconnect(C& c)
{
    if constexpr (requires { c.Disconnect(); })
        c.Disconnect();
    else
        detail::Stub(c, "Disconnect");
}

template <class C = TModemComm>
void ResetTrafficSamples(C& c)
{
    if constexpr (requires { c.ResetTrafficSamples(); })
        c.ResetTrafficSamples();
}

}  // namespace Comm
