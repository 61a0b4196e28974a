// The manual page tubrix-cli(1) against the program's own help: the same commands and, for each,
// the same options, so neither can grow an option the other does not know. Both pages as `man`
// shows them in a terminal of 80 columns: every example where the page puts it, and no line
// wider than the terminal.
#include "cliprocess.h"

#include <QProcessEnvironment>
#include <QStandardPaths>

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

namespace {

// The page as `man -l` renders it, MANWIDTH columns wide, as a script or a terminal sees it.
std::string RenderedPage(const char* path, int width) {
    const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
    EXPECT_FALSE(man.isEmpty()) << "no man on the PATH: scripts/install-deps installs man-db and "
                                   "groff";
    if (man.isEmpty()) {
        return {};
    }
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QString::number(width));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("MAN_KEEP_FORMATTING"));
    environment.remove(QStringLiteral("MANROFFOPT"));
    process.setProcessEnvironment(environment);
    process.start(man, {QStringLiteral("-l"), QString::fromLocal8Bit(path)});
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000)) << path;
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The text lines of every .EX block of the page's source, as man prints them: \- a minus, \e
// a backslash.
std::vector<std::string> ExampleLines(const char* path) {
    std::ifstream file(path);
    EXPECT_TRUE(file) << path;
    std::vector<std::string> examples;
    bool inside = false;
    for (std::string line; std::getline(file, line);) {
        if (line == ".EX") {
            inside = true;
        } else if (line == ".EE") {
            inside = false;
        } else if (inside && !line.starts_with('.') && !line.empty()) {
            line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
            line = std::regex_replace(line, std::regex(R"(\\e)"), "\\");
            line = std::regex_replace(line, std::regex(R"(\\\(mu)"), "\u00d7");
            examples.push_back(line);
        }
    }
    return examples;
}

// Characters, not bytes: the pages print π, × and quotes.
std::size_t Columns(const std::string& line) {
    return static_cast<std::size_t>(QString::fromStdString(line).size());
}

// Prose is indented 7 columns, a section's .RS 4 example block 4 more; a line of an example
// that the page's own breaking moves or wraps is no longer where a person copies it from.
void ExpectExamplesKeepTheirIndent(const char* path) {
    SCOPED_TRACE(path);
    const std::vector<std::string> rendered = Lines(RenderedPage(path, 80));
    ASSERT_GT(rendered.size(), 20u);
    for (const std::string& line : rendered) {
        EXPECT_LE(Columns(line), 80u) << "wider than the terminal:\n" << line;
    }
    const std::vector<std::string> examples = ExampleLines(path);
    ASSERT_FALSE(examples.empty());
    for (const std::string& example : examples) {
        const std::string shown = std::string(11, ' ') + example;
        EXPECT_NE(std::find(rendered.begin(), rendered.end(), shown), rendered.end())
            << "not shown 11 columns in, on a line of its own:\n"
            << example;
    }
}

} // namespace

TEST(ManPages, ExamplesKeepTheirIndentAt80Columns) {
    ExpectExamplesKeepTheirIndent(TUBRIX_CLI_MANPAGE);
    ExpectExamplesKeepTheirIndent(TUBRIX_MANPAGE);
}

// The tubrix-cli page's EXAMPLES: each command under its sentence, none carried into the next
// one's block.
TEST(ManPages, EachExampleSentenceStartsAtTheProseIndent) {
    const std::vector<std::string> rendered = Lines(RenderedPage(TUBRIX_CLI_MANPAGE, 80));
    const auto examples = std::find(rendered.begin(), rendered.end(), "EXAMPLES");
    ASSERT_NE(examples, rendered.end());
    int sentences = 0;
    for (auto line = examples + 1; line != rendered.end() && !line->starts_with("SEE ALSO");
         ++line) {
        if (line->empty()) {
            continue;
        }
        const std::size_t indent = line->find_first_not_of(' ');
        if (line->find("tubrix-cli") == indent || line->starts_with(std::string(15, ' '))) {
            EXPECT_TRUE(indent == 11 || indent == 15) << *line; // a command, or its continuation
        } else {
            EXPECT_EQ(indent, 7u) << *line;
            sentences += line->ends_with(':');
        }
    }
    EXPECT_GE(sentences, 7);
}

// report's --mirror reads as one sentence.
TEST(ManPages, ReportMirrorReadsAsASentence) {
    std::string text;
    for (const std::string& line : Lines(RenderedPage(TUBRIX_CLI_MANPAGE, 80))) {
        text += ' ' + line;
    }
    text = std::regex_replace(text, std::regex(" +"), " ");
    const std::size_t report = text.find(" report tubrix-cli report ");
    ASSERT_NE(report, std::string::npos);
    const std::size_t mirror = text.find("--mirror Work", report);
    ASSERT_NE(mirror, std::string::npos);
    const std::size_t end = text.find(" FILES ", mirror);
    EXPECT_EQ(
        text.substr(mirror, end - mirror),
        "--mirror Work on the mirrored part, the other hand of a left/right pair: every B "
        "negated, everything else as it is; the sheet says the hand is \u201cmirrored\u201d.");
}
