#include "thumbnail_options.h"

#include "analyse.h"

namespace velmora::cli {

void AddThumbnailOptions(CLI::App& Command, TThumbnailOptions& Options) {
    Command.description("Decode one picture and write it as a PNG file");
    // The command list prints the whole description, so the numbering goes under the options.
    Command.footer(
        "Pictures are numbered in stream (coded) order from 1, as cut numbers them; the PNG shows the "
        "picture itself, whatever its place in display order. GOPs are numbered from 1 in stream order.");
    Command.add_option("FILE", Options.File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    CLI::Option_group* which = Command.add_option_group("picture", "Which picture (one of)");
    which->add_option("--picture", Options.Picture, "Picture number, stream order from 1")
        ->check(CLI::PositiveNumber);
    which->add_option("--gop", Options.Gop, "GOP number from 1: its I picture")->check(CLI::PositiveNumber);
    which->require_option(1);
    Command.add_option("-o,--output", Options.Output, "PNG file to write")->required();
    Command.add_option("--width", Options.Width, "Scale to this width, keeping the picture's proportions")
        ->check(CLI::Range(1, 16384));
    Command.add_flag("--force", Options.Force, "Replace OUTPUT when it exists");
    Command.add_option("--mode", Options.Mode, "Processing mode; quick keeps no headers")
        ->check(CLI::IsMember(ProcessingModeCliNames()))
        ->capture_default_str();
}

std::vector<std::string> ThumbnailArguments(const TThumbnailOptions& Options) {
    std::vector<std::string> args = {Options.File, "-o", Options.Output, "--mode", Options.Mode};
    if (Options.Picture > 0) {
        args.insert(args.end(), {"--picture", std::to_string(Options.Picture)});
    } else {
        args.insert(args.end(), {"--gop", std::to_string(Options.Gop)});
    }
    if (Options.Width > 0) {
        args.insert(args.end(), {"--width", std::to_string(Options.Width)});
    }
    if (Options.Force) {
        args.emplace_back("--force");
    }
    return args;
}

}  // namespace velmora::cli
