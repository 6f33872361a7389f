// Checks the shipped operator file that tools/gen-operators writes.
#include "communicator/OperatorTable.h"
#include "communicator/TOperatorList.h"
#include "platform/TIniFile.h"

#include <gtest/gtest.h>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {
const std::string kFile = std::string(QVX_SOURCE_DIR) + "/data/Operators.dat";
}

TEST(OperatorsDat, KeysCountUpWithOneEntryPerCode)
{
    std::ifstream in(kFile);
    ASSERT_TRUE(in) << kFile;
    const std::regex entry(R"(^Operator(\d{5})=\((\d{5,6})\)(.+)$)");
    std::string line, section;
    int expected = 1, countries = 0;
    bool countryHasEntry = false;
    std::set<std::string> codes;
    std::set<std::string> mccs;
    while (std::getline(in, line)) {
        ASSERT_EQ(line.find('\r'), std::string::npos) << "stray CR: " << line;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            section = line;
            continue;
        }
        if (line[0] == ';') {
            countryHasEntry = false;
            continue;
        }
        ASSERT_EQ(section, "[Operators]");
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, entry)) << line;
        EXPECT_EQ(std::stoi(m[1]), expected++) << line;
        EXPECT_TRUE(codes.insert(m[2]).second) << "code listed twice: " << line;
        mccs.insert(m[2].str().substr(0, 3));
        const std::string name = m[3];
        EXPECT_EQ(name, TrimBlanks(name)) << line;
        if (!countryHasEntry) {
            ++countries;
            countryHasEntry = true;
        }
    }
    EXPECT_GE(countries, 150);
    EXPECT_GE(mccs.size(), 150u);
    EXPECT_GE(codes.size(), 500u);
}

TEST(OperatorsDat, BothReadersSeeEveryEntryWithItsName)
{
    // Names with parentheses of their own must survive both readers whole.
    std::ifstream in(kFile);
    std::map<std::string, std::string> raw;
    const std::regex entry(R"(^Operator\d{5}=\((\d+)\)(.+)$)");
    std::string line;
    size_t withParens = 0;
    for (std::smatch m; std::getline(in, line);)
        if (std::regex_match(line, m, entry)) {
            raw.emplace(m[1], m[2]);
            withParens += m[2].str().find('(') != std::string::npos;
        }
    EXPECT_GT(withParens, 0u);

    const auto table = ReadOperatorTable(kFile);
    TOperatorList list(std::string(QVX_SOURCE_DIR) + "/data");
    ASSERT_EQ(table.size(), raw.size());
    ASSERT_EQ(static_cast<size_t>(list.Count()), raw.size());
    for (const auto& [code, name] : raw) {
        EXPECT_EQ(list.GetOperatorName(code), name);
        EXPECT_EQ(OperatorNameOf(table, code), name);
    }
}
