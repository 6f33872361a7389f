#pragma once
// Puts a fuzz input into a file of a folder of this process's own, for the
// targets whose code under test reads files by name. Each input gets a new
// file (written beside and renamed over), so no reader mistakes it for the last.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzz {

// Kept for the whole run (never destroyed, so the exit handler can still
// read it) and removed at exit.
inline const std::filesystem::path& Folder()
{
    static const std::filesystem::path* folder = [] {
        const std::filesystem::path shm("/dev/shm");
        const std::filesystem::path base = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
        auto* p = new std::filesystem::path(base / ("qvx-fuzz-" + std::to_string(::getpid())));
        std::filesystem::create_directories(*p);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Folder(), ec);
        });
        return p;
    }();
    return *folder;
}

inline std::string PutInput(const char* name, const uint8_t* data, size_t size)
{
    const std::filesystem::path target = Folder() / name;
    const std::filesystem::path fresh = Folder() / (std::string(name) + ".new");
    {
        std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::rename(fresh.c_str(), target.c_str());
    return target.string();
}

inline std::string ReadBack(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace fuzz
