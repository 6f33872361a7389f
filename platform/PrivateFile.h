#pragma once
// Files that hold the user's own data (messages, traffic, logs, settings):
// open for the user alone, and written whole or reported as failed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Opens `path` with `flags` (O_CREAT makes it 0600) and narrows a file that an
// older run left wider open to 0600; -1 when either fails.
int OpenPrivateFile(const std::string& path, int flags);

// Writes all `size` bytes, going on after interrupted or partial writes.
bool WriteAll(int fd, const void* data, size_t size);
inline bool WriteAll(int fd, const std::string& text) { return WriteAll(fd, text.data(), text.size()); }

// Replaces the file at `path` with `text` through a private temporary file
// beside it, made to be on the disk first: a crash leaves the old file or the
// new one, never half of one. False, with the old file untouched, on failure.
bool ReplacePrivateFile(const std::string& path, const std::string& text);

// A log that is only appended to moves aside before it would grow past this.
constexpr uintmax_t kLogFileBound = uintmax_t(1) << 20;

// The lines, each ended by CR LF; when they would not fit `bound`, only the
// newest that do (the last one at least): what a bounded log keeps.
std::string JoinLogLines(const std::vector<std::string>& lines, uintmax_t bound = UINTMAX_MAX);

// Renames the log at `path` to `path` + ".1", replacing an older one, and
// keeps that private too; false when there was nothing to move or it failed.
bool RotateLogFile(const std::string& path);

// Keeps the file at `path` as it is under `path` + ".damaged", or
// ".damaged.2", ".damaged.3" ... when that is taken: an earlier copy is never
// replaced. `kept` receives the name; false when no copy could be made.
bool KeepDamagedFile(const std::string& path, std::string* kept = nullptr);
