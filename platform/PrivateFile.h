#pragma once
// Files that hold the user's own data (messages, traffic, logs, settings):
// open for the user alone, and written whole or reported as failed.
#include <cstddef>
#include <string>

// Opens `path` with `flags` (O_CREAT makes it 0600) and narrows a file that an
// older run left wider open to 0600; -1 when either fails.
int OpenPrivateFile(const std::string& path, int flags);

// Writes all `size` bytes, going on after interrupted or partial writes.
bool WriteAll(int fd, const void* data, size_t size);
inline bool WriteAll(int fd, const std::string& text) { return WriteAll(fd, text.data(), text.size()); }
