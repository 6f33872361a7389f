// libFuzzer target: any bytes as the modem's answer to each SIM and network
// command (+CPIN?, +COPS?, +COPS=?, +CSQ, +CLCK, +CSCA?, IMEI, firmware),
// collected in pieces as the reads do it (zero bytes dropped). Every parser
// must come back with a value in its range, never crash or hang. A scan list
// made from the input with one name or code whose quote is left open still
// gives every other network.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "communicator/SimAnswers.h"

namespace {
void Check(bool ok)
{
    if (!ok)
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte cuts the rest into the pieces the reads get.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t piece = size > 0 ? 1 + data[0] % 16 : 1;
    std::string answer;
    for (size_t at = 0; at < bytes.size(); at += piece)
        AppendAnswerBytes(answer, bytes.substr(at, piece));
    Check(answer.find('\0') == std::string::npos);
    Check(answer.size() == size - static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\0')));

    const int pin = ParsePinState("AT+CPIN?", answer);
    Check(pin >= 0);
    (void)StripPinAnswer("AT+CPIN?", answer);

    COPS_ANSWER cops;
    (void)ParseOperatorAnswer(answer, cops);

    const std::string list = ExtractOperatorList("AT+COPS=?", answer);
    for (const ST_OPERATORS_LIST& network : ParseOperatorList(list))
        (void)network;
    // The operator-choice page cuts the same list token by token.
    std::string group = list;
    for (size_t guard = 0; !group.empty() && guard <= list.size(); ++guard)
        (void)NextToken(group);

    const int signal = ParseSignalQuality(answer);
    Check((signal >= 0 && signal <= 31) || signal == kSignalUnknown);

    bool locked = true;
    if (!ParseSimLock("AT+CLCK=\"SC\",2", answer, locked))
        Check(!locked);

    std::string centre = "untouched";
    if (!ParseSmsCentre(answer, centre))
        Check(centre == "untouched");

    const std::string imei = ParseImei(answer);
    Check(imei.empty() || (imei.size() >= 14 && imei.size() <= 17));
    for (char c : imei)
        Check(c >= '0' && c <= '9');

    // Two to six networks named from the input; the input picks the one whose
    // long name, short name or code misses its closing quote.
    if (size >= 3) {
        const size_t count = 2 + data[1] % 5, broken = data[2] % count;
        std::string scan;
        std::vector<std::string> others;
        for (size_t n = 0; n < count; ++n) {
            std::string name;
            for (size_t at = 3 + n; at < size && name.size() < 8; at += count)
                name += "ABCabc019 "[data[at] % 10];
            const std::string code = std::to_string(26200 + n);
            std::string fields[3] = {"\"" + name + "\"", "\"" + name + "\"", "\"" + code + "\""};
            if (n == broken)
                fields[data[1] / 5 % 3].pop_back();
            else
                others.push_back(code);
            scan += (n > 0 ? "," : "") + std::string("(1,") + fields[0] + "," + fields[1] + "," + fields[2] + ",7)";
        }
        std::vector<std::string> found;
        for (const ST_OPERATORS_LIST& network : ParseOperatorList(scan))
            if (network.numeric != std::to_string(26200 + broken))
                found.push_back(network.numeric);
        Check(found == others);
    }

    (void)ParseFirmware("AT+CGMR", answer);
    int number = 0;
    (void)ReadWholeNumber(answer, number);
    return 0;
}
