// SIM and network commands: PIN, SIM lock, operator, signal, identity,
// service centre and the packet-data context.
#include "communicator/TModemComm.h"

#include <cstring>

#include "communicator/SimAnswers.h"
#include "platform/MessagePump.h"

namespace {

const char* const kOk = "\r\nOK\r\n";
const char* const kError = "\r\nERROR\r\n";
// A modem that knows the command answers it at once.
constexpr uint32_t kShortReadMs = 1000;

bool Has(const AnsiString& answer, const char* text) { return answer.find(text) != AnsiString::npos; }

// Sends one command and reads its answer; nothing read when it could not be sent.
AnsiString Exchange(TModemComm& comm, const AnsiString& command, uint32_t ms, int32_t& count)
{
    count = 0;
    if (!comm.SendAtCommand(command))
        return AnsiString();
    return comm.ReadFromPort(&count, ms);
}

// A PIN or PUK goes into a command only as a non-empty run of digits; the log
// names what was refused, never its value.
bool CheckSecret(TModemComm& comm, const AnsiString& value, const char* what)
{
    if (value.empty()) {
        comm.AddToMemo(AnsiString("Refused ") + what + ": empty");
        return false;
    }
    return comm.CheckArgument(value, what, true);
}

}  // namespace

int TModemComm::GetPinState()
{
    AnsiString buf;
    return GetPinState(buf);
}

int TModemComm::GetPinState(AnsiString& buf)
{
    buf.clear();
    if (!IsPortOpen())
        return PIN_STATE_UNKNOWN;
    const AnsiString command = AnsiString("AT+CPIN") + "?";
    if (!SendAtCommand(command))
        return PIN_STATE_UNKNOWN;
    buf = command + "\r";
    int32_t count = 0;
    const AnsiString answer = ReadFromPort2(&count, 1500);
    if (count == 0)
        return PIN_STATE_UNKNOWN;
    return ParsePinState(command, answer);
}

int TModemComm::EnterPin(int mode, const AnsiString& pin, const AnsiString& puk)
{
    AnsiString command;
    if (mode == PIN_STATE_SIM_PIN) {
        if (!CheckSecret(*this, pin, "PIN"))
            return mode;
        command = AnsiString("AT+CPIN") + "=\"" + pin + "\"";
    } else if (mode == PIN_STATE_SIM_PUK) {
        if (!CheckSecret(*this, puk, "PUK") || !CheckSecret(*this, pin, "new PIN"))
            return mode;
        command = AnsiString("AT+CPIN") + "=\"" + puk + "\",\"" + pin + "\"";
    } else {
        AddToMemo("EnterPin: unknown mode " + std::to_string(mode));
        return PIN_STATE_UNKNOWN;
    }
    ProcessMessages();
    if (!IsPortOpen())
        return PIN_STATE_UNKNOWN;
    int32_t count = 0;
    Exchange(*this, command, 1500, count);
    ProcessMessages();
    if (count == 0)
        return mode;
    Wait(1500);
    return GetPinState();
}

int TModemComm::GetPinRetries(int mode)
{
    if (!IsPortOpen() || (mode != PIN_STATE_SIM_PIN && mode != PIN_STATE_SIM_PUK))
        return -1;
    const AnsiString code = mode == PIN_STATE_SIM_PIN ? "SIM PIN" : "SIM PUK";
    // Many sticks do not know the command: their silence must cost neither
    // time nor the port.
    if (!SendAtCommand(AnsiString("AT") + "+CPINR=\"" + code + "\""))
        return -1;
    int32_t count = 0;
    const AnsiString answer = ReadShort(&count, kShortReadMs);
    return count > 0 ? ParsePinRetries(answer, code) : -1;
}

bool TModemComm::SelectOperatorAuto()
{
    if (!IsPortOpen())
        return false;
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, AnsiString("AT") + "+COPS" + "=0", 20000, count);
    // A search ended for a user action leaves the modem to that action.
    if (!Has(answer, kOk) || GivingWay())
        return false;
    return GetOperator();
}

bool TModemComm::SetOperatorFormat(int n)
{
    if (!IsPortOpen())
        return false;
    int32_t count = 0;
    return Has(Exchange(*this, AnsiString("AT") + "+COPS" + "=3," + std::to_string(n), 1000, count), kOk);
}

bool TModemComm::GetOperator()
{
    AnsiString name;
    return GetOperator(name);
}

bool TModemComm::GetOperator(AnsiString& name)
{
    ProcessMessages();
    m_iSelectionMode = -1;
    if (!IsPortOpen())
        return false;
    SetOperatorFormat(0);
    // A format command that timed out has closed the port: nothing to ask then.
    if (!IsPortOpen())
        return false;
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, AnsiString("AT") + "+COPS" + "?", 5000, count);
    ProcessMessages();
    if (count == 0)
        return false;
    COPS_ANSWER cops;
    const EOperatorAnswer parsed = ParseOperatorAnswer(answer, cops);
    m_iSelectionMode = cops.mode;
    switch (parsed) {
    case EOperatorAnswer::NotRegistered:
        AddToMemo("Operator: not registered");
        return false;
    case EOperatorAnswer::Malformed:
        AddToMemo("Operator: answer not understood");
        return false;
    case EOperatorAnswer::Registered:
        break;
    }
    // Modems that ignore the format command still answer by number.
    const AnsiString result = cops.format == 2 ? GetOperatorName(cops.oper) : cops.oper;
    name = result;
    SetOperatorName(result);
    return true;
}

