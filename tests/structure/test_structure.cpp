// The rules that keep the source tree one a newcomer can change: read from the files
// themselves, so a change that breaks one is caught where it is made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path Source = fs::path(TUBRIX_SOURCE_DIR) / "src";

struct SourceFile {
    std::string Folder; // "tube", "main", ...
    std::string Unit;   // the file name without its extension
    std::string Name;   // with it
    std::string Text;
};

std::vector<SourceFile> SourceFiles() {
    std::vector<SourceFile> files;
    for (const auto& entry : fs::recursive_directory_iterator(Source)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".h" && extension != ".cpp") {
            continue;
        }
        std::ifstream in(entry.path());
        std::ostringstream text;
        text << in.rdbuf();
        files.push_back({entry.path().parent_path().filename().string(),
                         entry.path().stem().string(), entry.path().filename().string(),
                         text.str()});
    }
    return files;
}

// The project's own headers a file includes, by unit.
std::set<std::string> IncludedUnits(const std::string& text) {
    static const std::regex include(R"re(#include "([^"/]+)\.h")re");
    std::set<std::string> units;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), include);
         it != std::sregex_iterator(); ++it) {
        units.insert((*it)[1].str());
    }
    return units;
}

// Lines of the text that match, for the message.
std::string Matching(const SourceFile& file, const std::regex& pattern) {
    std::istringstream lines(file.Text);
    std::string line, found;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (std::regex_search(line, pattern)) {
            found +=
                file.Folder + "/" + file.Name + ":" + std::to_string(number) + ": " + line + "\n";
        }
    }
    return found;
}

TEST(Structure, NoUnitIncludesOneThatIncludesItBack) {
    // A unit is a header and its source; it depends on the units either of them includes.
    std::map<std::string, std::set<std::string>> uses;
    const std::vector<SourceFile> files = SourceFiles();
    for (const SourceFile& file : files) {
        uses[file.Unit];
    }
    for (const SourceFile& file : files) {
        for (const std::string& unit : IncludedUnits(file.Text)) {
            if (unit != file.Unit && uses.count(unit)) {
                uses[file.Unit].insert(unit);
            }
        }
    }
    std::map<std::string, int> state; // 1 on the path, 2 done
    std::vector<std::string> path;
    std::string cycles;
    const std::function<void(const std::string&)> visit = [&](const std::string& unit) {
        state[unit] = 1;
        path.push_back(unit);
        for (const std::string& next : uses[unit]) {
            if (state[next] == 1) {
                for (auto at = std::find(path.begin(), path.end(), next); at != path.end(); ++at) {
                    cycles += *at + " -> ";
                }
                cycles += next + "\n";
            } else if (state[next] == 0) {
                visit(next);
            }
        }
        path.pop_back();
        state[unit] = 2;
    };
    for (const auto& [unit, _] : uses) {
        if (state[unit] == 0) {
            visit(unit);
        }
    }
    EXPECT_EQ(cycles, "");
}

TEST(Structure, EachFolderKeepsToItsLayer) {
    const std::regex qt(R"(#include <Q)"), gl(R"(#include <(GL|EGL)/)");
    const std::regex glCall(R"(\bglu?[A-Z]\w*\s*\()");
    const std::regex findChild(R"(\bfindChild\b)");
    const std::regex windowHeader(R"(#include "frmmain\.h")");
    for (const SourceFile& file : SourceFiles()) {
        if (file.Folder == "tube") {
            EXPECT_EQ(Matching(file, qt) + Matching(file, gl), "")
                << "the tube library has no Qt, no GL";
        }
        if (file.Folder == "main") {
            EXPECT_EQ(Matching(file, gl) + Matching(file, glCall), "") << "the viewer draws";
            // Only the window itself and start-up, which makes the features, know the window.
            if (file.Unit != "frmmain" && file.Unit != "startup") {
                EXPECT_EQ(Matching(file, windowHeader), "") << "a feature is given the session";
            }
        }
        EXPECT_EQ(Matching(file, findChild), "") << "widgets are handed over, not looked up";
    }
}

} // namespace
