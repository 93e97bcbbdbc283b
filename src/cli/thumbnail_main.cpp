// velmora-cli-thumbnail: the decoding half of velmora-cli thumbnail, which starts it with the same
// options.
#include <iostream>

#include "command_registry.h"
#include "thumbnail_options.h"

int main(int argc, char** argv) {
    using namespace velmora::cli;
    CLI::App app{"", "velmora-cli thumbnail"};
    TThumbnailOptions options;
    AddThumbnailOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    try {
        return RunThumbnail(options);
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return kExitFailure;
    }
}
