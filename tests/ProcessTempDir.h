#pragma once
#include <filesystem>
#include <string>
#include <unistd.h>

// A temporary folder of the test process's own, created on first use and
// removed with all in it when the process ends.
inline const std::filesystem::path& ProcessTempDir(const std::string& prefix)
{
    static const struct Dir {
        std::filesystem::path path;
        explicit Dir(const std::string& p)
            : path(std::filesystem::temp_directory_path() / (p + std::to_string(::getpid())))
        {
            std::filesystem::create_directories(path);
        }
        ~Dir()
        {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } dir(prefix);
    return dir.path;
}
