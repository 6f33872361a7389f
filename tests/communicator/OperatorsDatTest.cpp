// Checks the shipped operator file that tools/gen-operators writes.
#include "communicator/OperatorTable.h"
#include "communicator/TOperatorList.h"
#include "platform/TIniFile.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

const std::string kFile = std::string(QVX_SOURCE_DIR) + "/data/Operators.dat";

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// "OperatorNNNNN=(code)name" split into its parts; false for any other shape.
bool SplitEntry(const std::string& line, int& n, std::string& code, std::string& name)
{
    const std::string prefix = "Operator";
    if (line.compare(0, prefix.size(), prefix) != 0 || line.size() < prefix.size() + 6 ||
        line[prefix.size() + 5] != '=')
        return false;
    const std::string number = line.substr(prefix.size(), 5);
    const std::string value = line.substr(prefix.size() + 6);
    const size_t close = value.find(')');
    if (!AllDigits(number) || value.empty() || value[0] != '(' || close == std::string::npos)
        return false;
    n = std::stoi(number);
    code = value.substr(1, close - 1);
    name = value.substr(close + 1);
    return true;
}

}  // namespace

TEST(OperatorsDat, KeysCountUpWithOneEntryPerCode)
{
    std::ifstream in(kFile);
    ASSERT_TRUE(in) << kFile;
    std::string line, section;
    int expected = 1, countries = 0;
    bool countryHasEntry = false;
    std::set<std::string> codes;
    while (std::getline(in, line)) {
        ASSERT_EQ(line.find('\r'), std::string::npos) << "stray CR: " << line;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            section = line;
            continue;
        }
        if (line[0] == ';') {  // a country's name comes before its networks
            countryHasEntry = false;
            continue;
        }
        ASSERT_EQ(section, "[Operators]");
        int n = 0;
        std::string code, name;
        ASSERT_TRUE(SplitEntry(line, n, code, name)) << line;
        EXPECT_EQ(n, expected++) << line;
        EXPECT_TRUE(AllDigits(code) && (code.size() == 5 || code.size() == 6)) << line;
        EXPECT_TRUE(codes.insert(code).second) << "code listed twice: " << line;
        EXPECT_FALSE(name.empty()) << line;
        EXPECT_EQ(name, TrimBlanks(name)) << line;
        if (!countryHasEntry) {
            ++countries;
            countryHasEntry = true;
        }
    }
    EXPECT_GE(countries, 150);
    EXPECT_GE(codes.size(), 500u);
}

TEST(OperatorsDat, BothReadersSeeEveryEntryWithItsWholeName)
{
    std::ifstream in(kFile);
    std::map<std::string, std::string> raw;
    std::string line, code, name;
    size_t withParens = 0;
    for (int n = 0; std::getline(in, line);)
        if (SplitEntry(line, n, code, name)) {
            raw.emplace(code, name);
            withParens += name.find('(') != std::string::npos;
        }
    EXPECT_GT(withParens, 0u);  // names with parentheses of their own are there

    const auto table = ReadOperatorTable(kFile);
    TOperatorList list(std::string(QVX_SOURCE_DIR) + "/data");
    ASSERT_EQ(table.size(), raw.size());
    ASSERT_EQ(static_cast<size_t>(list.Count()), raw.size());
    for (const auto& [c, nm] : raw) {
        EXPECT_EQ(list.GetOperatorName(c), nm);
        EXPECT_EQ(OperatorNameOf(table, c), nm);
    }
}
