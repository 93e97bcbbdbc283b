// Helpers shared by the fuzz targets: a per-process scratch folder (the analyser reads files, not
// memory), silenced message boxes, and a tree sink that checks every parent it is handed.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/message_box.h"
#include "common/tree_sink.h"

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

// Message boxes would block a fuzz run; their texts are of no interest here.
inline void SilenceMessageBoxes() {
    static const bool done = [] {
        SetMessageBoxHandler([](const std::string&) {});
        return true;
    }();
    (void)done;
}

// Each page replaces the previous one (as in the window), so a parent must be the root or a node
// added since the page began: anything else is a node that no longer exists.
class TCheckingTreeSink : public ITreeSink {
  public:
    TreeNodeId AddNode(TreeNodeId parent, const std::string& caption, int image,
                       std::optional<int32_t>) override {
        if (parent != kTreeRoot && (parent < pageFirst_ || parent >= next_)) {
            std::fprintf(stderr, "tree node under stale parent %ld: %s\n", static_cast<long>(parent),
                         caption.c_str());
            std::abort();
        }
        if (image < -1 || image > 10) {
            std::fprintf(stderr, "tree node with image %d: %s\n", image, caption.c_str());
            std::abort();
        }
        return next_++;
    }
    void BeginUpdate() override { pageFirst_ = next_; }
    void EndUpdate() override {}

  private:
    TreeNodeId next_ = 1;
    TreeNodeId pageFirst_ = 1;
};

}  // namespace velmora::fuzz
