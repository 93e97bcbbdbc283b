// velmora-cli thumbnail's work: analyse the stream, find the picture, decode it and write the PNG.
#include <iostream>
#include <optional>
#include <string>

#include "analyse.h"
#include "analysis/header_kinds.h"
#include "analysis/records.h"
#include "command_registry.h"
#include "io/output_file.h"
#include "preview/file_stream_reader.h"
#include "preview/picture_decoder.h"
#include "preview/png_file.h"
#include "preview/preview_error.h"
#include "thumbnail_options.h"
#include "tools/picture_entries.h"

namespace velmora::cli {
namespace {

constexpr int32_t kIntra = 1;

// The list index of the Number-th picture in stream order, or nothing.
std::optional<int64_t> PictureEntry(const THeaderList& Headers, int64_t Number, int64_t& Count) {
    Count = 0;
    for (int64_t i = 0; i < Headers.size(); ++i) {
        if (IsPictureEntry(Headers[i]) && ++Count == Number) {
            return i;
        }
    }
    return std::nullopt;
}

// The list index of the first I picture of the Number-th GOP, or nothing; Count counts the GOPs.
std::optional<int64_t> GopIntraEntry(const THeaderList& Headers, int64_t Number, int64_t& Count) {
    Count = 0;
    for (int64_t i = 0; i < Headers.size(); ++i) {
        if (Headers.Kind(i) == kind::GopHeader && ++Count == Number) {
            for (int64_t j = i + 1; j < Headers.size() && Headers.Kind(j) != kind::GopHeader; ++j) {
                if (IsPictureEntry(Headers[j]) &&
                    Headers[j].As<TPictureHeaderRecord>().picture_coding_type == kIntra) {
                    return j;
                }
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<int64_t> FindEntry(const TThumbnailOptions& Options, const THeaderList& Headers) {
    int64_t count = 0;
    if (Options.Picture > 0) {
        std::optional<int64_t> entry = PictureEntry(Headers, Options.Picture, count);
        if (!entry) {
            std::cerr << "There is no picture " << Options.Picture << ": the stream has " << count
                      << " pictures.\n";
        }
        return entry;
    }
    std::optional<int64_t> entry = GopIntraEntry(Headers, Options.Gop, count);
    if (!entry && Options.Gop <= count) {
        std::cerr << "GOP " << Options.Gop << " has no I picture.\n";
    } else if (!entry) {
        std::cerr << "There is no GOP " << Options.Gop << ": the stream has " << count << " GOPs.\n";
    }
    return entry;
}

}  // namespace

int RunThumbnail(const TThumbnailOptions& Options) {
    const TTargetFile target = InspectTarget(Options.Output);
    if (target.Exists && !Options.Force) {
        std::cerr << Options.Output << " exists: use --force to replace it.\n";
        return kExitFailure;
    }
    if (SameFile(Options.Output, Options.File)) {
        std::cerr << Options.Output << " is the stream itself: choose another output file.\n";
        return kExitFailure;
    }
    if (!RequireHeaderList(Options.Mode)) {
        return kExitFailure;
    }
    std::optional<TAnalysis> analysis = AnalyseStream(Options.File, Options.Mode);
    if (!analysis) {
        return kExitFailure;
    }
    const THeaderList& headers = analysis->Stream->FHeaders;
    const std::optional<int64_t> entry = FindEntry(Options, headers);
    if (!entry) {
        return kExitFailure;
    }
    std::string png;
    try {
        TFileStreamReader reader(Options.File);
        TRgbImage image = MakePictureDecoder(reader)->DecodePicture(headers, *entry);
        if (Options.Width > 0) {
            image = ScaleToWidth(image, Options.Width);
        }
        png = EncodePng(image);
    } catch (const EPreviewError& e) {
        std::cerr << e.what() << '\n';
        return kExitFailure;
    }
    TOutputFile out(target);
    if (!out.Ok() || !out.Write(png) || !out.Commit()) {
        std::cerr << out.Error() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace velmora::cli
