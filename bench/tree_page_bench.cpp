// Times header tree pages of 2000 entries at the start and at the end of a short and of a long
// synthetic header list, to show that a page costs the same wherever it is and however long the list.
// Run: cmake --build build -j2 --target tree_page_bench && build/bench/tree_page_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "present/tree_page.h"

namespace {

using namespace velmora;

// Stands for a tree view that keeps its nodes: stores the captions, so that the text work of a
// page is measured, not optimised away.
class TCollectingSink : public ITreeSink {
  public:
    TreeNodeId AddNode(TreeNodeId, const std::string& caption, int, std::optional<int32_t>) override {
        bytes_ += caption.size();
        return ++count_;
    }
    void BeginUpdate() override {}
    void EndUpdate() override {}
    size_t Bytes() const { return bytes_; }

  private:
    TreeNodeId count_ = 0;
    size_t bytes_ = 0;
};

// A stream-like list: sequence header and extension every GOP, GOPs of 12 pictures, each picture
// followed by its coding extension.
THeaderList SyntheticList(int64_t entries) {
    THeaderList headers;
    TSequenceHeaderRecord sequence{};
    sequence.horizontal_size_value = 720;
    TGopHeaderRecord gop{};
    TPictureHeaderRecord picture{};
    TPictureCodingExtensionRecord extension{};
    extension.picture_structure = 3;
    while (headers.size() < entries) {
        ++sequence.Ordinal;
        headers.Append(kind::SequenceHeader, sequence);
        headers.Append(kind::SequenceExtension, TSequenceExtensionRecord{});
        ++gop.gop_number;
        headers.Append(kind::GopHeader, gop);
        for (int p = 0; p < 12 && headers.size() < entries; ++p) {
            picture.picture_coding_type = p == 0 ? 1 : (p % 3 == 0 ? 2 : 3);
            ++picture.display_index;
            picture.file_position += 20000;
            headers.Append(kind::PictureHeader, picture);
            headers.Append(kind::PictureCodingExtension, extension);
        }
    }
    return headers;
}

// Median time of building the page, in milliseconds.
double PageMilliseconds(const THeaderList& headers, int64_t firstEntry, int64_t count, size_t& checksum) {
    std::vector<double> times;
    for (int run = 0; run < 15; ++run) {
        TCollectingSink sink;
        TreeNodeId lastPicture = kTreeRoot;
        const auto start = std::chrono::steady_clock::now();
        BuildTreePage(headers, firstEntry, count, sink, nullptr, 0, lastPicture);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        checksum += sink.Bytes();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    constexpr int64_t kPage = 2000;
    constexpr int64_t kShort = 50000;
    constexpr int64_t kLong = 5000000;
    size_t checksum = 0;

    std::printf("page of %lld entries, median of 15 runs\n", static_cast<long long>(kPage));
    double shortStart = 0;
    double longEnd = 0;
    for (const int64_t length : {kShort, kLong}) {
        const THeaderList headers = SyntheticList(length);
        const double atStart = PageMilliseconds(headers, 1, kPage, checksum);
        const double atEnd = PageMilliseconds(headers, length - kPage + 1, kPage, checksum);
        std::printf("list of %9lld entries: start %.3f ms, end %.3f ms, end/start %.2f\n",
                    static_cast<long long>(length), atStart, atEnd, atEnd / atStart);
        if (length == kShort) {
            shortStart = atStart;
        } else {
            longEnd = atEnd;
        }
    }
    std::printf("end of long list / start of short list: %.2f (target: about 1, each page under 20 ms)\n",
                longEnd / shortStart);
    std::printf("(caption bytes built: %zu)\n", checksum);
    return 0;
}
