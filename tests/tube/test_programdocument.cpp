// Writing back a program file that was read: only the numbers that changed are new bytes.
#include "programdocument.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tubrix;

namespace {

// A colleague's file: byte-order mark, comments, a semicolon separator, decimal commas, CRLF
// line ends, a padded header and an exponent.
const std::string Colleague = "\xEF\xBB\xBF# exhaust, left side\r\n"
                              "Diameter ; 42,4\r\n"
                              " y;b;c;r\r\n"
                              "100;0;90;60,5  \r\n"
                              "# the second bend is tight\r\n"
                              "2,5e1;-45;30,25;60,5\r\n"
                              "70;0;0;60,5\r\n"
                              "# end\r\n";

ProgramDocument Read(const std::string& text) {
    Result<ProgramDocument> document = ParseProgramDocument(text, "exhaust.csv");
    EXPECT_TRUE(document) << document.Failure().ToString();
    return document ? *document : ProgramDocument{};
}

TEST(ProgramDocument, WritesBackEveryByteButTheChangedNumbers) {
    const ProgramDocument document = Read(Colleague);
    EXPECT_EQ(document.Separator, ';');
    EXPECT_EQ(document.DecimalMark, ',');
    ProgramRows rows = document.Program();
    ASSERT_EQ(rows.Rows.size(), 3u);
    EXPECT_EQ(rows.Rows[1].Y, 25);
    const std::vector<int> same = {0, 1, 2};
    EXPECT_EQ(FormatProgramDocument(document, rows, same), Colleague);

    rows.Rows[1].C = 31.125;
    rows.Diameter = 48.3;
    std::string expected = Colleague;
    expected.replace(expected.find("30,25"), 5, "31,125");
    expected.replace(expected.find("42,4"), 4, "48,3");
    EXPECT_EQ(FormatProgramDocument(document, rows, same), expected);
}

TEST(ProgramDocument, DeletedRowsGoAndAddedRowsTakeTheFilesDialect) {
    const ProgramDocument document = Read(Colleague);
    ProgramRows rows = document.Program();
    // The first row deleted, a row added after the second and one at the end.
    rows.Rows.erase(rows.Rows.begin());
    rows.Rows.insert(rows.Rows.begin() + 1, {12.5, 90, 45, 60.5});
    rows.Rows.push_back({0, 0, 0, 1e-7});
    const std::vector<int> origins = {1, -1, 2, -1};
    EXPECT_EQ(FormatProgramDocument(document, rows, origins), "\xEF\xBB\xBF# exhaust, left side\r\n"
                                                              "Diameter ; 42,4\r\n"
                                                              " y;b;c;r\r\n"
                                                              "# the second bend is tight\r\n"
                                                              "2,5e1;-45;30,25;60,5\r\n"
                                                              "12,5;90;45;60,5\r\n"
                                                              "70;0;0;60,5\r\n"
                                                              "0;0;0;1e-07\r\n"
                                                              "# end\r\n");

    // A file without a last line end: the added row starts a line of its own. A tab before the
    // word and after the comma is a blank, not the separator.
    const ProgramDocument bare = Read("\tdiameter,\t10\n5,0,90,2\n5,0,0,2");
    ProgramRows more = bare.Program();
    more.Rows.push_back({0.5, 0, 0, 2});
    const std::vector<int> appended = {0, 1, -1};
    EXPECT_EQ(FormatProgramDocument(bare, more, appended),
              "\tdiameter,\t10\n5,0,90,2\n5,0,0,2\n0.5,0,0,2\n");
}

TEST(ProgramDocument, RefusesWhatTheReaderRefuses) {
    const Result<ProgramDocument> bad =
        ParseProgramDocument("diameter;10\n5;0;90;-2\n5;0;0;2\n", "bad.csv");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.Failure().ToString(),
              "bad.csv:2:4: R, the bend radius, must be greater than 0 on a row that bends");
}

} // namespace
