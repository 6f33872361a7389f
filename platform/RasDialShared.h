#pragma once
// What the dial, its keeper and the leftover scan share. Internal to the
// dial-up layer (RasDial.cpp, RasKeeper.cpp, RasLeftover.cpp).
#include <csignal>
#include <sys/types.h>
#include <vector>
#include "platform/Types.h"

namespace rasdial {

constexpr int kExecFailed = 127;  // the child's exit code when pppd could not be started
// The dial's private folder; its connect script on pppd's command line tells our pppds from others.
constexpr const char* kDialFolderPrefix = "qvx-dial-";
// Where dial folders are made, the first of these that is set.
constexpr const char* kTempRootVars[] = {"XDG_RUNTIME_DIR", "TMPDIR"};

// The pppd that is run: the one set by RasSetPppdPath, QVX_PPPD, or the system's.
AnsiString PppdPath();

// Single quotes for /bin/sh.
AnsiString ShellQuote(const AnsiString& s);

// The process groups of this run's own connections (their keepers lead them).
std::vector<pid_t> OwnConnectionGroups();

// What the keeper needs, made before the fork.
struct KeeperPlan {
    pid_t program = -1;
    char* const* argv = nullptr;
    int devNull = -1;
    int optRead = -1;
    int outWrite = -1;
    const char* scripts[3] = {};  // the dial's files, and their folder
    const char* folder = nullptr;
    sigset_t endSignals;  // blocked in the keeper, which waits for them
    sigset_t callerMask;  // pppd's
};

// Runs in the child forked for a dial: starts pppd and stands by it (RasKeeper.cpp).
[[noreturn]] void RunKeeper(const KeeperPlan& plan);

}  // namespace rasdial
