#pragma once
// The single-instance guard: an exclusive flock on a lock file named after the
// guard in the user's runtime folder ($XDG_RUNTIME_DIR, else the temporary
// folder with the user id in the name). The lock goes with the process, so a
// crashed instance never blocks the next start.
#include "platform/Types.h"

class TSingleInstance {
public:
    explicit TSingleInstance(const AnsiString& name);
    // Releases the lock (the program itself keeps it for its whole run).
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Another holder has the lock: another instance runs.
    bool AlreadyExists() const { return m_alreadyExists; }
    // False when the lock file could not be made at all; start-up then goes on
    // as a first instance.
    bool Valid() const { return m_fd >= 0; }
    const AnsiString& LockPath() const { return m_path; }

    static AnsiString LockPathFor(const AnsiString& name);

private:
    AnsiString m_path;
    int m_fd = -1;
    bool m_alreadyExists = false;
};
