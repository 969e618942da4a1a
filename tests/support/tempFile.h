#pragma once
// Temporary files for the tests, on every platform.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

// A path in the system's temporary folder that no file has yet.
inline std::string freshTempPath(const char* stem = "spinview-test")
{
    static std::mt19937_64 names(std::random_device{}());
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    for (;;) {
        std::filesystem::path path = folder / (std::string(stem) + "-" + std::to_string(names()));
        if (!std::filesystem::exists(path, error))
            return path.string();
    }
}

// Writes the bytes to a fresh temporary file and returns its path ("" when it cannot be written).
inline std::string writeTempFile(const std::string& bytes, const char* stem = "spinview-test")
{
    std::string path = freshTempPath(stem);
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return "";
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (fclose(file) != 0 || !written)
        return "";
    return path;
}

// Sets the file's size, adding bytes of nothing: a sparse file where the file system can.
inline bool resizeFile(const std::string& path, uint64_t size)
{
    std::error_code error;
    std::filesystem::resize_file(path, size, error);
    return !error;
}

inline void removeFile(const std::string& path)
{
    std::error_code error;
    std::filesystem::remove(path, error);
}