bool TModemComm::GetRegistration(COPS_ANSWER& cops)
{
    cops = COPS_ANSWER {};
    if (!IsPortOpen() || !SetOperatorFormat(2))
        return false;
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, AnsiString("AT") + "+COPS" + "?", 5000, count);
    if (IsPortOpen())
        SetOperatorFormat(0);
    return count > 0 && ParseOperatorAnswer(answer, cops) == EOperatorAnswer::Registered;
}

int32_t TModemComm::GetSignalQuality()
{
    if (!IsPortOpen())
        return 0;
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, "AT+CSQ", 1500, count);
    if (count == 0 || Has(answer, kError))
        return kSignalUnknown;
    return ParseSignalQuality(answer);
}

AnsiString TModemComm::GetIMEI()
{
    ProcessMessages();
    if (!IsPortOpen())
        return AnsiString();
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, AnsiString("AT") + "+CGSN", 3000, count);
    ProcessMessages();
    const AnsiString imei = Has(answer, kOk) ? ParseImei(answer) : AnsiString();
    AddToMemo(imei.empty() ? "Error getting IMEI" : "We have an IMEI");
    return imei;
}

AnsiString TModemComm::GetFirmware()
{
    ProcessMessages();
    if (!IsPortOpen())
        return AnsiString();
    const AnsiString command = AnsiString("AT") + "+CGMR";
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, command, 3000, count);
    ProcessMessages();
    if (!Has(answer, kOk)) {
        AddToMemo("Error getting Firmware");
        return AnsiString();
    }
    AddToMemo("We have Firmware");
    return ParseFirmware(command, answer);
}

bool TModemComm::GetOperatorList(AnsiString& list)
{
    if (!IsPortOpen())
        return false;
    const AnsiString command = AnsiString("AT") + "+COPS" + "=?";
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, command, 60000, count);
    if (count == 0 || !Has(answer, kOk))
        return false;
    list = ExtractOperatorList(command, answer);
    return true;
}

bool TModemComm::SelectOperatorManual(const AnsiString& code, int act)
{
    if (!IsPortOpen())
        return false;
    if (!CheckArgument(code, "operator code"))
        return false;
    AnsiString command = AnsiString("AT") + "+COPS" + "=1,2,\"" + code + "\"";
    if (act >= 0)
        command += "," + std::to_string(act);
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, command, 60000, count);
    Wait(1000);
    if (!Has(answer, kOk))
        return false;
    if (m_pConfig != nullptr)
        m_pConfig->WriteString("SETTINGS", "UserOperator", code);
    return true;
}

bool TModemComm::GetSimLock()
{
    if (!IsPortOpen()) {
        m_Cfg.SimLock = 0;
        return false;
    }
    const AnsiString command = AnsiString("AT") + "+CLCK" + "=\"SC\",2";
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, command, 1500, count);
    bool locked = false;
    if (count == 0 || !Has(answer, kOk) || !ParseSimLock(command, answer, locked)) {
        m_Cfg.SimLock = 0;
        return false;
    }
    m_Cfg.SimLock = locked ? 1 : 0;
    return true;
}

bool TModemComm::SetSimLock(const AnsiString& pin, int& mode, int* cmeError)
{
    if (cmeError != nullptr)
        *cmeError = -1;
    if (!IsPortOpen())
        return false;
    mode = m_Cfg.SimLock;
    if (!CheckSecret(*this, pin, "PIN"))
        return false;
    const AnsiString command =
        AnsiString("AT") + "+CLCK" + "=\"SC\"," + std::to_string(mode) + ",\"" + pin + "\"";
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, command, 1500, count);
    if (count == 0)
        return false;
    if (cmeError != nullptr)
        *cmeError = ParseCmeError(answer);
    GetSimLock();
    return Has(answer, kOk);
}

bool TModemComm::ReadSmsCentre()
{
    if (!IsPortOpen()) {
        SetSmsCentre(AnsiString());
        return false;
    }
    int32_t count = 0;
    const AnsiString answer = Exchange(*this, AnsiString("AT") + "+CSCA" + "?", 1500, count);
    if (count == 0 || !Has(answer, kOk)) {
        SetSmsCentre(AnsiString());
        return false;
    }
    AnsiString centre;
    if (!ParseSmsCentre(answer, centre))
        return false;
    SetSmsCentre(centre);
    return true;
}

bool TModemComm::WriteSmsCentre()
{
    bool ok = false;
    const AnsiString centre = GetSmsCentre();
    if (IsPortOpen() && CheckArgument(centre, "service centre number")) {
        int32_t count = 0;
        const AnsiString answer = Exchange(*this, AnsiString("AT") + "+CSCA" + "=\"" + centre + "\"", 1500, count);
        ok = count > 0 && Has(answer, kOk);
    }
    // Show what the modem holds now, whatever became of the write.
    ReadSmsCentre();
    return ok;
}

bool TModemComm::SetApn(const AnsiString& apn, int auth)
{
    if (!CheckArgument(apn, "access point name"))
        return false;
    const char* prefix = auth == 1 ? "pap:" : auth == 2 ? "chap:" : "";
    const AnsiString command = "AT+CGDCONT=1,\"IP\",\"" + (apn.empty() ? AnsiString() : prefix + apn) + "\"";
    char buf[kCommandBufferSize];
    if (!FormatCommand(buf, command))
        return false;
    if (!OpenPort(0))
        return false;
    const uint32_t len = static_cast<uint32_t>(command.size());
    SendCommand(buf, len);
    int32_t count = 0;
    if (Has(ReadFromPort(&count, 1000), kOk))
        return true;
    Wait(1000);
    // The buffer still holds the command with its CR: it goes out with two CRs.
    SendCommand(buf, len + 1);
    return Has(ReadFromPort(&count, 1000), kOk);
}
