// The options of velmora-cli thumbnail, shared by the subcommand and the program that decodes, so
// both parse and explain them alike.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora::cli {

// The program that does the work: the decoder's libraries are large, and loading them would slow
// every other command's start, so velmora-cli runs it only for this command.
inline constexpr const char* kThumbnailProgram = "velmora-cli-thumbnail";

struct TThumbnailOptions {
    std::string File;
    int64_t Picture = 0;  // stream order from 1; 0 when --gop is given
    int64_t Gop = 0;      // from 1; 0 when --picture is given
    std::string Output;
    int Width = 0;  // 0: full size
    bool Force = false;
    std::string Mode = "tree";
};

void AddThumbnailOptions(CLI::App& Command, TThumbnailOptions& Options);

// The arguments that give Options to the program again.
std::vector<std::string> ThumbnailArguments(const TThumbnailOptions& Options);

// Writes the thumbnail; the exit status.
int RunThumbnail(const TThumbnailOptions& Options);

}  // namespace velmora::cli
