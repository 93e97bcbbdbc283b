// Runs the analyser for the commands, with its progress bar and messages on standard error.
#include "analyse.h"

#include <filesystem>
#include <iostream>

#include "analysis/processing_options.h"
#include "io/file_bit_stream.h"
#include "io/vob_file_stream.h"
#include "settings/processing_mode.h"
#include "terminal_progress.h"

namespace velmora::cli {

std::vector<std::string> ProcessingModeCliNames() {
    std::vector<std::string> names;
    for (const TProcessingMode& mode : ProcessingModes()) {
        names.emplace_back(mode.CliName);
    }
    return names;
}

bool RequireHeaderList(std::string_view cliMode) {
    const TProcessingMode* mode = FindProcessingMode(ProcessingModeFromCliName(cliMode));
    if (mode == nullptr || mode->FQuickMode) {
        std::cerr << "Mode " << cliMode
                  << " keeps no header list: use --mode tree, extended-tree, first-gop or "
                  << "rewrite-cache.\n";
        return false;
    }
    return true;
}

std::optional<TAnalysis> AnalyseStream(const std::string& fileName, std::string_view cliMode,
                                       bool keepCutList) {
    TAnalysis analysis;
    try {
        analysis.Stream = std::make_unique<TM2VStream>(fileName);
    } catch (const EParserFileException&) {
        std::cerr << "Can not open file " << std::filesystem::path(fileName).filename().string() << " !\n";
        return std::nullopt;
    }
    TM2VStream& stream = *analysis.Stream;
    std::unique_ptr<TTerminalProgress> progress = TTerminalProgress::IfWanted("Processing", fileName);
    if (progress) {
        stream.SetProgressBar(progress.get());
    }
    stream.OnLog = [&messages = analysis.Messages](const std::string& text) {
        messages.push_back(text);
        TTerminalProgress::ClearLine();  // the message takes the bar's line; the bar is drawn again below it
        std::cerr << text << '\n';
    };
    const bool extended = ApplyProcessingMode(stream, ProcessingModeFromCliName(cliMode));
    stream.FKeepCutList = keepCutList;
    try {
        stream.ParseStream(true, extended);
    } catch (const EVOBException& e) {
        if (progress) {
            progress->Finish();
        }
        std::cerr << e.what() << '\n';
        return std::nullopt;
    }
    if (progress) {
        if (stream.FAborted) {
            progress->Finish();
        } else {
            progress->Complete();
        }
    }
    // The bar dies with this function; later work on the analyser must not draw on it.
    stream.FProgressBar = nullptr;
    stream.OnLog = nullptr;
    stream.CloseFile();
    return analysis;
}

}  // namespace velmora::cli
