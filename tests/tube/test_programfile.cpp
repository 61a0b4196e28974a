#include "fileaccess.h"
#include "numbertext.h"
#include "programfile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tubrix;

namespace {

namespace fs = std::filesystem;

const std::string ReadmeExample = "# comment lines and blank lines are ignored\n"
                                  "diameter,38\n"
                                  "Y,B,C,R\n"
                                  "30,0,90,45\n"
                                  "30,90,90,45\n"
                                  "30,0,0,45\n";
const std::vector<BendRowInput> ReadmeRows = {{30, 0, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

void ExpectRows(const Result<ProgramRows>& loaded, const std::vector<BendRowInput>& rows) {
    ASSERT_TRUE(loaded) << loaded.Failure().ToString();
    ASSERT_EQ(loaded->Rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const BendRowInput& got = loaded->Rows[i];
        EXPECT_TRUE(SameBits(got.Y, rows[i].Y) && SameBits(got.B, rows[i].B) &&
                    SameBits(got.C, rows[i].C) && SameBits(got.R, rows[i].R))
            << "row " << i << ": " << got.Y << "," << got.B << "," << got.C << "," << got.R;
    }
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string name = (fs::temp_directory_path() / "tubrix-files-XXXXXX").string();
        path_ = ::mkdtemp(name.data());
    }
    ~TempFolder() { fs::remove_all(path_); }
    std::string File(const std::string& name, const std::string& content) const {
        const std::string path = (path_ / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::size_t Entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), {}));
    }

private:
    fs::path path_;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ProgramFile, TheReadmeExampleGivesItsRowsAndRecord) {
    const Result<ProgramRows> loaded = ParseProgramText(ReadmeExample, "example.csv");
    ExpectRows(loaded, ReadmeRows);
    const BendProgram program = ProgramFromRows(*loaded);
    EXPECT_EQ(program.TubeDiameter, 38);
    EXPECT_EQ(program.StepCount, 3);
    // Three straights of 30 and two quarter bends of radius 45.
    EXPECT_NEAR(program.TotalLength, 90 + 45 * std::numbers::pi, 1e-12);
}

TEST(ProgramFile, SpreadsheetSeparatorsMarksAndLineEndsReadTheSame) {
    const struct {
        std::string Text;
        double LastB;
    } cases[] = {
        {"\xEF\xBB\xBF# exported\r\nDIAMETER;38;;\r\n;;;\r\ny;b;c;r;;\r\n30;0;90,0;45\r\n"
         "  30 ; 90 ;\t90\t; 4,5e1 ;;\r\n;;;\r\n30;0;0;45",
         0},
        {"diameter\t38\n\n   # indented comment\nY\tB\tC\tR\n30\t0\t90,0\t45\n 30\t+90\t9e1\t45.0\n"
         "30\t0\t0\t45\t\t\n",
         0},
        {"  Diameter , 3.8e1 \n30 ,0,90,45\n30,90,90,45\n\t30,-0,0,45 ,,\n", -0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const Result<ProgramRows> loaded = ParseProgramText(c.Text, "f.csv");
        ExpectRows(loaded, {{30, 0, 90, 45}, {30, 90, 90, 45}, {30, c.LastB, 0, 45}});
        EXPECT_EQ(loaded->Diameter, 38);
    }
}

TEST(ProgramFile, AStraightBeforeTheLastRowContinuesTheTube) {
    ExpectRows(ParseProgramText("diameter,10\n5,0,0,0\n5,45,180,1\n0,0,0,1\n", "f"),
               {{5, 0, 0, 0}, {5, 45, 180, 1}, {0, 0, 0, 1}});
}

struct FileErrorCase {
    bool Points;
    std::string Text;
    int Line;
    int Column;
    const char* Says;
};

std::string Rows(int count, const std::string& row) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += row;
    }
    return out;
}

