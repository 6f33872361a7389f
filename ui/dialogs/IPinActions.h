#pragma once
// What the PIN question needs from the main window and the communicator; the
// main window implements it (TModemComm::IsPortOpen, TModemComm::EnterPin,
// TModemComm::GetPinRetries, its own ShowMsgBox and the message pump).
#include "platform/Types.h"

class IPinActions {
public:
    virtual ~IPinActions() = default;

    virtual bool IsPortOpen() = 0;
    // Mode 2 enters the PIN, mode 3 the PUK with a new PIN. Returns the SIM
    // state afterwards: 1 ready, 2 PIN wanted, 3 PUK wanted, 0 unknown.
    virtual int EnterPin(int mode, const AnsiString& pin, const AnsiString& puk) = 0;
    // The tries the SIM has left for the PIN (mode 2) or PUK (mode 3); -1 when
    // the modem does not tell.
    virtual int PinRetries(int) { return -1; }
    // The main window's message box (owner: the main window).
    virtual int ShowMsgBox(const AnsiString& text, char type) = 0;
    virtual void ProcessMessages() {}
};
