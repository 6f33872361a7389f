#include "tools/modemsim/SimModule.h"

#include "tools/modemsim/AtText.h"
#include "tools/modemsim/Session.h"

namespace modemsim {

namespace {

// CME error numbers of the card and the network.
enum {
    kCmeNotAllowed = 3,
    kCmeNotSupported = 4,
    kCmeSimPinRequired = 11,
    kCmeSimPukRequired = 12,
    kCmeSimFailure = 13,
    kCmeIncorrectPassword = 16,
    kCmeNoNetwork = 30,
    kCmeNetworkNotAllowed = 32,
};

// The arguments after "=": commas inside quotes do not separate, quotes go.
std::vector<std::string> SplitArgs(const std::string& text)
{
    std::vector<std::string> args(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            args.emplace_back();
        else
            args.back() += c;
    }
    return args;
}

bool ToInt(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool IsPinText(const std::string& text, size_t min, size_t max)
{
    if (text.size() < min || text.size() > max)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

SimModule::SimModule()
{
    networks_ = {
        {"Test Network One", "TestOne", "00101", 2, false},
        {"Second Test Net", "Second", "00102", 0, false},
        {"Barred Network", "Barred", "00103", 2, true},
    };
    current_ = HomeNetwork();
}

bool SimModule::ParseNetwork(const std::string& option, Network& out)
{
    std::vector<std::string> fields = SplitArgs(option);
    const std::string& code = fields[0];
    if (code.size() < 5 || code.size() > 6 || !IsPinText(code, 5, 6))
        return false;
    const std::string tech = fields.size() > 1 ? fields[1] : "3G";
    static const std::map<std::string, int> kTechnologies = {{"2G", 0}, {"3G", 2}, {"4G", 7}};
    const auto found = kTechnologies.find(tech);
    if (found == kTechnologies.end() || fields.size() > 4)
        return false;
    out = Network{};
    out.numeric = code;
    out.accessTechnology = found->second;
    out.longName = fields.size() > 2 && !fields[2].empty() ? fields[2] : "Network " + code;
    out.shortName = fields.size() > 3 && !fields[3].empty() ? fields[3] : out.longName;
    return true;
}

bool SimModule::Handle(const std::string& line, Session& s)
{
    std::string rest;
    std::lock_guard<std::mutex> lock(mu_);
    // Before +CPIN, which would take "+CPINR" for its own.
    if (MatchCommand(line, "+CPINR", &rest)) {
        HandleCpinr(rest, s);
    } else if (MatchCommand(line, "+CPIN", &rest)) {
        HandleCpin(rest, s);
    } else if (MatchCommand(line, "+CLCK", &rest)) {
        HandleClck(rest, s);
    } else if (MatchCommand(line, "+CSCA", &rest)) {
        HandleCsca(rest, s);
    } else if (MatchCommand(line, "+COPS", &rest)) {
        HandleCops(rest, s);
    } else if (MatchCommand(line, "+CGDCONT", &rest)) {
        HandleCgdcont(rest, s);
    } else if (MatchCommand(line, "+CSQ", &rest)) {
        if (rest.empty()) {
            s.SendLine("+CSQ: " + std::to_string(rssi_) + "," + std::to_string(ber_));
            s.Ok();
        } else if (rest == "=?") {
            s.SendLine("+CSQ: (0-31,99),(0-7,99)");
            s.Ok();
        } else {
            s.Error();
        }
    } else if (MatchCommand(line, "+CREG", &rest)) {
        if (rest == "?") {
            s.SendLine(std::string("+CREG: 0,") + (Registered() ? "1" : "0"));
            s.Ok();
        } else {
            s.Error();
        }
    } else if (MatchCommand(line, "+CGSN", &rest)) {
        if (rest.empty())
            s.SendLine(imei_);
        s.Ok();
    } else if (MatchCommand(line, "+CGMR", &rest)) {
        if (rest.empty())
            s.SendLine(firmware_);
        s.Ok();
    } else {
        return false;
    }
    return true;
}

void SimModule::OnPowerOn(Session&)
{
    std::lock_guard<std::mutex> lock(mu_);
    // Tries are kept on the card: a card that asked for its PUK still does.
    if (state_ == PinState::Ready || state_ == PinState::Pin)
        state_ = pinRequest_ ? PinState::Pin : PinState::Ready;
    mode_ = 0;
    format_ = 0;
    current_ = HomeNetwork();
}

void SimModule::OnReset(Session&)
{
    std::lock_guard<std::mutex> lock(mu_);
    format_ = 0;
}

bool SimModule::RefuseUnlessReady(Session& s) const
{
    switch (state_) {
    case PinState::Ready: return false;
    case PinState::Pin: s.CmeError(kCmeSimPinRequired); return true;
    case PinState::Puk: s.CmeError(kCmeSimPukRequired); return true;
    case PinState::Blocked: s.CmeError(kCmeSimFailure); return true;
    }
    return true;
}

bool SimModule::CheckPin(const std::string& pin)
{
    if (pin == pin_) {
        pinTries_ = kPinTries;
        return true;
    }
    if (--pinTries_ <= 0) {
        pinTries_ = 0;
        state_ = PinState::Puk;
    }
    return false;
}

void SimModule::HandleCpin(const std::string& rest, Session& s)
{
    if (rest == "?") {
        switch (state_) {
        case PinState::Ready: s.SendLine("+CPIN: READY"); break;
        case PinState::Pin: s.SendLine("+CPIN: SIM PIN"); break;
        case PinState::Puk: s.SendLine("+CPIN: SIM PUK"); break;
        case PinState::Blocked: s.CmeError(kCmeSimFailure); return;
        }
        s.Ok();
        return;
    }
    if (rest == "=?") {
        s.Ok();
        return;
    }
    if (rest.empty() || rest[0] != '=') {
        s.Error();
        return;
    }
    const std::vector<std::string> args = SplitArgs(rest.substr(1));
    switch (state_) {
    case PinState::Ready:
        s.CmeError(kCmeNotAllowed);  // nothing is pending
        return;
    case PinState::Blocked:
        s.CmeError(kCmeSimFailure);
        return;
    case PinState::Pin:
        if (args.size() != 1) {
            s.CmeError(kCmeNotAllowed);
        } else if (CheckPin(args[0])) {
            state_ = PinState::Ready;
            s.Ok();
        } else {
            s.CmeError(kCmeIncorrectPassword);
        }
        return;
    case PinState::Puk:
        if (args.size() != 2) {
            s.CmeError(kCmeSimPukRequired);
        } else if (!IsPinText(args[1], 4, 8)) {
            s.CmeError(kCmeIncorrectPassword);  // the new PIN is not a PIN: no try is used
        } else if (args[0] == puk_) {
            pin_ = args[1];
            pinTries_ = kPinTries;
            pukTries_ = kPukTries;
            state_ = PinState::Ready;
            s.Ok();
        } else {
            if (--pukTries_ <= 0) {
                pukTries_ = 0;
                state_ = PinState::Blocked;
            }
            s.CmeError(kCmeIncorrectPassword);
        }
        return;
    }
}

void SimModule::HandleCpinr(const std::string& rest, Session& s)
{
    if (rest.empty() || rest[0] != '=') {
        s.Error();
        return;
    }
    const std::string code = Upper(SplitArgs(rest.substr(1))[0]);
    const bool all = code.empty() || code == "SIM*";
    if (all || code == "SIM PIN")
        s.SendLine("+CPINR: SIM PIN," + std::to_string(pinTries_) + "," + std::to_string(kPinTries));
    if (all || code == "SIM PUK")
        s.SendLine("+CPINR: SIM PUK," + std::to_string(pukTries_) + "," + std::to_string(kPukTries));
    s.Ok();
}

void SimModule::HandleClck(const std::string& rest, Session& s)
{
    if (rest == "=?") {
        s.SendLine("+CLCK: (\"SC\")");
        s.Ok();
        return;
    }
    if (rest.empty() || rest[0] != '=') {
        s.Error();
        return;
    }
    const std::vector<std::string> args = SplitArgs(rest.substr(1));
    int mode = -1;
    if (args.size() < 2 || !ToInt(args[1], mode) || mode > 2) {
        s.CmeError(kCmeNotAllowed);
        return;
    }
    if (Upper(args[0]) != "SC") {
        s.CmeError(kCmeNotSupported);
        return;
    }
    if (RefuseUnlessReady(s))
        return;
    if (mode == 2) {
        s.SendLine(std::string("+CLCK: ") + (pinRequest_ ? "1" : "0"));
        s.Ok();
        return;
    }
    if (args.size() < 3) {
        s.CmeError(kCmeNotAllowed);
        return;
    }
    if (!CheckPin(args[2])) {
        s.CmeError(kCmeIncorrectPassword);
        return;
    }
    pinRequest_ = mode == 1;
    s.Ok();
}

void SimModule::HandleCsca(const std::string& rest, Session& s)
{
    if (rest == "=?") {
        s.Ok();
        return;
    }
    if (rest != "?" && (rest.empty() || rest[0] != '=')) {
        s.Error();
        return;
    }
    if (RefuseUnlessReady(s))
        return;
    if (rest == "?") {
        const bool international = !centre_.empty() && centre_[0] == '+';
        s.SendLine("+CSCA: " + Quoted(centre_) + "," + (international ? "145" : "129"));
        s.Ok();
        return;
    }
    const std::vector<std::string> args = SplitArgs(rest.substr(1));
    if (args[0].empty()) {
        s.CmeError(kCmeNotAllowed);
        return;
    }
    centre_ = args[0];
    s.Ok();
}

int SimModule::HomeNetwork() const
{
    for (size_t i = 0; i < networks_.size(); ++i)
        if (!networks_[i].forbidden)
            return static_cast<int>(i);
    return -1;
}

int SimModule::FindNetwork(const std::string& oper, int format, int act) const
{
    for (size_t i = 0; i < networks_.size(); ++i) {
        const Network& n = networks_[i];
        const std::string& name = format == 2 ? n.numeric : format == 1 ? n.shortName : n.longName;
        if (name == oper && (act < 0 || n.accessTechnology == act))
            return static_cast<int>(i);
    }
    return -1;
}

bool SimModule::Registered() const
{
    return state_ == PinState::Ready && coverage_ && mode_ != 2 && current_ >= 0 &&
           current_ < static_cast<int>(networks_.size());
}

void SimModule::HandleCops(const std::string& rest, Session& s)
{
    if (rest == "?") {
        if (!Registered()) {
            s.SendLine("+COPS: " + std::to_string(mode_));
        } else {
            const Network& n = networks_[current_];
            const int format = forcedFormat_ >= 0 ? forcedFormat_ : format_;
            const std::string& oper = format == 2 ? n.numeric : format == 1 ? n.shortName : n.longName;
            std::string text = "+COPS: " + std::to_string(mode_) + "," + std::to_string(format) + "," + Quoted(oper);
            if (reportAct_ && n.accessTechnology >= 0)
                text += "," + std::to_string(n.accessTechnology);
            s.SendLine(text);
        }
        s.Ok();
        return;
    }
    if (rest == "=?") {
        s.Pause(scanDelayMs_);
        std::string text = "+COPS: ";
        if (coverage_) {
            for (size_t i = 0; i < networks_.size(); ++i) {
                const Network& n = networks_[i];
                const int stat = n.forbidden ? 3 : (Registered() && current_ == static_cast<int>(i)) ? 2 : 1;
                text += "(" + std::to_string(stat) + "," + Quoted(n.longName) + "," + Quoted(n.shortName) + "," +
                        Quoted(n.numeric);
                if (n.accessTechnology >= 0)
                    text += "," + std::to_string(n.accessTechnology);
                text += "),";
            }
        }
        text += ",(0-4),(0-2)";
        s.SendLine(text);
        s.Ok();
        return;
    }
    if (rest.empty() || rest[0] != '=') {
        s.Error();
        return;
    }
    const std::vector<std::string> args = SplitArgs(rest.substr(1));
    int mode = -1;
    if (!ToInt(args[0], mode) || mode > 4) {
        s.CmeError(kCmeNotAllowed);
        return;
    }
    if (mode == 3) {
        int format = -1;
        if (args.size() < 2 || !ToInt(args[1], format) || format > 2) {
            s.CmeError(kCmeNotAllowed);
            return;
        }
        format_ = format;
        s.Ok();
        return;
    }
    if (mode == 2) {
        mode_ = 2;
        s.Ok();
        return;
    }
    if (RefuseUnlessReady(s))
        return;
    s.Pause(registerDelayMs_);
    if (mode == 1 || mode == 4) {
        int format = -1;
        if (args.size() < 3 || !ToInt(args[1], format) || format > 2) {
            s.CmeError(kCmeNotAllowed);
            return;
        }
        int act = -1;
        if (args.size() > 3 && !ToInt(args[3], act)) {
            s.CmeError(kCmeNotAllowed);
            return;
        }
        const int index = FindNetwork(args[2], format, act);
        if (index >= 0 && coverage_ && !networks_[index].forbidden) {
            mode_ = 1;
            current_ = index;
            s.Ok();
            return;
        }
        if (mode == 1) {
            s.CmeError(index >= 0 && coverage_ ? kCmeNetworkNotAllowed : kCmeNoNetwork);
            return;
        }
        // Mode 4 falls back to the automatic choice.
    }
    const int home = HomeNetwork();
    if (!coverage_ || home < 0) {
        s.CmeError(kCmeNoNetwork);
        return;
    }
    mode_ = 0;
    current_ = home;
    s.Ok();
}

void SimModule::HandleCgdcont(const std::string& rest, Session& s)
{
    if (rest == "?") {
        for (const auto& [cid, context] : contexts_)
            s.SendLine("+CGDCONT: " + std::to_string(cid) + "," + Quoted(context.type) + "," + Quoted(context.apn) +
                       ",\"0.0.0.0\",0,0");
        s.Ok();
        return;
    }
    if (rest == "=?") {
        s.SendLine("+CGDCONT: (1-16),\"IP\",,,(0-2),(0-4)");
        s.Ok();
        return;
    }
    if (rest.empty() || rest[0] != '=') {
        s.Error();
        return;
    }
    const std::vector<std::string> args = SplitArgs(rest.substr(1));
    int cid = 0;
    if (!ToInt(args[0], cid) || cid < 1 || cid > 16) {
        s.CmeError(kCmeNotAllowed);
        return;
    }
    if (args.size() == 1) {
        contexts_.erase(cid);  // the context is undefined
        s.Ok();
        return;
    }
    const std::string type = Upper(args[1]);
    if (type != "IP" && type != "IPV6" && type != "IPV4V6" && type != "PPP") {
        s.CmeError(kCmeNotAllowed);
        return;
    }
    contexts_[cid] = {type, args.size() > 2 ? args[2] : std::string()};
    s.Ok();
}

// ---- settings from the test thread ----

void SimModule::SetPin(const std::string& pin)
{
    std::lock_guard<std::mutex> lock(mu_);
    pin_ = pin;
}

void SimModule::SetPuk(const std::string& puk)
{
    std::lock_guard<std::mutex> lock(mu_);
    puk_ = puk;
}

std::string SimModule::Pin() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return pin_;
}

void SimModule::SetPinState(PinState state)
{
    std::lock_guard<std::mutex> lock(mu_);
    state_ = state;
    if (state == PinState::Pin)
        pinTries_ = kPinTries;
    if (state == PinState::Puk)
        pukTries_ = kPukTries;
}

SimModule::PinState SimModule::GetPinState() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return state_;
}

int SimModule::PinTriesLeft() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return pinTries_;
}

int SimModule::PukTriesLeft() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return pukTries_;
}