TEST(ProgramFile, EveryErrorNamesItsLineColumnAndWhatWasExpected) {
    const std::string top = "# a comment\n\ndiameter,38\n"; // data from line 4
    const FileErrorCase cases[] = {
        {false, top + "30,0,9O,45\n30,0,0,45\n", 4, 3, "expected a number for C, found \"9O\""},
        {false, top + "30,,90,45\n", 4, 2, "found an empty cell"},
        {false, top + "30,0,90\n", 4, 4, "expected 4 numbers"},
        {false, top + "30,0,0,45,7\n", 4, 5, "one too many"},
        {false, top + "30,0,0,1e999\n", 4, 4, "out of range"},
        {false, top + "1e-400,0,0,1\n", 4, 1, "out of range"},
        {false, top + "0x10,0,0,45\n", 4, 1, "expected a number"},
        {false, top + "30,inf,0,45\n", 4, 2, "expected a number"},
        {false, top + "30mm,0,0,45\n", 4, 1, "expected a number"},
        {false, top + ".5,0,0,45\n", 4, 1, "expected a number"},
        {false, top + "5.,0,0,45\n", 4, 1, "expected a number"},
        {false, top + "1e,0,0,45\n", 4, 1, "expected a number"},
        {false, top + "30,0,0,45 # trailing comment\n", 4, 4, "expected a number"},
        {false, "diameter;38\n1 000;0;0;45\n", 2, 1, "expected a number"},
        {false, "diameter,38\n1,5,0,0,45\n", 2, 5, "one too many"}, // no decimal comma here
        {false, top + "30,0,0,45\nY,B,C,R\n", 5, 1, "expected a number"},
        {false, "# nothing else\n\n", 0, 0, "no diameter line"},
        {false, top.substr(0, 13) + "Y,B,C,R\n30,0,0,45\n", 3, 1, "diameter line first"},
        {false, "diameter:38\n30,0,0,45\n", 1, 1, "after \"diameter\""},
        {false, "diameter,0\n30,0,0,45\n", 1, 2, "greater than 0"},
        {false, "diameter;-3,5\n30;0;0;45\n", 1, 2, "greater than 0"},
        {false, "diameter,\n30,0,0,45\n", 1, 2, "expected the tube diameter"},
        {false, "diameter,38,mm\n30,0,0,45\n", 1, 3, "only"},
        {false, top + "Y,B,C,R\n", 0, 0, "no rows"},
        {false, top + Rows(100, "1,0,0,0\n") + "1,0,0,0\n", 104, 0, "more than 100 rows"},
        {false, top + "-1,0,0,45\n", 4, 1, "Y"},
        {false, top + "30,0,-1,45\n", 4, 3, "from 0 to 180"},
        {false, top + "30,0,180.5,45\n", 4, 3, "from 0 to 180"},
        {false, top + "30,0,90,0\n30,0,0,45\n", 4, 4, "greater than 0"},
        {false, top + "30,0,90,-45\n30,0,0,45\n", 4, 4, "greater than 0"},
        {false, top + "30,0,90,45\n30,0,90,45\n\n# end\n", 5, 3, "0,0,0,R"},
        // A points file given as a program is named for what it is, at its header.
        {false, top + "X,Y,Z\n0,0,0\n1,0,0\n", 4, 1, "XYZ points"},
        {false, "# from CAD\nx;y;z;r\n0;0;0\n", 2, 1, "XYZ points"},
        {true, top + "1,2,3\n", 0, 0, "at least 2 points"},
        {true, top + "1,2\n4,5,6\n", 4, 3, "expected x,y,z or x,y,z,r"},
        {true, top + "1,2,3,4,5\n", 4, 5, "one too many"},
        {true, top + "1,2,3,0\n4,5,6\n", 4, 4, "greater than 0"},
        {true, top + "X,Y,Z,R\n1,2,3\n4,y,6\n", 6, 2, "number for y"},
        {true, top + Rows(101, "1,2,3\n") + "1,2,3\n", 105, 0, "more than 101 points"},
    };
    for (const FileErrorCase& c : cases) {
        SCOPED_TRACE(c.Text.substr(0, 200));
        const Error error = c.Points ? ParsePointsText(c.Text, "bad.csv").Failure()
                                     : ParseProgramText(c.Text, "bad.csv").Failure();
        EXPECT_EQ(error.File, "bad.csv");
        EXPECT_EQ(error.Line, c.Line);
        EXPECT_EQ(error.Column, c.Column);
        EXPECT_NE(error.Message.find(c.Says), std::string::npos) << error.Message;
    }
}

