// A per-process scratch folder for the fuzz targets: the analyser reads files, not memory.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace velmora::fuzz {

inline const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path p =
            std::filesystem::temp_directory_path() / ("velmora-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return folder;
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        if (size > 0) {
            std::fwrite(data, 1, size, f);
        }
        std::fclose(f);
    }
}

}  // namespace velmora::fuzz
