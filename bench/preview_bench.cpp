// Times the picture preview: the last picture (stream order) of the stream's second GOP, decoded from
// its GOP's I picture, and the first leading B picture of the third GOP, decoded from the second
// GOP's I picture. Each run starts a new decoder, as a new selection in the window does.
// Usage: preview_bench FILE [RUNS]; prints one line per picture: "LABEL: MEDIAN ms (N pictures
// decoded, WxH)". A cache file the analysis writes beside FILE stays there.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "analysis/header_kinds.h"
#include "analysis/m2v_stream.h"
#include "analysis/processing_options.h"
#include "analysis/records.h"
#include "preview/decode_plan.h"
#include "preview/file_stream_reader.h"
#include "preview/picture_decoder.h"
#include "settings/processing_mode.h"

namespace {

using velmora::THeaderList;

// The list indices of the pictures of each GOP, in stream order.
std::vector<std::vector<int64_t>> GopPictures(const THeaderList& Headers) {
    std::vector<std::vector<int64_t>> gops;
    for (int64_t i = 0; i < Headers.size(); ++i) {
        if (Headers.Kind(i) == velmora::kind::GopHeader) {
            gops.emplace_back();
        } else if (Headers.Kind(i) == velmora::kind::PictureHeader && !gops.empty()) {
            gops.back().push_back(i);
        }
    }
    return gops;
}

void Time(const char* Label, const std::string& File, const THeaderList& Headers, int64_t Entry, int Runs) {
    std::vector<double> ms;
    velmora::TRgbImage image;
    for (int run = 0; run < Runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        velmora::TFileStreamReader reader(File);
        image = velmora::MakePictureDecoder(reader)->DecodePicture(Headers, Entry);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    int64_t fed = 0;
    for (const velmora::TPlannedPicture& p : velmora::PlanPictureDecode(Headers, Entry).Pictures) {
        fed += p.Feed ? 1 : 0;
    }
    std::printf("%s: %.1f ms (%lld pictures decoded, %dx%d)\n", Label, ms[ms.size() / 2],
                static_cast<long long>(fed), image.Width, image.Height);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc == 3 ? std::max(1, std::stoi(argv[2])) : 15;
    try {
        velmora::TM2VStream stream(argv[1]);
        const bool extended = velmora::ApplyProcessingMode(stream, velmora::kShowTreeMode);
        stream.ParseStream(true, extended);
        stream.CloseFile();
        const THeaderList& headers = stream.FHeaders;
        const std::vector<std::vector<int64_t>> gops = GopPictures(headers);
        if (gops.size() < 3 || gops[2].size() < 2) {
            std::fprintf(stderr, "%s: needs three GOPs, the third with a leading B picture\n", argv[1]);
            return 1;
        }
        std::printf("GOP 2: %zu pictures\n", gops[1].size());
        Time("last picture of GOP 2", argv[1], headers, gops[1].back(), runs);
        Time("leading B picture of GOP 3", argv[1], headers, gops[2][1], runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