TEST(ProgramFile, KeptLimitsReadWhatAProgramMayNotHoldButNotWhatIsNoNumber) {
    const std::string text = "diameter,38\n-5,0,90,0\n30,0,200,45\n30,0,45,45\n";
    EXPECT_FALSE(ParseProgramText(text, "a.csv"));
    const Result<ProgramRows> kept = ParseProgramText(text, "a.csv", RowLimits::Kept);
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->Rows.size(), 3u);
    EXPECT_EQ(kept->Rows[0].Y, -5);
    EXPECT_EQ(kept->Rows[0].R, 0);
    EXPECT_EQ(kept->Rows[1].C, 200);
    EXPECT_EQ(kept->Rows[2].C, 45) << "a bend on the last row is kept too";
    const Error typo =
        ParseProgramText("diameter,38\n30,0,9O,45\n", "a.csv", RowLimits::Kept).Failure();
    EXPECT_EQ(typo.ToString().substr(0, 10), "a.csv:2:3:");
    // Only a header row says "points": a program's rows and a header-less file stay programs.
    EXPECT_TRUE(IsPointsText("\xEF\xBB\xBF# cad\ndiameter,10\nX,Y,Z,R\n"));
    EXPECT_FALSE(IsPointsText("diameter,10\nY,B,C,R\n1,0,0,1\n"));
    EXPECT_FALSE(IsPointsText("diameter,10\n1,2,3\n"));
}

TEST(ProgramFile, ErrorTextLeavesOutWhatIsNotKnown) {
    EXPECT_EQ(FileError("a.csv", 4, 3, "bad").ToString(), "a.csv:4:3: bad");
    EXPECT_EQ(FileError("a.csv", 4, 0, "bad").ToString(), "a.csv:4: bad");
    EXPECT_EQ(FileError("a.csv", 0, 0, "bad").ToString(), "a.csv: bad");
}

TEST(PointsFile, RadiiMayBeGivenOrLeftOutRowByRow) {
    const Result<PointsRows> loaded =
        ParsePointsText("diameter;12\nx;y;z\n0;0;0\n0;0;-50;10\n50,5;0;-50;\n50;0;0;;\n", "p.csv");
    ASSERT_TRUE(loaded) << loaded.Failure().ToString();
    const auto& p = loaded->Points;
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[1].Z, -50);
    EXPECT_EQ(p[1].R, 10);
    EXPECT_EQ(p[2].X, 50.5);
    EXPECT_FALSE(p[0].R || p[2].R || p[3].R);
    EXPECT_EQ(p[3].Line, 6);
}

// ybc handed a bend program: said as that, at its header, not as a "Y" that is no number.
TEST(PointsFile, ABendProgramIsSaidToBeOne) {
    const Result<PointsRows> points =
        ParsePointsText("# part 7\ndiameter,38\ny,b,c,r\n30,0,90,45\n30,0,0,45\n", "part.csv");
    ASSERT_FALSE(points);
    EXPECT_EQ(points.Failure().ToString(),
              "part.csv:3:1: ybc reads XYZ points (x,y,z or x,y,z,r), and this file looks like a "
              "bend program (a Y,B,C,R header); tubrix-cli xyz gives a program's points");
    // Further down a Y is only a cell that is no number.
    const Result<PointsRows> later = ParsePointsText("diameter,38\n0,0,0\nY,B,C,R\n", "p.csv");
    ASSERT_FALSE(later);
    EXPECT_EQ(later.Failure().Message.find("bend program"), std::string::npos);
}

