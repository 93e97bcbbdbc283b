// velmora-cli thumbnail: the PNG it writes (read back with libpng), and how it refuses.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

struct TPngSize {
    int Width = 0;
    int Height = 0;
};

// The size of the PNG file Path, or 0 x 0 when libpng can not read it whole.
TPngSize ReadPngSize(const std::string& Path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, Path.c_str())) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    const TPngSize size{static_cast<int>(image.width), static_cast<int>(image.height)};
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    return size;
}

class ThumbnailCli : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(fs::path(VELMORA_TEST_DATA_DIR) / "preview_pal.m2v", dir_.File("pal.m2v"));
    }
    TCliResult Run(const std::string& args) {
        return RunCli(VELMORA_CLI_PATH, dir_.path().string(), "thumbnail " + args);
    }

    TempDir dir_;
};

TEST_F(ThumbnailCli, WritesThePictureFullSizeOrScaledToAWidth) {
    struct TCase {
        const char* Args;
        int Width;
        int Height;
    };
    for (const TCase& c : {TCase{"pal.m2v --picture 15 -o a.png", 720, 576},
                           TCase{"pal.m2v --gop 2 --width 360 -o b.png", 360, 288},
                           TCase{"pal.m2v --picture 1 --width 100 -o c.png", 100, 80}}) {
        const TCliResult run = Run(c.Args);
        ASSERT_EQ(run.ExitCode, 0) << c.Args << ": " << run.Err;
        const std::string out = dir_.File(std::string(c.Args).substr(std::string(c.Args).rfind(' ') + 1));
        const TPngSize size = ReadPngSize(out);
        EXPECT_EQ(size.Width, c.Width) << c.Args;
        EXPECT_EQ(size.Height, c.Height) << c.Args;
    }
}

TEST_F(ThumbnailCli, ReplacesAFileOnlyWithForce) {
    WriteFileBytes(dir_.File("old.png"), {'o', 'l', 'd'});
    const TCliResult refused = Run("pal.m2v --picture 2 -o old.png");
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_NE(refused.Err.find("use --force"), std::string::npos) << refused.Err;
    EXPECT_EQ(ReadFileBytes(dir_.File("old.png")).size(), 3u);

    const TCliResult forced = Run("pal.m2v --picture 2 -o old.png --force");
    ASSERT_EQ(forced.ExitCode, 0) << forced.Err;
    EXPECT_EQ(ReadPngSize(dir_.File("old.png")).Width, 720);
}

TEST_F(ThumbnailCli, RefusesWithAReasonAndWritesNothing) {
    // The P picture at 26338 gets its slices overwritten.
    std::vector<uint8_t> damaged = ReadFileBytes(dir_.File("pal.m2v"));
    std::fill(damaged.begin() + 26338 + 200, damaged.begin() + 26338 + 1200, 0xFF);
    WriteFileBytes(dir_.File("damaged.m2v"), damaged);
    struct TCase {
        const char* Args;
        int ExitCode;
        const char* Says;
    };
    for (const TCase& c : {TCase{"pal.m2v --picture 19 -o out.png", 1, "the stream has 18 pictures"},
                           TCase{"pal.m2v --gop 3 -o out.png", 1, "the stream has 2 GOPs"},
                           TCase{"damaged.m2v --picture 11 -o out.png", 1, "is damaged"},
                           TCase{"damaged.m2v --picture 12 -o out.png", 1, "which this one depends on"},
                           TCase{"pal.m2v --picture 1 -o pal.m2v --force", 1, "is the stream itself"},
                           TCase{"pal.m2v --picture 1 --mode quick -o out.png", 1, "keeps no header list"},
                           TCase{"pal.m2v --picture 1 --gop 1 -o out.png", 2, ""},
                           TCase{"pal.m2v -o out.png", 2, ""}, TCase{"pal.m2v --picture 0 -o out.png", 2, ""},
                           TCase{"pal.m2v --picture 1 --width 0 -o out.png", 2, ""}}) {
        const TCliResult run = Run(c.Args);
        EXPECT_EQ(run.ExitCode, c.ExitCode) << c.Args << ": " << run.Err;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << c.Args << ": " << run.Err;
        EXPECT_FALSE(fs::exists(dir_.File("out.png"))) << c.Args;
    }
    EXPECT_EQ(ReadFileBytes(dir_.File("pal.m2v")).size(), 49454u);
}

TEST_F(ThumbnailCli, HelpSaysHowPicturesAreNumbered) {
    const TCliResult run = Run("--help");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(run.Out.find("stream (coded) order from 1, as cut numbers them"), std::string::npos) << run.Out;
}

}  // namespace
}  // namespace velmora::test
