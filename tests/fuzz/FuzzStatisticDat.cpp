// libFuzzer target: any bytes as Statistic.dat. Loading never crashes, a
// file it could not read is kept byte for byte beside the new one, and what
// a load accepted is written back in a form that reads the same again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FuzzInput.h"
#include "communicator/TConStatistic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::PutInput("Statistic.dat", data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool damaged = false;
    {
        TConStatistic loaded(path);
        loaded.Load();
        damaged = loaded.TakeNotice() == FileNotice::Damaged;
    }
    if (damaged && fuzz::ReadBack(path + ".damaged") != text)
        std::abort();
    std::remove((path + ".damaged").c_str());
    if (!TConStatistic(path).Parse(fuzz::ReadBack(path)))
        std::abort();
    TConStatistic first((fuzz::Folder() / "First.dat").string());
    if (!first.Parse(text))
        return 0;
    TConStatistic second((fuzz::Folder() / "Second.dat").string());
    if (!second.Parse(first.Text()) || second.Text() != first.Text())
        std::abort();
    double down = -1, up = -1;
    second.GetDownloaded(down);
    second.GetUploaded(up);
    if (!(down >= 0) || !(up >= 0))
        std::abort();
    return 0;
}