// The comment lines a file opens with (where part numbers live) go with what is made from it.
TEST(ProgramFile, LeadingCommentsAreKeptAfterTheProgramsOwnLine) {
    const std::string text = "\xEF\xBB\xBF# part 4711-L, rev. B\r\n\n  # drawing 12\n;;\n"
                             "diameter,38\n# not leading\nY,B,C,R\n30,0,90,45\n30,0,0,45\n";
    const std::vector<std::string> comments = LeadingComments(text);
    EXPECT_EQ(comments, (std::vector<std::string>{"# part 4711-L, rev. B", "  # drawing 12"}));
    EXPECT_TRUE(LeadingComments("diameter,38\n# after\n30,0,0,45\n").empty());

    const Result<ProgramRows> rows = ParseProgramText(text, "part.csv");
    ASSERT_TRUE(rows) << rows.Failure().ToString();
    const std::string written = FormatProgramText(*rows, std::nullopt, comments);
    EXPECT_EQ(written, "# Tubrix bend program\n# part 4711-L, rev. B\n  # drawing 12\n"
                       "diameter,38\nY,B,C,R\n30,0,90,45\n30,0,0,45\n");
    // Written again from its own text, the program's line is not doubled.
    EXPECT_EQ(FormatProgramText(*rows, std::nullopt, LeadingComments(written)), written);
    EXPECT_EQ(FormatProgramText(*rows), "# Tubrix bend program\ndiameter,38\nY,B,C,R\n"
                                        "30,0,90,45\n30,0,0,45\n");
}

TEST(FormatNumber, ShortestTextReadsBackBitForBit) {
    EXPECT_EQ(FormatNumber(0.1), "0.1");
    EXPECT_EQ(FormatNumber(1e300), "1e+300");
    std::mt19937_64 random(7);
    std::vector<double> values = {-0.0, 5e-324, 1e300, 0.1, 1.7976931348623157e308, -2.5e-308};
    while (values.size() < 2000) {
        const double value = std::bit_cast<double>(random());
        if (std::isfinite(value)) {
            values.push_back(value);
        }
    }
    ProgramRows program{1, {}};
    for (std::size_t i = 0; i < MaxBendSteps - 1; ++i) {
        program.Rows.push_back({std::fabs(values[i]), values[i + 1],
                                std::fmod(std::fabs(values[i + 2]), 180),
                                std::fabs(values[i + 3]) + 1e-300});
    }
    program.Rows.push_back({std::fabs(values[99]), 0, 0, 5e-324});
    ExpectRows(ParseProgramText(FormatProgramText(program), "written.csv"), program.Rows);

    // Points take any finite number, so every value goes through them, 100 to a file.
    for (std::size_t first = 0; first < values.size(); first += 100) {
        std::string text = "diameter,1\n";
        for (std::size_t i = first; i < first + 100; ++i) {
            text += FormatNumber(values[i]) + "," + FormatNumber(-values[i]) + "," +
                    FormatNumber(values[i]) + "," + FormatNumber(std::fabs(values[i]) + 1e-300) +
                    "\n";
        }
        const Result<PointsRows> points = ParsePointsText(text, "p");
        ASSERT_TRUE(points) << points.Failure().ToString();
        for (const PointRow& p : points->Points) {
            const double v = values[first + static_cast<std::size_t>(p.Line - 2)];
            EXPECT_TRUE(SameBits(p.X, v) && SameBits(p.Y, -v) && SameBits(p.Z, v))
                << FormatNumber(v);
            EXPECT_TRUE(SameBits(*p.R, std::fabs(v) + 1e-300));
        }
    }
}

