#pragma once
// The SIM card and the mobile network of the simulated modem: PIN and PUK with
// the card's rules (three wrong PINs ask for the PUK, ten wrong PUKs block the
// card, a PUK sets a new PIN; +CPINR tells the tries left), the PIN request on
// or off (+CLCK "SC"), the SMS service centre (+CSCA), registration and the
// current operator (+COPS? by name or by number, with or without the
// access-technology field), the network scan (+COPS=?, slow like a real one),
// manual and automatic choice, signal quality (+CSQ), IMEI (+CGSN), firmware
// revision (+CGMR) and the PDP contexts (+CGDCONT). Everything is settable from
// the test thread.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tools/modemsim/Module.h"

namespace modemsim {

class SimModule : public Module {
public:
    enum class PinState { Ready, Pin, Puk, Blocked };

    struct Network {
        std::string longName;
        std::string shortName;
        std::string numeric;
        int accessTechnology = 0;  // 0 GSM, 2 UTRAN; below 0: none in the scan
        bool forbidden = false;
    };

    struct PdpContext {
        std::string type;
        std::string apn;
    };

    SimModule();

    // A network from "MCCMNC[,TECH[,LONG NAME[,SHORT NAME]]]", TECH one of
    // 2G, 3G, 4G (3G when left out); the names default to "Network MCCMNC".
    // False when the code is not 5 or 6 digits or the technology is unknown.
    static bool ParseNetwork(const std::string& option, Network& out);

    bool Handle(const std::string& line, Session& s) override;
    // The card asks for its PIN again when its PIN request is on; the network
    // choice goes back to automatic.
    void OnPowerOn(Session& s) override;
    // ATZ / AT&F: the operator format goes back to long names; the card stays as it is.
    void OnReset(Session& s) override;

    // ---- SIM card ----
    void SetPin(const std::string& pin);
    void SetPuk(const std::string& puk);
    std::string Pin() const;
    // Ready, or asking for the PIN or PUK now (tries are refilled for Pin / Puk).
    void SetPinState(PinState state);
    PinState GetPinState() const;
    int PinTriesLeft() const;
    int PukTriesLeft() const;
    // The PIN request (+CLCK "SC"), as the card keeps it across power-on.
    void SetPinRequest(bool on);
    bool PinRequest() const;
    void SetServiceCentre(const std::string& number);
    std::string ServiceCentre() const;

    // ---- network ----
    // The networks in reach, in scan order; the first one that is not forbidden is home.
    void SetNetworks(std::vector<Network> networks);
    // Whether the network can be reached at all (no coverage: registration fails).
    void SetCoverage(bool on);
    // Registers with the network of that code at once ("" deregisters).
    void SetCurrentNetwork(const std::string& numeric);
    std::string CurrentNetwork() const;
    // 0 automatic, 1 manual, 2 deregistered, as set by +COPS=.
    int SelectionMode() const;
    // Answer +COPS? in this format whatever the host asked for (-1: as asked).
    void SetForcedFormat(int format);
    // Whether +COPS? carries the access-technology field.
    void SetReportAccessTechnology(bool on);
    // How long a scan and a registration take.
    void SetScanDelay(int ms);
    void SetRegisterDelay(int ms);

    // ---- modem ----
    void SetSignal(int rssi, int ber = 99);
    void SetImei(const std::string& imei);
    void SetFirmware(const std::string& revision);
    // The context with that number; type and apn empty when it is not defined.
    PdpContext Context(int cid) const;

private:
    static constexpr int kPinTries = 3;
    static constexpr int kPukTries = 10;

    void HandleCpin(const std::string& rest, Session& s);
    // The tries left: +CPINR="SIM PIN", "SIM PUK", or both for "SIM*".
    void HandleCpinr(const std::string& rest, Session& s);
    void HandleClck(const std::string& rest, Session& s);
    void HandleCsca(const std::string& rest, Session& s);
    void HandleCops(const std::string& rest, Session& s);
    void HandleCgdcont(const std::string& rest, Session& s);
    // A CME error for a card that is not ready; false when it is ready.
    bool RefuseUnlessReady(Session& s) const;
    // A PIN check that counts: a third wrong PIN asks for the PUK.
    bool CheckPin(const std::string& pin);
    // The first network of that name or code, on access technology `act` when it is not negative.
    int FindNetwork(const std::string& oper, int format, int act = -1) const;
    int HomeNetwork() const;
    bool Registered() const;

    mutable std::mutex mu_;
    std::string pin_ = "1234";
    std::string puk_ = "12345678";
    PinState state_ = PinState::Ready;
    int pinTries_ = kPinTries;
    int pukTries_ = kPukTries;
    bool pinRequest_ = false;
    std::string centre_ = "+491710760000";

    std::vector<Network> networks_;
    bool coverage_ = true;
    int current_ = -1;  // index into networks_, -1 when not registered
    int mode_ = 0;
    int format_ = 0;
    int forcedFormat_ = -1;
    bool reportAct_ = true;
    int scanDelayMs_ = 5000;
    int registerDelayMs_ = 1000;

    int rssi_ = 15;
    int ber_ = 99;
    std::string imei_ = "490154203237518";
    std::string firmware_ = "MS-1 11.608.12.02.00";
    std::map<int, PdpContext> contexts_;
};

}  // namespace modemsim
