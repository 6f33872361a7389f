#pragma once
// The SIM's message store and PDU-mode SMS commands: AT+CMGF, AT+CPMS,
// AT+CMGL, AT+CMGD and AT+CMGS (with its "> " prompt and the PDU up to
// Ctrl-Z). Tests fill the store, and can cut a listing short, corrupt a
// stored PDU, drop the prompt or make sending fail or its answer late.
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "tools/modemsim/Module.h"

namespace modemsim {

class SmsModule : public Module {
public:
    struct Message {
        int index = 0;
        int status = 0;  // 0 unread, 1 read, 2 stored unsent, 3 stored sent
        std::string pdu;
    };
    // How a listing cut short ends.
    enum class Cut { Silence, Error };

    bool Handle(const std::string& line, Session& s) override;
    size_t HandleRaw(const std::string& input, Session& s) override;
    void OnPowerOn(Session& s) override;
    void OnReset(Session& s) override;

    // Puts a message (PDU hex with its SMSC field) on the SIM; its index, or
    // -1 when the SIM is full.
    int Store(const std::string& pdu, int status);
    // Puts the received messages of a file on the SIM, unread, one to a line:
    //   NUMBER TEXT   a text from that number (or name); "\n" is a line break
    //   pdu HEX       a PDU as the SIM stores it, with its SMSC field
    // Blank lines and lines starting with "#" are skipped. Texts are dated an
    // hour apart, the last line `now`. The count of SIM records filled, or -1
    // with the reason when the file cannot be read, a line is bad or the SIM
    // is full.
    int LoadMessages(const std::string& path, std::time_t now, std::string* error = nullptr);
    std::vector<Message> Messages() const;
    void ClearMessages();
    // The PDUs the host sent with AT+CMGS, as received up to the Ctrl-Z.
    std::vector<std::string> SentPdus() const;
    int Capacity() const;

    // A listing sends only the first `entries` messages, then half the next
    // entry's PDU, and ends in silence or "+CMS ERROR: 500". -1 switches it off.
    void CutListingAfter(int entries, Cut how = Cut::Silence);
    // The message at this SIM index is listed with its last four digits missing.
    void CorruptPdu(int index, bool on = true);
    // AT+CMGS takes the PDU without sending its "> " prompt.
    void DropPrompt(bool on);
    // AT+CMGS answers "+CMS ERROR: code" after the PDU; 0 accepts again.
    void SetSendError(int code);
    // The network confirms (or refuses) a message `ms` after its PDU, as
    // with weak coverage; 0 at once.
    void SetSendDelay(int ms);
    // The next AT+CMGD of this SIM index deletes the message, but its answer
    // is lost on the line: nothing comes back. -1 switches it off.
    void LoseDeleteAnswer(int index);

private:
    void List(int status, Session& s);
    void FinishSend(const std::string& pdu, Session& s);

    mutable std::mutex mu_;
    std::vector<Message> messages_;
    std::vector<std::string> sent_;
    std::vector<int> corrupt_;
    int capacity_ = 30;
    int mode_ = 0;  // AT+CMGF: 0 PDU, 1 text
    int cutAfter_ = -1;
    Cut cut_ = Cut::Silence;
    bool dropPrompt_ = false;
    int sendError_ = 0;
    int sendDelay_ = 0;
    int loseDeleteAnswer_ = -1;
    int nextReference_ = 1;
    // While a PDU is being received.
    int expectedLength_ = 0;
    std::string pending_;
};

}  // namespace modemsim
