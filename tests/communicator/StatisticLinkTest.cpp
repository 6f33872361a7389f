#include <regex>

#include "DialFixture.h"

namespace {

AnsiString Today()
{
    AnsiString text;
    TConStatistic s("/nonexistent/none");
    s.GetStartDateText(text);
    return text;
}

class StatisticLink : public DialFixture {
protected:
    std::string StatFile() const { return ReadFile(m_program / "Statistic.dat"); }
};

TEST_F(StatisticLink, TotalsSpeedsAndTimeOfALink)
{
    ASSERT_TRUE(Dial());
    m_comm->ResetTrafficSamples();
    AnsiString rxTotal = "keep", rxSpeed = "keep", txTotal = "keep", txSpeed = "keep", time = "keep";
    // No counters yet: a failed read, and the texts stay as they were.
    EXPECT_FALSE(m_comm->GetStatistics(rxTotal, rxSpeed, txTotal, txSpeed, time));
    EXPECT_EQ(rxTotal + rxSpeed + txTotal + txSpeed + time, "keepkeepkeepkeepkeep");

    SetCounters("ppp0", 1048576, 2048);
    EXPECT_TRUE(m_comm->GetStatistics(rxTotal, rxSpeed, txTotal, txSpeed, time));
    EXPECT_EQ(rxTotal, "1.00 MB");
    EXPECT_EQ(txTotal, "2.00 KB");
    const std::regex speed("[0-9]+\\.[0-9]{2} kbps");
    EXPECT_TRUE(std::regex_match(rxSpeed, speed)) << rxSpeed;
    EXPECT_TRUE(std::regex_match(txSpeed, speed)) << txSpeed;
    EXPECT_TRUE(std::regex_match(time, std::regex("00:00:0[0-9]"))) << time;
    EXPECT_EQ(StatFile(), Today() + " 1048576.00 2048.00");

    // Only what moved since the last sample is added.
    SetCounters("ppp0", 1048576 + 524288, 2048);
    EXPECT_TRUE(m_comm->GetStatistics(rxTotal, rxSpeed, txTotal, txSpeed, time));
    EXPECT_EQ(rxTotal, "1.50 MB");
    EXPECT_EQ(txSpeed, "0.00 kbps");
    EXPECT_EQ(StatFile(), Today() + " 1572864.00 2048.00");

    // A counter a little below its last sample is a new link counting from 0,
    // not a 4 GiB jump: what it holds is added, and no speed can be told.
    SetCounters("ppp0", 1572864, 1000);
    EXPECT_TRUE(m_comm->GetStatistics(rxTotal, rxSpeed, txTotal, txSpeed, time));
    double up = 0;
    m_comm->GetStatistic()->GetUploaded(up);
    EXPECT_EQ(up, 2048.0 + 1000.0);
    EXPECT_EQ(txSpeed, "0.00 kbps");
    EXPECT_EQ(StatFile(), Today() + " 1572864.00 3048.00");

    // Only a drop of more than half the counter's range means it went round 2^32.
    SetCounters("ppp0", 1572864, 4294967000ull);
    EXPECT_TRUE(m_comm->GetStatistics(rxTotal, rxSpeed, txTotal, txSpeed, time));
    SetCounters("ppp0", 1572864, 500);
    EXPECT_TRUE(m_comm->GetStatistics(rxTotal, rxSpeed, txTotal, txSpeed, time));
    m_comm->GetStatistic()->GetUploaded(up);
    EXPECT_EQ(up, 3048.0 + (4294967000.0 - 1000.0) + (4294967296.0 - 4294967000.0 + 500.0));

    // After the link is gone the texts stay as they were.
    m_comm->Disconnect();
    rxTotal = "after";
    EXPECT_FALSE(m_comm->GetStatistics(rxTotal, rxSpeed, txTotal, txSpeed, time));
    EXPECT_EQ(rxTotal, "after");
}

TEST_F(StatisticLink, TotalsGoOnFromTheFileAcrossLinks)
{
    m_comm.reset();
    std::ofstream(m_program / "Statistic.dat", std::ios::binary) << "2026.01.01 100.00 50.00";
    MakeComm();
    ASSERT_TRUE(Dial());
    m_comm->ResetTrafficSamples();
    SetCounters("ppp0", 1000, 500);
    AnsiString a, b, c, d, e;
    m_comm->GetStatistics(a, b, c, d, e);
    EXPECT_EQ(StatFile(), "2026.01.01 1100.00 550.00");
    m_comm->Disconnect();

    // A new link counts from zero again.
    ASSERT_TRUE(Dial());
    m_comm->ResetTrafficSamples();
    SetCounters("ppp0", 10, 5);
    m_comm->GetStatistics(a, b, c, d, e);
    EXPECT_EQ(StatFile(), "2026.01.01 1110.00 555.00");
    EXPECT_EQ(a, "1.08 KB");
}

TEST_F(StatisticLink, ConstructionWritesAMissingFileAndSurvivesABadOne)
{
    // The fixture's communicator found no file and wrote a fresh one.
    EXPECT_EQ(StatFile(), Today() + " 0.00 0.00");

    m_comm.reset();
    std::ofstream(m_program / "Statistic.dat", std::ios::binary) << "2026.13.45 7.00 8.00";
    MakeComm();
    EXPECT_EQ(StatFile(), "2026.13.45 7.00 8.00");  // left until the next change
    double down = -1;
    m_comm->GetStatistic()->GetDownloaded(down);
    EXPECT_EQ(down, 0.0);
    m_comm.reset();
    EXPECT_EQ(StatFile(), Today() + " 0.00 0.00");
}

TEST(StatisticUnits, FormatBytesOfTheCommunicator)
{
    double v = 1536;
    EXPECT_EQ(TModemComm::FormatBytes(v), "KB");
    EXPECT_EQ(v, 1.5);
}

}  // namespace
