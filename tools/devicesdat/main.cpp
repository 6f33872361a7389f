// Reads and writes Devices.dat, the scrambled list of known modem names.
//   devicesdat names FILE          the names in FILE, one a line
//   devicesdat unscramble FILE     FILE's plain text ("name;name;") on stdout
//   devicesdat scramble FILE       FILE's plain text, scrambled, on stdout
//   devicesdat make FILE NAME...   writes FILE with the given names
#include "communicator/TModemList.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

int Usage()
{
    std::cerr << "usage: devicesdat names|unscramble|scramble FILE\n"
                 "       devicesdat make FILE NAME...\n";
    return 2;
}

bool Read(const char* file, std::string& out)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "devicesdat: cannot read " << file << "\n";
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string cmd = argv[1];
    std::string data;
    if (cmd == "make") {
        std::string plain;
        for (int i = 3; i < argc; ++i) {
            if (std::strchr(argv[i], ';') != nullptr || argv[i][0] == '\0') {
                std::cerr << "devicesdat: a name may not be empty or hold ';'\n";
                return 1;
            }
            plain += std::string(argv[i]) + ";";
        }
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out << TModemList::Scramble(plain);
        return out ? 0 : 1;
    }
    if (!Read(argv[2], data))
        return 1;
    if (cmd == "names") {
        TModemList list;
        list.Parse(TModemList::Unscramble(data));
        for (const auto& n : list.Names())
            std::cout << n << "\n";
    } else if (cmd == "unscramble") {
        std::cout << TModemList::Unscramble(data);
    } else if (cmd == "scramble") {
        std::cout << TModemList::Scramble(data);
    } else {
        return Usage();
    }
    return std::cout ? 0 : 1;
}
