// What the package installs beside the programs: the completion files and the manual page keep up
// with what velmora-cli offers, and the desktop files pass their validators.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "settings/processing_mode.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace velmora::test {
namespace {

const std::string kData = std::string(VELMORA_SOURCE_DIR) + "/data";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The manual page as a reader sees its words: roff's \- is a hyphen, font changes vanish.
std::string ManText(const std::string& path) {
    std::string roff = ReadText(path);
    std::string text;
    for (size_t i = 0; i < roff.size(); ++i) {
        if (roff.compare(i, 2, "\\-") == 0) {
            text += '-';
            ++i;
        } else if (roff.compare(i, 2, "\\f") == 0) {
            i += 2;
        } else if (roff.compare(i, 2, "\\%") == 0) {
            ++i;
        } else {
            text += roff[i];
        }
    }
    return text;
}

// The long options (--name) in Text.
std::set<std::string> LongOptions(const std::string& text) {
    std::set<std::string> options;
    for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
        size_t end = at + 2;
        while (end < text.size() &&
               (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-')) {
            ++end;
        }
        if (end > at + 2) {
            options.insert(text.substr(at, end - at));
        }
        at = end - 2;
    }
    return options;
}

// True when Text holds Word with no letter, digit or hyphen next to it.
bool ContainsWord(const std::string& text, const std::string& word) {
    const auto partOfWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const size_t end = at + word.size();
        if ((at == 0 || !partOfWord(text[at - 1])) && (end == text.size() || !partOfWord(text[end]))) {
            return true;
        }
    }
    return false;
}

// The commands in the "Subcommands:" part of the program's --help.
std::vector<std::string> Commands(const std::string& help) {
    std::vector<std::string> commands;
    std::istringstream in(help.substr(help.find("Subcommands:")));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line) && line.starts_with("  ")) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        commands.push_back(name);
    }
    return commands;
}

