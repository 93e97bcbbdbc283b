// velmora-cli report: analyse one stream and write its display order or frame structure report to a
// file or to standard output.
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "analyse.h"
#include "command_registry.h"
#include "present/reports.h"

namespace velmora::cli {
namespace {

struct TReportOptions {
    std::string Kind;
    std::string File;
    std::string Output = "-";
    std::string Mode = "tree";
};

int WriteToStandardOutput(const TReportOptions& options, const TM2VStream& stream) {
    if (options.Kind == "display-order") {
        WriteDisplayOrderReport(stream.FHeaders, stream.FFileName, std::cout);
    } else {
        WriteFrameStructureReport(stream.FHeaders, stream.FFileName, std::cout);
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "Can not write the report to standard output.\n";
        return kExitFailure;
    }
    return kExitOk;
}

int RunReport(const TReportOptions& options) {
    // A quick run keeps no header list, so its report would hold the title line only.
    if (!RequireHeaderList(options.Mode)) {
        return kExitFailure;
    }
    std::optional<TAnalysis> analysis = AnalyseStream(options.File, options.Mode);
    if (!analysis) {
        return kExitFailure;
    }
    const TM2VStream& stream = *analysis->Stream;
    if (options.Output == "-") {
        return WriteToStandardOutput(options, stream);
    }
    try {
        if (options.Kind == "display-order") {
            stream.SaveDisplayOrderReport(options.Output);
        } else {
            stream.SaveFrameStructureReport(options.Output);
        }
    } catch (const std::runtime_error& e) {
        std::cerr << e.what() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

void AddReportCommand(CLI::App& app) {
    auto options = std::make_shared<TReportOptions>();
    CLI::App* cmd = app.add_subcommand("report", "Analyse a stream and write its GOP report (CR LF text)");
    cmd->add_option("KIND", options->Kind, "display-order or frame-structure")
        ->required()
        ->check(CLI::IsMember({"display-order", "frame-structure"}));
    cmd->add_option("FILE", options->File, "MPEG-2 or MPEG-1 video elementary stream")->required();
    cmd->add_option("-o,--output", options->Output, "Report file; - for standard output")
        ->capture_default_str();
    cmd->add_option("--mode", options->Mode, "Processing mode; quick keeps no headers")
        ->check(CLI::IsMember(ProcessingModeCliNames()))
        ->capture_default_str();
    cmd->callback([options] { SetExitCode(RunReport(*options)); });
}

const RegisterCommand kRegisterReport(AddReportCommand);

}  // namespace
}  // namespace velmora::cli