TEST(PointsFile, AGivenDiameterStandsInForTheLineAndMustAgreeWithIt) {
    // As CAD writes points: no diameter line; the first separator on the first line counts.
    const Result<PointsRows> cad = ParsePointsText("# cad\n0;0;0\n0;0;-50,5;10\n", "p.csv", 20);
    ASSERT_TRUE(cad) << cad.Failure().ToString();
    EXPECT_EQ(cad->Diameter, 20);
    ASSERT_EQ(cad->Points.size(), 2u);
    EXPECT_EQ(cad->Points[1].Z, -50.5);
    EXPECT_EQ(cad->Points[0].Line, 2);
    EXPECT_TRUE(ParsePointsText("diameter\t20\n0\t0\t0\n1\t0\t0\n", "p.csv", 20));
    EXPECT_EQ(ParsePointsText("diameter,30\n0,0,0\n1,0,0\n", "p.csv", 20).Failure().ToString(),
              "p.csv:1:2: the diameter 30 differs from the one given, 20");
    // Without the given diameter the line is still needed.
    EXPECT_FALSE(ParsePointsText("0;0;0\n0;0;-50\n", "p.csv"));
}

TEST(FormatNumber, DecimalsRoundWhatIsWrittenWithoutTrailingZeros) {
    const struct {
        double Value;
        int Decimals;
        const char* Text;
    } cases[] = {{199.99999999999997, 3, "200"},
                 {-0.0004, 3, "0"},
                 {2.5, 0, "2"},
                 {1.23456, 2, "1.23"},
                 {-90.125, 2, "-90.12"},
                 {1e20, 1, "100000000000000000000"},
                 {0.1, 17, "0.10000000000000001"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatNumber(c.Value, c.Decimals), c.Text) << c.Value;
    }
    const ProgramRows rows{38, {{30.000000000000004, -89.99999999999999, 90, 45}, {30, 0, 0, 45}}};
    EXPECT_EQ(FormatProgramText(rows, 6),
              "# Tubrix bend program\ndiameter,38\nY,B,C,R\n30,-90,90,45\n30,0,0,45\n");
}

TEST(TubeFile, WhatIsNotASmallUtf8TextFileIsRefusedAtOnce) {
    TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const struct {
        std::string Path;
        int Line;
        const char* Says;
    } cases[] = {
        {"/dev/zero", 0, "device"},
        {dir / "", 0, "folder"},
        {dir / "fifo", 0, "pipe"},
        {dir / "missing.csv", 0, "No such file"},
        {dir.File("big.csv", std::string(MaxTubeFileBytes + 1, '\n')), 0, "larger than"},
        {dir.File("long.csv", "diameter,1\n#" + std::string(5 << 10, 'x') + "\n"), 2, "longer"},
        {dir.File("stray.csv", "diameter,1\n\x80\n"), 2, "UTF-8"},
        {dir.File("overlong.csv", "\n\n\xC0\xAF"), 3, "UTF-8"},
        {dir.File("overlong3.csv", "\xE0\x80\xAF"), 1, "UTF-8"},
        {dir.File("surrogate.csv", "\xED\xA0\x80"), 1, "UTF-8"},
        {dir.File("beyond.csv", "\xF4\x90\x80\x80"), 1, "UTF-8"},
        {dir.File("cut.csv", "\xE2\x82"), 1, "UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        const Result<std::string> loaded = ReadTextFile(c.Path);
        ASSERT_FALSE(loaded);
        EXPECT_EQ(loaded.Failure().Line, c.Line);
        EXPECT_NE(loaded.Failure().Message.find(c.Says), std::string::npos)
            << loaded.Failure().Message;
    }
    const std::string text = "# Biegeteil \xC3\xBC \xE2\x82\xAC \xF0\x9D\x84\x9E\n" + ReadmeExample;
    const Result<std::string> valid = ReadTextFile(dir.File("ok.csv", "\xEF\xBB\xBF" + text));
    ASSERT_TRUE(valid) << valid.Failure().ToString();
    EXPECT_EQ(*valid, text);
}

// Standard input may be a pipe, or a device without end; the same limits hold.
TEST(TubeFile, DashReadsStandardInput) {
    const int saved = ::dup(STDIN_FILENO);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], ReadmeExample.data(), ReadmeExample.size()),
              static_cast<ssize_t>(ReadmeExample.size()));
    ::close(ends[1]);
    ::dup2(ends[0], STDIN_FILENO);
    ::close(ends[0]);
    ExpectRows(ReadProgramFile("-"), ReadmeRows);
    const int zero = ::open("/dev/zero", O_RDONLY);
    ::dup2(zero, STDIN_FILENO);
    ::close(zero);
    const Error error = ReadProgramFile("-").Failure();
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    EXPECT_EQ(error.ToString().rfind("standard input: larger than", 0), 0u) << error.ToString();
}

