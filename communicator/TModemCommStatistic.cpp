// Traffic statistics: the totals in Statistic.dat and the link's display texts.
#include "communicator/TModemComm.h"

#include "communicator/TrafficMath.h"
#include "platform/MessagePump.h"

void TModemComm::InitStatistic()
{
    m_pStatistic = std::make_unique<TConStatistic>();
    if (!m_pStatistic->Load()) {
        // No file yet: start a count now and write it at once.
        m_pStatistic->SetStartDate(TConStatistic::Now());
        m_pStatistic->SetDownloaded(0);
        m_pStatistic->SetUploaded(0);
    }
}

void TModemComm::ReleaseStatistic()
{
    if (m_pStatistic)
        m_pStatistic->Save();
    m_pStatistic.reset();
}

AnsiString TModemComm::FormatBytes(double& value) { return ::FormatBytes(value); }

bool TModemComm::GetStatistics(AnsiString& receivedTotal, AnsiString& receivedSpeed, AnsiString& sentTotal,
                               AnsiString& sentSpeed, AnsiString& connectTime)
{
    ProcessMessages();
    RAS_STATS stats;
    const HRASCONN conn = GetRasConnection();
    // No counters (no link, or an interface that is gone): told as a failure,
    // so the caller keeps the figures it shows instead of blanking them.
    if (conn == nullptr || !m_pStatistic || RasGetConnectionStatistics(conn, &stats) != 0) {
        ProcessMessages();
        return false;
    }
    // A connection time below the last sample belongs to a new link: its
    // counters start from zero. So does a counter a little below its last
    // sample; only one far below it went round 2^32.
    const double duration = stats.dwConnectDuration;
    const bool restarted = duration < m_dLastTime;
    const double dt = restarted ? duration : duration - m_dLastTime;

    auto account = [&](DWORD counter, double& last, bool sent, AnsiString& total, AnsiString& speed) {
        const double moved = CounterDelta(counter, last, restarted);
        // A counter that started again tells nothing of the speed since the last sample.
        const bool startedAgain = counter < last && (restarted || !CounterWrapped(counter, last));
        double value = 0;
        if (sent) {
            m_pStatistic->GetUploaded(value);
            m_pStatistic->SetUploaded(value + moved);
            m_pStatistic->GetUploaded(value);
        } else {
            m_pStatistic->GetDownloaded(value);
            m_pStatistic->SetDownloaded(value + moved);
            m_pStatistic->GetDownloaded(value);
        }
        const AnsiString unit = ::FormatBytes(value);
        total = FormatFixed2(value) + " " + unit;
        speed = FormatFixed2(startedAgain ? 0.0 : SpeedKbps(moved, dt)) + " kbps";
        last = counter;
    };
    account(stats.dwBytesXmited, m_dLastSent, true, sentTotal, sentSpeed);
    ProcessMessages();
    account(stats.dwBytesRcved, m_dLastReceived, false, receivedTotal, receivedSpeed);
    ProcessMessages();
    connectTime = FormatTimeOfDay(duration);
    m_dLastTime = duration;
    ProcessMessages();
    return true;
}
