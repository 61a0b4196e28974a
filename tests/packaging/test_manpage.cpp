// The manual page tubrix-cli(1) against the program's own help: the same commands and, for each,
// the same options, so neither can grow an option the other does not know.
#include "cliprocess.h"

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

using Names = std::set<std::string>;

// The first word of each entry of a section of CLI11's help ("Options:", "Subcommands:"): the
// section runs to the next line that does not start with a blank; wrapped descriptions start
// with many blanks and no name.
std::vector<std::string> HelpEntries(const std::string& help, const std::string& section) {
    std::vector<std::string> entries;
    std::istringstream lines(help);
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != ' ') {
            inside = line == section;
        } else if (inside && line.starts_with("  ") && line.size() > 2 && line[2] != ' ') {
            entries.push_back(line.substr(2, line.find(' ', 2) - 2));
        }
    }
    return entries;
}

// "-o,--output" gives -o and --output.
Names HelpOptions(const std::string& help) {
    Names names;
    for (const std::string& entry : HelpEntries(help, "Options:")) {
        std::istringstream parts(entry);
        for (std::string name; std::getline(parts, name, ',');) {
            names.insert(name);
        }
    }
    return names;
}

Names HelpCommands(const std::string& help) {
    const std::vector<std::string> entries = HelpEntries(help, "Subcommands:");
    return {entries.begin(), entries.end()};
}

// The options the page documents: the tags of its .TP paragraphs, under .SH OPTIONS for the
// program and under .SS <command> in .SH COMMANDS for each command.
struct ManPage {
    Names Options;
    std::map<std::string, Names> Commands;
};

Names TagOptions(std::string tag) {
    // Roff writes a minus as \- and switches fonts with \fB, \fI, \fR, \fP.
    tag = std::regex_replace(tag, std::regex(R"(\\-)"), "-");
    tag = std::regex_replace(tag, std::regex(R"(\\f[BIRP])"), "");
    static const std::regex option(R"((?:^|[\s",|\[])(--?[A-Za-z][A-Za-z0-9-]*))");
    Names names;
    for (std::sregex_iterator it(tag.begin(), tag.end(), option), end; it != end; ++it) {
        names.insert((*it)[1]);
    }
    return names;
}

ManPage ReadManPage(const char* path) {
    std::ifstream file(path);
    EXPECT_TRUE(file) << path;
    ManPage page;
    std::string section;
    Names* current = nullptr;
    bool tagFollows = false;
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with(".SH ")) {
            section = line.substr(4);
            current = section == "OPTIONS" ? &page.Options : nullptr;
        } else if (line.starts_with(".SS ") && section == "COMMANDS") {
            current = &page.Commands[line.substr(4)];
        } else if (tagFollows && current) {
            current->merge(TagOptions(line));
        }
        tagFollows = line == ".TP";
    }
    return page;
}

} // namespace

TEST(CliManPage, DocumentsTheCommandsAndOptionsOfTheHelp) {
    QTemporaryDir folder;
    const clitest::CliRun top = clitest::RunCli({"--help"}, folder.path());
    ASSERT_EQ(top.Status, 0) << top.Err;
    const Names commands = HelpCommands(top.Out);
    ASSERT_FALSE(commands.empty()) << "no commands read from the help:\n" << top.Out;

    const ManPage page = ReadManPage(TUBRIX_CLI_MANPAGE);
    EXPECT_EQ(page.Options, HelpOptions(top.Out));
    Names documented;
    for (const auto& [command, options] : page.Commands) {
        documented.insert(command);
    }
    EXPECT_EQ(documented, commands);

    for (const std::string& command : commands) {
        const clitest::CliRun help = clitest::RunCli({command, "--help"}, folder.path());
        ASSERT_EQ(help.Status, 0) << command << ": " << help.Err;
        // Every command takes -h and --help; the page says so once, under OPTIONS.
        Names expected = page.Commands.contains(command) ? page.Commands.at(command) : Names{};
        expected.insert({"-h", "--help"});
        EXPECT_EQ(HelpOptions(help.Out), expected) << "tubrix-cli " << command;
    }
}
