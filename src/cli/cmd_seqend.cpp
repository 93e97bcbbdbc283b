// velmora-cli seqend: append the sequence end code to a stream, or remove the one that ends it. Both
// look only at the file's last four bytes, so no analysis runs first.
#include <memory>
#include <string>

#include "command_registry.h"
#include "console_log.h"
#include "tools/sequence_end.h"

namespace velmora::cli {
namespace {

struct TSeqEndOptions {
    std::string Action;
    std::string File;
};

int RunSeqEnd(const TSeqEndOptions& options) {
    TConsoleLog log;
    const bool done = options.Action == "set" ? SetSequenceEndWithLog(options.File, &log)
                                              : DeleteSequenceEndWithLog(options.File, &log);
    return done ? kExitOk : kExitFailure;
}

void AddSeqEndCommand(CLI::App& app) {
    auto options = std::make_shared<TSeqEndOptions>();
    CLI::App* cmd =
        app.add_subcommand("seqend", "Set or delete the SEQUENCE_END code at the end of a stream");
    cmd->add_option("ACTION", options->Action, "set or delete")
        ->required()
        ->check(CLI::IsMember({"set", "delete"}));
    cmd->add_option("FILE", options->File, "The stream, changed in place")->required();
    cmd->callback([options] { SetExitCode(RunSeqEnd(*options)); });
}

const RegisterCommand kRegisterSeqEnd(AddSeqEndCommand);

}  // namespace
}  // namespace velmora::cli
