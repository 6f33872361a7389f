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

// Why a file of the user's is left as it is (or kept aside first, when
// damaged): the user is told once.
enum class FileNotice { None, Damaged, Unreadable, ReadOnly, TooLarge };

// How the file at `path` stands before it is read or replaced: None when it
// is missing or may be replaced, Unreadable when it exists but cannot be read
// (no regular file, or no right to read it), ReadOnly when the user took the
// right to write it away. Links are followed.
FileNotice ProbePrivateFile(const std::string& path);

// The file that a link at `path` stands for, through every link of a chain,
// whether it exists yet or not; `path` itself when it is no link.
std::string ResolveLinks(const std::string& path);

// Where the file at `path` is to be replaced: the end of its links, so a
// link keeps pointing at the file and a missing target is made. False when
// the file there exists but cannot be read or is read-only: it is left alone.
bool ReplaceableTarget(const std::string& path, std::string& target);

// Replaces the file at `path` (its link's target) with `text` through a
// private temporary file beside it, made to be on the disk first: a crash
// leaves the old file or the new one, never half of one. False, with the old
// file untouched, on failure or when ReplaceableTarget refuses.
bool ReplacePrivateFile(const std::string& path, const std::string& text);

// Renames `temp` over `target` and makes the rename durable; false (the
// temporary file removed) when it fails.
bool CommitPrivateFile(const std::string& temp, const std::string& target);

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
