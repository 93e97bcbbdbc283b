// Writes the seed corpora of the fuzz targets: the sample streams and a few built streams, each with
// every processing-mode byte in front (stream target), and the analysis caches the analyser writes
// for them (cache target).
//   make_fuzz_seeds SAMPLE_FOLDER OUT_FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/m2v_stream.h"
#include "analysis/processing_options.h"
#include "fuzz_file.h"
#include "settings/processing_mode.h"
#include "support/stream_builder.h"

namespace fs = std::filesystem;
using namespace velmora;
using velmora::test::TStreamBuilder;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every header kind the analyser records, in one short stream.
std::vector<uint8_t> EveryHeaderKind() {
    TStreamBuilder b;
    b.SequenceHeader()
        .SequenceExtension()
        .SequenceDisplayExtension()
        .SequenceScalableExtension()
        .QuantMatrixExtension()
        .UserData("CC")
        .Gop();
    b.CodedPicture({.temporal_reference = 1, .picture_coding_type = 1}, {.repeat_first_field = 1}, 1);
    b.PictureDisplayExtension().PictureSpatialScalableExtension().PictureTemporalScalableExtension();
    b.CodedPicture({.temporal_reference = 0, .picture_coding_type = 3}, {.picture_structure = 1}, 1);
    b.CodedPicture({.temporal_reference = 0, .picture_coding_type = 3}, {.picture_structure = 2}, 1);
    b.PackHeader().PaddingPacket(4).Gop({.drop_frame_flag = 1});
    b.CodedPicture({.temporal_reference = 0, .picture_coding_type = 4}, {}, 1);
    b.SequenceHeader().SequenceExtension().Gop().CodedPicture({}, {}, 1).SequenceEnd();
    return b.Bytes();
}

// MPEG-1: no sequence extension, pictures without coding extensions.
std::vector<uint8_t> Mpeg1() {
    TStreamBuilder b;
    b.SequenceHeader().Gop();
    for (uint32_t i = 0; i < 4; ++i) {
        b.Picture(i == 0 ? 1 : 2, i).Slices(1, 2);
    }
    b.SequenceEnd();
    return b.Bytes();
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fuzz::WriteFile(path.string(), bytes.data(), bytes.size());
}

// The cache the analyser writes for stream in "Show tree" mode, or nothing when it writes none.
std::vector<uint8_t> CacheOf(const std::vector<uint8_t>& stream, const fs::path& scratch) {
    const fs::path file = scratch / "seed.m2v";
    Write(file, stream);
    std::error_code ec;
    fs::remove(file.string() + ".vnf", ec);
    {
        TM2VStream analyser(file.string());
        analyser.OnLog = [](const std::string&) {};
        analyser.ParseStream(true, ApplyProcessingMode(analyser, kShowTreeMode));
    }
    return fs::exists(file.string() + ".vnf") ? ReadBytes(file.string() + ".vnf") : std::vector<uint8_t>{};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds SAMPLE_FOLDER OUT_FOLDER\n");
        return 2;
    }
    fuzz::SilenceMessageBoxes();
    const fs::path out = argv[2];
    for (const char* folder : {"stream_parse", "cache_load", "scratch"}) {
        fs::create_directories(out / folder);
    }
    std::vector<std::pair<std::string, std::vector<uint8_t>>> streams = {
        {"every_header_kind", EveryHeaderKind()}, {"mpeg1_built", Mpeg1()}};
    for (const fs::directory_entry& entry : fs::directory_iterator(argv[1])) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".m2v" || ext == ".m1v") {
            streams.emplace_back(entry.path().stem().string(), ReadBytes(entry.path()));
        }
    }
    for (const auto& [name, bytes] : streams) {
        for (uint8_t mode = 0; mode < ProcessingModes().size(); ++mode) {
            std::vector<uint8_t> seed{mode};
            seed.insert(seed.end(), bytes.begin(), bytes.end());
            Write(out / "stream_parse" / (name + "_mode" + std::to_string(mode)), seed);
        }
        const std::vector<uint8_t> cache = CacheOf(bytes, out / "scratch");
        if (!cache.empty()) {
            Write(out / "cache_load" / (name + ".vnf"), cache);
        }
    }
    fs::remove_all(out / "scratch");
    std::printf("%zu streams written to %s\n", streams.size(), out.c_str());
    return 0;
}