TEST(WriteFileWhole, ReplacesTheFileWholeKeepingItsMode) {
    TempFolder dir;
    const std::string path = dir.File("out.csv", "old");
    ::chmod(path.c_str(), 0640);
    const Result<void> written = WriteFileWhole(path, ReadmeExample);
    EXPECT_TRUE(written) << written.Failure().Message;
    EXPECT_EQ(Slurp(path), ReadmeExample);
    struct stat info {};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.Entries(), 1u);
}

TEST(WriteFileWhole, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    TempFolder dir;
    const std::string path = dir.File("out.csv", "old");
    EXPECT_FALSE(WriteFileWhole(dir / "no/such/folder.csv", "x"));
    EXPECT_FALSE(WriteFileWhole(dir / "", "x"));
    // A file size limit makes the write itself fail, even for root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const Result<void> written = WriteFileWhole(path, std::string(1000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_FALSE(written);
    const std::string& error = written.Failure().Message;
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(Slurp(path), "old");
    EXPECT_EQ(dir.Entries(), 1u);
}

TEST(WriteFileWhole, ThroughALinkWritesTheTargetAndKeepsTheLink) {
    TempFolder dir;
    TempFolder other; // the target in another folder: its temporary file must be there
    const std::string target = other.File("target.csv", "old");
    fs::create_directory(dir / "sub");
    // A chain: a relative link to a link in another folder.
    fs::create_symlink(target, dir / "sub/abs.csv");
    fs::create_symlink("sub/abs.csv", dir / "out.csv");
    const Result<void> written = WriteFileWhole(dir / "out.csv", ReadmeExample);
    EXPECT_TRUE(written) << written.Failure().Message;
    EXPECT_TRUE(fs::is_symlink(dir / "out.csv"));
    EXPECT_TRUE(fs::is_symlink(dir / "sub/abs.csv"));
    EXPECT_EQ(Slurp(target), ReadmeExample);
    EXPECT_EQ(other.Entries(), 1u);
    // A link to a file not there yet makes the file.
    fs::create_symlink(other / "new.csv", dir / "new.csv");
    const Result<void> made = WriteFileWhole(dir / "new.csv", "x");
    EXPECT_TRUE(made) << made.Failure().Message;
    EXPECT_EQ(Slurp(other / "new.csv"), "x");
}

TEST(WriteFileWhole, AFullStandardOutputIsAnError) {
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int full = ::open("/dev/full", O_WRONLY);
    ::dup2(full, STDOUT_FILENO);
    const Result<void> written = WriteFileWhole("-", ReadmeExample);
    ::dup2(saved, STDOUT_FILENO);
    ::close(full);
    ::close(saved);
    ASSERT_FALSE(written);
    const std::string& error = written.Failure().Message;
    EXPECT_NE(error.find("standard output"), std::string::npos) << error;
}

} // namespace