void SimModule::SetPinRequest(bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    pinRequest_ = on;
}

bool SimModule::PinRequest() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return pinRequest_;
}

void SimModule::SetServiceCentre(const std::string& number)
{
    std::lock_guard<std::mutex> lock(mu_);
    centre_ = number;
}

std::string SimModule::ServiceCentre() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return centre_;
}

void SimModule::SetNetworks(std::vector<Network> networks)
{
    std::lock_guard<std::mutex> lock(mu_);
    networks_ = std::move(networks);
    current_ = HomeNetwork();
}

void SimModule::SetCoverage(bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    coverage_ = on;
}

void SimModule::SetCurrentNetwork(const std::string& numeric)
{
    std::lock_guard<std::mutex> lock(mu_);
    current_ = numeric.empty() ? -1 : FindNetwork(numeric, 2);
}

std::string SimModule::CurrentNetwork() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return Registered() ? networks_[current_].numeric : std::string();
}

int SimModule::SelectionMode() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return mode_;
}

void SimModule::SetForcedFormat(int format)
{
    std::lock_guard<std::mutex> lock(mu_);
    forcedFormat_ = format;
}

void SimModule::SetReportAccessTechnology(bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    reportAct_ = on;
}

void SimModule::SetScanDelay(int ms)
{
    std::lock_guard<std::mutex> lock(mu_);
    scanDelayMs_ = ms;
}

void SimModule::SetRegisterDelay(int ms)
{
    std::lock_guard<std::mutex> lock(mu_);
    registerDelayMs_ = ms;
}

void SimModule::SetSignal(int rssi, int ber)
{
    std::lock_guard<std::mutex> lock(mu_);
    rssi_ = rssi;
    ber_ = ber;
}

void SimModule::SetImei(const std::string& imei)
{
    std::lock_guard<std::mutex> lock(mu_);
    imei_ = imei;
}

void SimModule::SetFirmware(const std::string& revision)
{
    std::lock_guard<std::mutex> lock(mu_);
    firmware_ = revision;
}

SimModule::PdpContext SimModule::Context(int cid) const
{
    std::lock_guard<std::mutex> lock(mu_);
    const auto it = contexts_.find(cid);
    return it == contexts_.end() ? PdpContext{} : it->second;
}

}  // namespace modemsim
