// The setup sheet in English and German: the same sheet, every word the operator reads in the
// sheet's language and every number the same but for its decimal mark.
#include "machineprogram.h"
#include "setupsheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

using namespace tubrix;

namespace {

// Every text of a sheet, in the order a reader meets it.
std::vector<std::string> Texts(const SetupSheet& sheet) {
    std::vector<std::string> texts{sheet.Title,         sheet.Machine,     sheet.PartTitle,
                                   sheet.MachineLabel,  sheet.PageLabel,   sheet.Continued,
                                   sheet.SequenceTitle, sheet.SequenceNote};
    for (const SheetFact& fact : sheet.Part) {
        texts.insert(texts.end(), {fact.Label, fact.Value});
    }
    for (const SheetPicture& picture : sheet.Pictures) {
        texts.push_back(picture.Caption);
    }
    for (const SheetTable& table : sheet.Tables) {
        texts.push_back(table.Title);
        texts.push_back(table.WhenEmpty);
        texts.insert(texts.end(), table.Heads.begin(), table.Heads.end());
        for (const auto& row : table.Rows) {
            texts.insert(texts.end(), row.begin(), row.end());
        }
    }
    for (const SheetCell& cell : sheet.Sequence) {
        texts.insert(texts.end(), cell.Lines.begin(), cell.Lines.end());
    }
    return texts;
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it) {
        found.push_back(it->str());
    }
    return found;
}

// A U whose third bend swings its lead leg into the stock and crosses its tail (rows 1 and 4),
// on a machine whose clamp and collet need more than its straights give; springback turns 90
// degrees into 96. The tube is hollow, with a wall of 2.5.
SetupSheet Sheet(Language language) {
    BendProgram program{};
    FillBendProgram(program, 38,
                    {{200, 0, 90, 45}, {40, 0, 90, 45}, {30, 0, 90, 45}, {300.25, 0, 0, 45}});
    MachineProfile profile;
    profile.Name = "TB 40";
    profile.ClampLength = 114;
    profile.MinTail = 400;
    profile.SpringbackFixed = 1.5;
    profile.SpringbackPerDegree = 0.05;
    SheetOptions options;
    options.Title = "U 7";
    options.Language = language;
    options.Units = LengthUnit::Millimetre;
    options.Wall = 2.5;
    options.PictureWidth = 90;
    options.PictureHeight = 50;
    options.StepPictureWidth = 60;
    options.StepPictureHeight = 40;
    Result<SetupSheet> sheet = BuildSetupSheet(program, &profile, options);
    EXPECT_TRUE(sheet) << sheet.Failure().Message;
    // A measured part of the other hand, a little off: values that round to -0.00 among them.
    SheetInspection inspection;
    inspection.Measured = "U 7 measured";
    inspection.Comparison.Rms = 0.4567;
    inspection.Comparison.Bends = {{1, 0.25, -0.004, -1.5, 0}, {3, -0.001, 2, 0.5, 0}};
    inspection.Comparison.TailDY = -0.75;
    inspection.Comparison.Points = {{{-0.002, 0.3, 1.25}, 1.29}, {{0, -0.5, 0}, 0.5}};
    inspection.Comparison.Sheath.Value = 1.32;
    inspection.Comparison.Sheath.Row = 4;
    inspection.Comparison.OtherHand = true;
    inspection.Tolerance = 1;
    inspection.Corrected = MakeMachineProgram(program, profile);
    AddInspection(*sheet, inspection);
    return *sheet;
}

TEST(SetupSheet, GermanSaysEveryWordInGermanAndEveryNumberWithTheDecimalComma) {
    const SetupSheet english = Sheet(Language::English);
    const SetupSheet german = Sheet(Language::German);
    const std::vector<std::string> en = Texts(english);
    const std::vector<std::string> de = Texts(german);
    ASSERT_EQ(en.size(), de.size()) << "the two sheets differ in what they hold";
    // What the sheet shows: every section, a finding of two rows, a contact under a picture.
    ASSERT_EQ(german.Tables.size(), 6u);
    ASSERT_EQ(german.Sequence.size(), 3u);
    ASSERT_GT(german.Sequence[2].Lines.size(), 4u);
    ASSERT_GT(german.Tables[2].Rows.size(), 3u);

    const std::regex englishNumber(R"(-?\d+(\.\d+)?(e[+-]\d+)?)");
    const std::regex germanNumber(R"(-?\d+(,\d+)?(e[+-]\d+)?)");
    const std::regex word(R"([A-Za-z]{2,})");
    const std::regex option(R"(--[a-z-]+)");
    std::set<std::string> englishWords;
    std::set<std::string> germanWords;
    for (std::size_t i = 0; i < en.size(); ++i) {
        std::vector<std::string> numbers = Matches(en[i], englishNumber);
        for (std::string& number : numbers) {
            std::replace(number.begin(), number.end(), '.', ',');
        }
        EXPECT_EQ(Matches(de[i], germanNumber), numbers) << en[i] << " | " << de[i];
        EXPECT_EQ(de[i].find("-0,00"), std::string::npos) << de[i];
        EXPECT_EQ(en[i].find("-0.00"), std::string::npos) << en[i];
        // The command line's options are named alike in every language.
        for (const std::string& w : Matches(std::regex_replace(en[i], option, ""), word)) {
            englishWords.insert(w);
        }
        for (const std::string& w : Matches(std::regex_replace(de[i], option, ""), word)) {
            germanWords.insert(w);
        }
    }
    // Only the names the sheet was given, the axes' deltas, units and RMS read alike.
    const std::set<std::string> alike{"TB", "mm", "in", "RMS", "dY",  "dB",      "dC",
                                      "dR", "dx", "dy", "dz",  "XYZ", "measured"};
    std::vector<std::string> left;
    std::set_intersection(englishWords.begin(), englishWords.end(), germanWords.begin(),
                          germanWords.end(), std::back_inserter(left));
    std::erase_if(left, [&alike](const std::string& w) { return alike.count(w) > 0; });
    EXPECT_EQ(left, std::vector<std::string>{}) << "English left on the German sheet";

    // Where German writes what English does not: lists and rows parted so that no comma reads
    // as a decimal one, a contact's phase, the verdict. The wall follows the diameter.
    EXPECT_EQ(german.Part[1].Label + " " + german.Part[1].Value, "Wandstärke 2,50");
    EXPECT_TRUE(
        std::regex_match(german.Part[6].Value, std::regex(R"(\((-?\d+,\d\d; ){2}-?\d+,\d\d\))")))
        << german.Part[6].Value;
    EXPECT_EQ(german.Tables[2].Rows[0][0], "1 und 4");
    EXPECT_EQ(german.Sequence[2].Lines[4].rfind("Rohrstange beim Biegen: 0,00", 0), 0u);
    EXPECT_EQ(german.Tables[3].Title, "Prüfung von U 7 measured: Mantelabweichung 1,32 > 1,00 in "
                                      "Zeile 4 \u2014 nicht in Ordnung; spiegelbildliches Teil");
}

} // namespace