namespace {

// A file says its unit in one comment line; anything but mm or in there is named where it
// stands, as are two lines that disagree. Written back, the program's unit is the one line.
TEST(Units, TheUnitsLineIsReadStrictlyAndWrittenOnce) {
    const struct {
        const char* Text;
        std::optional<LengthUnit> Units;
        const char* Error;
    } cases[] = {
        {"# part 12\n#units:in\ndiameter,1\n4,0,0,0\n", LengthUnit::Inch, ""},
        {"  # Units : MM \ndiameter,1\n4,0,0,0\n", LengthUnit::Millimetre, ""},
        {"# units are what the drawing says\ndiameter,1\n4,0,0,0\n", std::nullopt, ""},
        {"# units: cm\ndiameter,1\n4,0,0,0\n", std::nullopt,
         "u.csv:1:10: units must be \"mm\" or \"in\", not \"cm\""},
        {"# units: mm\ndiameter,1\n# units: in\n4,0,0,0\n", std::nullopt,
         "u.csv:3:10: a second units line says in, the first mm"},
    };
    for (const auto& each : cases) {
        const Result<ProgramRows> read = ParseProgramText(each.Text, "u.csv");
        if (*each.Error) {
            ASSERT_FALSE(read) << each.Text;
            EXPECT_EQ(read.Failure().ToString(), each.Error);
            continue;
        }
        ASSERT_TRUE(read) << read.Failure().ToString();
        EXPECT_EQ(read->Units, each.Units) << each.Text;
    }

    ProgramRows rows{1, {{4, 0, 0, 0}}, LengthUnit::Millimetre};
    const std::vector<std::string> comments = {"# part 12", "# units: in"};
    EXPECT_EQ(FormatProgramText(rows, std::nullopt, comments),
              "# Tubrix bend program\n# units: mm\n# part 12\ndiameter,1\nY,B,C,R\n4,0,0,0\n");
    rows.Units.reset();
    EXPECT_EQ(FormatProgramText(rows, std::nullopt, comments),
              "# Tubrix bend program\n# part 12\n# units: in\ndiameter,1\nY,B,C,R\n4,0,0,0\n");
}

// A hollow tube's wall: a number in a comment line, a note after it; no number, no wall. It
// must leave a bore (0 < T < D/2 = 10 here), and the errors name the number's line and column.
TEST(Units, TheWallLineIsReadAfterTheDiameterAndWrittenOnce) {
    const struct {
        const char* Text;
        std::optional<double> Wall;
        const char* Error;
    } cases[] = {
        {"# wall: 2 mm, stainless\ndiameter,20\n4,0,0,0\n", 2, ""},
        {"  #WALL:1,5\ndiameter;20\n4;0;0;0\n", 1.5, ""},
        {"# wall: see the drawing\n# walls are thin\ndiameter,20\n4,0,0,0\n", std::nullopt, ""},
        {"# wall: 10\ndiameter,20\n4,0,0,0\n", std::nullopt,
         "w.csv:1:9: the wall 10 must be above 0 and below half the diameter, 10"},
        {"diameter,20\n# wall: -1 mm\n4,0,0,0\n", std::nullopt,
         "w.csv:2:9: the wall -1 must be above 0 and below half the diameter, 10"},
        {"# wall: 1e999\ndiameter,20\n4,0,0,0\n", std::nullopt,
         "w.csv:1:9: \"1e999\" for the wall is out of range for a double"},
        {"# wall: 2\ndiameter,20\n# wall: 3\n4,0,0,0\n", std::nullopt,
         "w.csv:3:9: a second wall line says 3, the first 2"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.Text);
        const Result<ProgramRows> read = ParseProgramText(each.Text, "w.csv");
        if (*each.Error) {
            ASSERT_FALSE(read);
            EXPECT_EQ(read.Failure().ToString(), each.Error);
            continue;
        }
        ASSERT_TRUE(read) << read.Failure().ToString();
        EXPECT_EQ(read->Wall, each.Wall);
    }

    // A points file says it alike, for the program made through its points.
    const Result<PointsRows> points =
        ParsePointsText("# wall: 4.5\ndiameter,10\nX,Y,Z\n0,0,0\n5,0,0\n", "w.csv");
    ASSERT_TRUE(points) << points.Failure().ToString();
    EXPECT_EQ(points->Wall, 4.5);

    // The program's own wall follows its units line; a wall line copied from the file it came
    // from goes.
    ProgramRows rows{20, {{4, 0, 0, 0}}, LengthUnit::Millimetre, 2};
    const std::vector<std::string> comments = {"# wall: 3", "# part 12"};
    EXPECT_EQ(FormatProgramText(rows, std::nullopt, comments),
              "# Tubrix bend program\n# units: mm\n# wall: 2\n# part 12\ndiameter,20\nY,B,C,R\n"
              "4,0,0,0\n");
}

} // namespace