// The part of Text from the first line starting with From up to the next line starting with To.
std::string Section(const std::string& text, const std::string& from, const std::string& to) {
    const size_t start = text.find("\n" + from);
    if (start == std::string::npos) {
        return {};
    }
    const size_t end = text.find("\n" + to, start + 1);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string Help(const std::string& args) {
    const TempDir dir;
    const TCliResult run = RunCli(VELMORA_CLI_PATH, dir.path().string(), args + " --help");
    EXPECT_EQ(run.ExitCode, 0) << args;
    return run.Out;
}

TEST(Packaging, CompletionAndManualKnowEveryCommandOptionAndMode) {
    const std::string bash = ReadText(kData + "/completion/velmora-cli.bash");
    const std::string zsh = ReadText(kData + "/completion/_velmora-cli");
    const std::string man = ManText(kData + "/man/velmora-cli.1");
    const std::string mainHelp = Help("");
    const std::set<std::string> globalOptions = LongOptions(mainHelp);
    ASSERT_TRUE(globalOptions.contains("--version"));
    for (const std::string& option : globalOptions) {
        EXPECT_NE(bash.find(option), std::string::npos) << option << " in the bash completion";
        EXPECT_NE(zsh.find(option), std::string::npos) << option << " in the zsh completion";
        EXPECT_NE(man.find(".B " + option + "\n"), std::string::npos) << option << " in the manual page";
    }

    const size_t commandList = bash.find("commands=");
    const std::string bashCommands = bash.substr(commandList, bash.find('\n', commandList) - commandList);
    const std::vector<std::string> commands = Commands(mainHelp);
    ASSERT_FALSE(commands.empty()) << mainHelp;
    for (const std::string& command : commands) {
        // Each command's own options are listed where the file describes that command.
        const std::string bashPart = Section(bash, "        " + command + ")", "        ");
        const std::string zshPart =
            Section(zsh, "                " + command + ")", "                    ;;");
        const std::string manPart = Section(man, ".BI \"" + command + " ", ".TP\n.BI \"");
        EXPECT_TRUE(ContainsWord(bashCommands, command)) << command << " in the bash command list";
        EXPECT_NE(zsh.find("'" + command + ":"), std::string::npos) << command << " in the zsh command list";
        EXPECT_FALSE(bashPart.empty()) << command << " in the bash completion";
        EXPECT_FALSE(zshPart.empty()) << command << " in the zsh completion";
        EXPECT_FALSE(manPart.empty()) << command << " in the manual page";
        for (const std::string& option : LongOptions(Help(command))) {
            if (globalOptions.contains(option)) {
                continue;
            }
            EXPECT_NE(bashPart.find(option), std::string::npos) << command << " " << option << " in bash";
            EXPECT_NE(zshPart.find(option), std::string::npos) << command << " " << option << " in zsh";
            EXPECT_NE(manPart.find(option), std::string::npos)
                << command << " " << option << " in the manual";
        }
    }

    const std::string manModes = Section(man, ".SH PROCESSING MODES", ".SH");
    for (const TProcessingMode& mode : ProcessingModes()) {
        const std::string name(mode.CliName);
        EXPECT_TRUE(ContainsWord(bash, name)) << name << " in the bash completion";
        EXPECT_TRUE(ContainsWord(zsh, name)) << name << " in the zsh completion";
        EXPECT_NE(manModes.find(".B " + name + "\n"), std::string::npos) << name << " in the manual page";
    }
}

// Bash's completion for the words typed so far, with the helpers of the bash-completion package
// replaced by plain ones: stream files complete as FILES.
std::string BashCompletion(const std::string& typed) {
    const TempDir dir;
    std::ofstream(dir.File("run"))
        << "complete() { :; }\n"
           "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD;\n"
           "  cur=${COMP_WORDS[COMP_CWORD]}; prev=${COMP_WORDS[COMP_CWORD-1]}; }\n"
           "_filedir() { COMPREPLY=(FILES); }\n"
           "source " +
               ShellQuote(kData + "/completion/velmora-cli.bash") +
               "\n"
               "COMP_WORDS=(" +
               typed +
               ")\n"
               "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
               "_velmora_cli\n"
               "echo \"${COMPREPLY[*]}\"\n";
    const TCliResult run = RunCli("/bin/bash", dir.path().string(), "run");
    EXPECT_EQ(run.ExitCode, 0) << typed << ": " << run.Err;
    return run.Out;
}

TEST(Packaging, BashCompletesCommandsOptionsAndValues) {
    const struct {
        const char* Typed;
        const char* Offered;
    } cases[] = {
        {"velmora-cli ''", "info headers report cut split-gops correct seqend extract thumbnail"},
        {"velmora-cli --p", "--progress"},
        {"velmora-cli --no-progress sp", "split-gops"},
        {"velmora-cli info --mode ''", "quick first-gop tree extended-tree rewrite-cache"},
        {"velmora-cli split-gops --mode ''", "tree extended-tree first-gop rewrite-cache"},
        {"velmora-cli headers --c", "--count"},
        {"velmora-cli info --mode tree ''", "FILES"},
        {"velmora-cli report ''", "display-order frame-structure"},
        {"velmora-cli report -o r.txt f", "frame-structure"},
        {"velmora-cli report display-order ''", "FILES"},
        {"velmora-cli seqend ''", "set delete"},
        {"velmora-cli cut --from 3 --to ''", "end"},
        {"velmora-cli cut -o ''", "FILES"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BashCompletion(c.Typed), std::string(c.Offered) + "\n") << c.Typed;
    }
}

struct TValidator {
    const char* Name;
    const char* Program;
    std::string Arguments;
    bool Silent;  // prints nothing when the file is right
};

class PackagingValidator : public ::testing::TestWithParam<TValidator> {};

// Each validator runs where its program is installed (desktop-file-utils, appstream, groff, zsh).
TEST_P(PackagingValidator, PassesTheFile) {
    const TValidator& v = GetParam();
    if (std::system(("command -v " + std::string(v.Program) + " >/dev/null 2>&1").c_str()) != 0) {
        GTEST_SKIP() << v.Program << " is not installed";
    }
    const TempDir dir;
    const TCliResult run = RunCli(v.Program, dir.path().string(), v.Arguments);
    EXPECT_EQ(run.ExitCode, 0) << v.Arguments << "\n" << run.Out << run.Err;
    if (v.Silent) {
        EXPECT_EQ(run.Out + run.Err, "") << v.Arguments;
    }
}

INSTANTIATE_TEST_SUITE_P(
    DataFiles, PackagingValidator,
    ::testing::Values(
        TValidator{"DesktopEntry", "desktop-file-validate", ShellQuote(kData + "/velmora.desktop"), false},
        TValidator{"Metainfo", "appstreamcli",
                   "validate --no-net " + ShellQuote(kData + "/com.brimvale.Velmora.metainfo.xml"), false},
        TValidator{"CliManualPage", "groff", "-man -ww -z " + ShellQuote(kData + "/man/velmora-cli.1"), true},
        TValidator{"ManualPage", "groff", "-man -ww -z " + ShellQuote(kData + "/man/velmora.1"), true},
        TValidator{"ZshCompletion", "zsh", "-n " + ShellQuote(kData + "/completion/_velmora-cli"), true}),
    [](const ::testing::TestParamInfo<TValidator>& info) { return std::string(info.param.Name); });

TEST(Packaging, ReleaseNumbersMatchTheBuild) {
    const std::string version = VELMORA_VERSION;
    EXPECT_NE(
        ReadText(kData + "/com.brimvale.Velmora.metainfo.xml").find("<release version=\"" + version + "\""),
        std::string::npos);
    for (const char* page : {"velmora.1", "velmora-cli.1"}) {
        EXPECT_NE(ReadText(kData + "/man/" + page).find("\"Velmora " + version + "\""), std::string::npos)
            << page;
    }
}

}  // namespace
}  // namespace velmora::test
