// Machine profiles read strictly: every key with its default and range, and every error naming
// the file, line and column.
#include "machineprofile.h"
#include "posttemplate.h"
#include "profilekeys.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace tubrix;

namespace {

TEST(MachineProfile, TheExampleGivesEveryValueAndAnEmptyProfileTheDefaults) {
    const Result<MachineProfile> example =
        ReadMachineProfile(TUBRIX_SOURCE_DIR "/docs/examples/bender3.toml");
    ASSERT_TRUE(example) << example.Failure().ToString();
    const MachineProfile& p = *example;
    EXPECT_EQ(p.Name, "Bender 3");
    EXPECT_EQ(p.TubeDiameter, 38);
    EXPECT_EQ(p.Radii, (std::vector<double>{45, 76}));
    EXPECT_EQ(p.ClampLength, 114);
    EXPECT_EQ(p.MinTail, 60);
    EXPECT_EQ(p.MaxAngle, 185);
    EXPECT_EQ(p.MaxLength, 6000);
    EXPECT_EQ(p.BSign, 1);
    EXPECT_EQ(p.BMode, MachineProfile::PlaneMode::Relative);
    EXPECT_EQ(p.GainPerBend, 0.8);
    EXPECT_EQ(p.SpringbackFixed, 1.5);
    EXPECT_EQ(p.SpringbackPerDegree, 0.05);

    const Result<MachineProfile> empty = ParseMachineProfile("# nothing\n", "empty.toml");
    ASSERT_TRUE(empty) << empty.Failure().ToString();
    const MachineProfile& d = *empty;
    EXPECT_FALSE(d.Name || d.TubeDiameter || d.MaxLength || d.CentrelineHeight);
    EXPECT_TRUE(d.Radii.empty());
    EXPECT_EQ(d.ClampLength, 0);
    EXPECT_EQ(d.MinTail, 0);
    EXPECT_EQ(d.MaxAngle, 180);
    EXPECT_EQ(d.BSign, 1);
    EXPECT_EQ(d.DieSide, 1);
    EXPECT_EQ(d.BMode, MachineProfile::PlaneMode::Relative);
    EXPECT_EQ(d.GainPerBend, 0);
    EXPECT_EQ(d.SpringbackFixed, 0);
    EXPECT_EQ(d.SpringbackPerDegree, 0);
}

TEST(MachineProfile, TakesIntegersOrFloatsAndTheEdgesOfEachRange) {
    const Result<MachineProfile> loaded =
        ParseMachineProfile("max_angle = 360\nclamp_length = 0.0\nb_sign = -1.0\n"
                            "b_mode = \"absolute\"\ndie_side = -1\ncentreline_height = 1e-3\n"
                            "springback = { fixed = -45, per_degree = 0.5 }\n",
                            "edges.toml");
    ASSERT_TRUE(loaded) << loaded.Failure().ToString();
    EXPECT_EQ(loaded->MaxAngle, 360);
    EXPECT_EQ(loaded->BSign, -1);
    EXPECT_EQ(loaded->BMode, MachineProfile::PlaneMode::Absolute);
    EXPECT_EQ(loaded->DieSide, -1);
    EXPECT_EQ(loaded->CentrelineHeight, 1e-3);
    EXPECT_EQ(loaded->SpringbackFixed, -45);
    EXPECT_EQ(loaded->SpringbackPerDegree, 0.5);
    const Result<MachineProfile> other =
        ParseMachineProfile("[springback]\nfixed = 45\nper_degree = -0.5\n", "edges.toml");
    ASSERT_TRUE(other) << other.Failure().ToString();
    EXPECT_EQ(other->SpringbackFixed, 45);
    EXPECT_EQ(other->SpringbackPerDegree, -0.5);
}

TEST(MachineProfile, EveryErrorNamesTheFileLineAndColumn) {
    struct Case {
        const char* Text;
        int Line;
        int Column;
        const char* Says;
    };
    const Case cases[] = {
        {"name = \"A\"\nspeed = 3\n", 2, 1, "unknown key \"speed\"; a machine profile has"},
        {"min_tial = 60\n", 1, 1, "unknown key \"min_tial\"; did you mean \"min_tail\"?"},
        {"max_corection_feed = 2\n", 1, 1, "did you mean \"max_correction_feed\"?"},
        {"[springback]\nfixed = 1\nslope = 2\n", 3, 1, "unknown key \"springback.slope\""},
        {"[tooling]\nx = 1\n", 1, 2, "unknown key \"tooling\""},
        {"springback = 1.5\n", 1, 14, "springback must be a table"},
        {"name = 3\n", 1, 8, "name must be a string"},
        {"tube_diameter = \"38\"\n", 1, 17, "tube_diameter must be a number"},
        {"tube_diameter = 0\n", 1, 17, "tube_diameter must be greater than 0"},
        {"radii = []\n", 1, 9, "radii must not be empty"},
        {"radii = [45, -1]\n", 1, 14, "radii must be greater than 0"},
        {"radii = 45\n", 1, 9, "radii must be a list"},
        {"clamp_length = -0.5\n", 1, 16, "clamp_length must be 0 or more"},
        {"min_tail = -1\n", 1, 12, "min_tail must be 0 or more"},
        {"max_angle = 0\n", 1, 13, "max_angle must be greater than 0 and at most 360"},
        {"max_angle = 360.5\n", 1, 13, "max_angle must be greater than 0 and at most 360"},
        {"max_length = inf\n", 1, 14, "max_length must be greater than 0"},
        {"b_sign = 0\n", 1, 10, "b_sign must be 1 or -1"},
        {"b_mode = \"Relative\"\n", 1, 10, "b_mode must be \"relative\" or \"absolute\""},
        {"gain_per_bend = -0.1\n", 1, 17, "gain_per_bend must be 0 or more"},
        {"die_side = 2\n", 1, 12, "die_side must be 1 or -1"},
        {"centreline_height = 0\n", 1, 21, "centreline_height must be greater than 0"},
        {"[springback]\nfixed = nan\n", 2, 9, "springback.fixed must be from -45 to 45"},
        {"[springback]\nfixed = 45.5\n", 2, 9, "springback.fixed must be from -45 to 45"},
        {"[springback]\nfixed = -46\n", 2, 9, "springback.fixed must be from -45 to 45"},
        {"[springback]\nper_degree = -0.51\n", 2, 14,
         "springback.per_degree must be from -0.5 to 0.5"},
        {"[springback]\nper_degree = 0.75\n", 2, 14,
         "springback.per_degree must be from -0.5 to 0.5"},
        {"name = \"A\"\nname = \"B\"\n", 2, 8, "redefine"},
        {"max_angle = \n", 1, 13, ""},
    };
    for (const Case& c : cases) {
        const Result<MachineProfile> loaded = ParseMachineProfile(c.Text, "m.toml");
        ASSERT_FALSE(loaded) << c.Text;
        EXPECT_EQ(loaded.Failure().File, "m.toml") << c.Text;
        EXPECT_EQ(loaded.Failure().Line, c.Line) << c.Text << loaded.Failure().ToString();
        EXPECT_EQ(loaded.Failure().Column, c.Column) << c.Text << loaded.Failure().ToString();
        EXPECT_NE(loaded.Failure().Message.find(c.Says), std::string::npos)
            << c.Text << loaded.Failure().ToString();
    }
    // A share typed as a percentage is refused with the share it most likely meant.
    const Result<MachineProfile> percent =
        ParseMachineProfile("[springback]\nper_degree = 2\n", "m.toml");
    ASSERT_FALSE(percent);
    EXPECT_EQ(
        percent.Failure().ToString(),
        "m.toml:2:14: springback.per_degree must be from -0.5 to 0.5; did you mean 0.02, 2 %?");
    const Result<MachineProfile> half =
        ParseMachineProfile("springback = { per_degree = 2.5 }\n", "m.toml");
    ASSERT_FALSE(half);
    EXPECT_NE(half.Failure().Message.find("did you mean 0.025, 2.5 %?"), std::string::npos)
        << half.Failure().ToString();
    // Below 1 it cannot be a percentage that was meant; no guess then.
    const Result<MachineProfile> near =
        ParseMachineProfile("[springback]\nper_degree = 0.9\n", "m.toml");
    ASSERT_FALSE(near);
    EXPECT_EQ(near.Failure().Message.find("did you mean"), std::string::npos);

    // A file: its name in the error, and the limits every tube file has.
    const std::string path = testing::TempDir() + "/bad.toml";
    std::ofstream(path) << "# fine\nmax_angle = 400\n";
    const Result<MachineProfile> read = ReadMachineProfile(path);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.Failure().ToString(),
              path + ":2:13: max_angle must be greater than 0 and at most 360");
    EXPECT_FALSE(ReadMachineProfile(testing::TempDir() + "/missing.toml"));
    EXPECT_FALSE(ParseMachineProfile("name = \"\xC0\xAF\"\n", "m.toml"));
}

} // namespace

// What the window hands tubrix-cli for Ctrl+P: written from the reader's key table, read back
// as the same profile to the last bit, whichever keys it has.
TEST(MachineProfile, WrittenBackItReadsAsTheSameProfile) {
    MachineProfile every;
    every.Name = "Bender \"3\" — bay 2";
    every.TubeDiameter = 38.1;
    every.Radii = {45, 76.2, 0.1 + 0.2};
    every.ClampLength = 114;
    every.MinTail = 1e-7;
    every.MaxAngle = 185;
    every.MaxLength = 6000.5;
    every.BSign = -1;
    every.BMode = MachineProfile::PlaneMode::Absolute;
    every.GainPerBend = 0.8;
    every.SpringbackFixed = -1.5;
    every.SpringbackPerDegree = 0.05;
    every.DieSide = -1;
    every.CentrelineHeight = 1050;
    every.Units = LengthUnit::Inch;
    every.Output = MachineOutput{"nc", true, false, ',', "%\nO1 ({name})\n", "Y{Y:.2f} C{C}", ""};
    const tubrix::Result<MachineProfile> example =
        ReadMachineProfile(TUBRIX_SOURCE_DIR "/docs/examples/bender3.toml");
    ASSERT_TRUE(example) << example.Failure().ToString();
    for (const MachineProfile& profile : {MachineProfile{}, every, *example}) {
        const std::string text = FormatMachineProfile(profile);
        const tubrix::Result<MachineProfile> back = ParseMachineProfile(text, "written.toml");
        ASSERT_TRUE(back) << back.Failure().ToString() << "\n" << text;
        EXPECT_EQ(*back, profile) << text;
    }
}

namespace {

// A control's file is described in the profile and its templates tried as it is read: a fault
// is named at its line and column, with the template and the field.
TEST(MachineProfile, OutputTemplatesAreTriedWhenTheProfileIsRead) {
    const Result<MachineProfile> good = ParseMachineProfile(
        "[output]\nextension = \".nc\"\nline_end = \"crlf\"\nencoding = \"latin-1\"\n"
        "decimal_mark = \",\"\nrow = \"N{row:03} Y{Y:8.3f} {{B}} {name:>6}\"\n"
        "footer = \"\"\"\r\nM30\r\n\"\"\"\n",
        "good.toml");
    ASSERT_TRUE(good) << good.Failure().ToString();
    ASSERT_TRUE(good->Output);
    EXPECT_EQ(*good->Output, (MachineOutput{"nc", true, true, ',', "",
                                            "N{row:03} Y{Y:8.3f} {{B}} {name:>6}", "M30\n"}));

    const struct {
        const char* Profile;
        const char* Error;
    } faults[] = {
        {"[output]\nrow = \"Y{Y} Z{Z:.2f}\"\n",
         "f.toml:2:14: output.row: unknown field \"Z\"; this template has row, Y, B, C, R, bend, "
         "name, machine, cut_length, rows, bends, units, date"},
        {"[output]\nrow = \"Y{Y}\"\nheader = \"\"\"\nG21\n(row {row})\n\"\"\"\n",
         "f.toml:5:6: output.header: unknown field \"row\"; this template has name, machine, "
         "cut_length, rows, bends, units, date"},
        {"[output]\nrow = \"\"\"Y{Y}\n  C{C:.2q}\"\"\"\n",
         "f.toml:3:4: output.row: field \"C\": invalid type specifier"},
        {"[output]\nrow = \"{Y:88888888}{B:.1000f}\"\n",
         "f.toml:2:8: output.row: field \"Y\": a width or precision of at most 999"},
        {"[output]\nrow = \"{} {Y}\"\n",
         "f.toml:2:8: output.row: every field is named: row, Y, B, C, R, bend, name, machine, "
         "cut_length, rows, bends, units, date"},
        {"[output]\nrow = \"Y{Y\"\n",
         "f.toml:2:9: output.row: a field left open (write {{ for the brace itself)"},
        {"[output]\nrow = \"Y{Y} }\"\n",
         "f.toml:2:13: output.row: a lone } (write }} for the brace itself)"},
        {"[output]\nencoding = \"latin-1\"\nrow = \"{Y} €\"\n",
         "f.toml:3:12: output.row: \"€\" is not a character latin-1 holds"},
        {"[output]\nline_end = \"cr\"\nrow = \"{Y}\"\n",
         "f.toml:2:12: output.line_end must be \"lf\" or \"crlf\""},
        {"[output]\ndecimal_mark = 1\nrow = \"{Y}\"\n",
         "f.toml:2:16: output.decimal_mark must be \".\" or \",\""},
        {"[output]\nextension = \"../nc\"\nrow = \"{Y}\"\n",
         "f.toml:2:13: output.extension must be a file name's extension, such as \"nc\""},
        {"[output]\nrows = \"{Y}\"\n",
         "f.toml:2:1: unknown key \"output.rows\"; an [output] table has extension, line_end, "
         "encoding, decimal_mark, header, row, footer"},
        {"[output]\nheader = \"%\"\n",
         "f.toml:1:1: output.row is needed: the template written for every row"},
        {"output = 3\n", "f.toml:1:10: output must be a table of keys"},
    };
    for (const auto& fault : faults) {
        const Result<MachineProfile> read = ParseMachineProfile(fault.Profile, "f.toml");
        ASSERT_FALSE(read) << fault.Profile;
        EXPECT_EQ(read.Failure().ToString(), fault.Error) << fault.Profile;
    }
}

// A profile in inches checks a program in millimetres with every length converted and every
// angle as it is; one that does not say its units is taken as it stands.
TEST(MachineProfile, LengthsAreConvertedIntoTheProgramsUnitsAndAnglesAreNot) {
    const Result<MachineProfile> inches = ParseMachineProfile(
        "units = \"in\"\ntube_diameter = 1.5\nradii = [2, 3]\nclamp_length = 4.5\n"
        "min_tail = 2.5\nmax_length = 240\ngain_per_bend = 0.03\ncentreline_height = 40\n"
        "max_angle = 185\nsheath_tolerance = 0.05\n[springback]\nfixed = 1.5\n"
        "per_degree = 0.05\n",
        "in.toml");
    ASSERT_TRUE(inches) << inches.Failure().ToString();
    const MachineProfile mm = ProfileInUnits(*inches, LengthUnit::Millimetre);
    EXPECT_EQ(mm.Units, LengthUnit::Millimetre);
    EXPECT_DOUBLE_EQ(*mm.TubeDiameter, 38.1);
    EXPECT_EQ(mm.Radii.size(), 2u);
    EXPECT_DOUBLE_EQ(mm.Radii[0], 50.8);
    EXPECT_DOUBLE_EQ(mm.Radii[1], 76.2);
    EXPECT_DOUBLE_EQ(mm.ClampLength, 114.3);
    EXPECT_DOUBLE_EQ(mm.MinTail, 63.5);
    EXPECT_DOUBLE_EQ(*mm.MaxLength, 6096);
    EXPECT_DOUBLE_EQ(mm.GainPerBend, 0.762);
    EXPECT_DOUBLE_EQ(*mm.CentrelineHeight, 1016);
    EXPECT_DOUBLE_EQ(mm.SheathTolerance, 1.27);
    EXPECT_EQ(mm.MaxAngle, 185);
    EXPECT_EQ(mm.SpringbackFixed, 1.5);
    EXPECT_EQ(mm.SpringbackPerDegree, 0.05);

    MachineProfile unsaid = *inches;
    unsaid.Units.reset();
    EXPECT_EQ(ProfileInUnits(unsaid, LengthUnit::Millimetre).ClampLength, 4.5);
    const Result<MachineProfile> bad = ParseMachineProfile("units = \"cm\"\n", "cm.toml");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.Failure().ToString(), "cm.toml:1:9: units must be \"mm\" or \"in\"");
}

// What a field writes: the control's decimal mark in every number, never "-0.00" for a value
// that rounds to nothing, names kept on one line; the last line ended, an empty template empty.
TEST(PostTemplate, NumbersTakeTheMarkAndNameFieldsStayOnOneLine) {
    PostFields fields{"a\nb", "M", "mm", "2026-12-08", 1234.5, 3, 2, 2, 100.125, -0.004, 45, 50, 1};
    const struct {
        const char* Template;
        char Mark;
        const char* Written;
    } cases[] = {
        {"{row}/{bend}: Y{Y:.2f} B{B:.2f} C{C} {cut_length:>9.1f}", ',',
         "2/1: Y100,12 B0,00 C45    1234,5\n"},
        {"B{B:+.3f} B{B:.1e}", '.', "B-0.004 B-4.0e-03\n"},
        {"{name}|{machine}\n\n", '.', "a b|M\n\n"},
        {"", ',', ""},
    };
    for (const auto& each : cases) {
        const Result<std::string> written = WritePostTemplate(each.Template, fields, each.Mark);
        ASSERT_TRUE(written) << each.Template;
        EXPECT_EQ(*written, each.Written) << each.Template;
    }
}

} // namespace

namespace {

// A record of the kind a profile's arrays of tables hold: a die set, say.
struct DieSet {
    double Radius = 0;
    std::optional<double> Clamp;
    bool Mandrel = false;
    std::optional<std::string> Name;

    bool operator==(const DieSet&) const = default;
};

std::span<const profilekeys::KeyOf<DieSet>> DieSetKeys() {
    using namespace profilekeys;
    static const KeyOf<DieSet> keys[] = {
        {"radius", &DieSet::Radius, AboveZero, "none", "centre-line radius", Length},
        {"clamp", &DieSet::Clamp, AboveZero, "none", "clamp die's length", Length},
        {"mandrel", &DieSet::Mandrel, {}, "false", "a mandrel behind the bend"},
        {"name", &DieSet::Name, {}, "none", "what the shop calls it"},
    };
    return keys;
}

Result<std::vector<DieSet>> ReadDieSets(const std::string& text) {
    const toml::table root = toml::parse(std::string_view(text), std::string_view("p.toml"));
    return profilekeys::ReadRecords<DieSet>(*root.get("die"), "die", DieSetKeys(), "p.toml");
}

} // namespace

// An array of tables is read, written back and converted by its record's own key table, and
// its errors name the file, line and column as the profile's own keys' do.
TEST(MachineProfile, ArraysOfTablesFollowTheirRecordsKeyTable) {
    const Result<std::vector<DieSet>> read =
        ReadDieSets("[[die]]\nradius = 38\nmandrel = true\n[[die]]\nradius = 76.2\nclamp = 114\n"
                    "name = \"3 in\"\n");
    ASSERT_TRUE(read) << read.Failure().ToString();
    const std::vector<DieSet> expected{{38, std::nullopt, true, std::nullopt},
                                       {76.2, 114, false, "3 in"}};
    EXPECT_EQ(*read, expected);

    toml::table written;
    written.insert("die", profilekeys::WrittenRecords<DieSet>(*read, DieSetKeys()));
    std::ostringstream text;
    text << written;
    const Result<std::vector<DieSet>> again = ReadDieSets(text.str());
    ASSERT_TRUE(again) << text.str();
    EXPECT_EQ(*again, expected);

    DieSet inches = expected[1];
    profilekeys::ConvertRecord(DieSetKeys(), inches, LengthUnit::Millimetre, LengthUnit::Inch);
    EXPECT_DOUBLE_EQ(inches.Radius, 3);
    EXPECT_DOUBLE_EQ(*inches.Clamp, 114 / 25.4);
    EXPECT_EQ(inches.Name, expected[1].Name);

    struct Case {
        const char* Text;
        const char* Says;
    } const faults[] = {
        {"[[die]]\nradius = 38\nmandrel = 1\n", "p.toml:3:11: die.mandrel must be true or false"},
        {"[[die]]\nradus = 38\n", "p.toml:2:1: unknown key \"radus\"; did you mean \"radius\"?"},
        {"[[die]]\nradius = -1\n", "p.toml:2:10: die.radius must be greater than 0"},
        {"die = 3\n", "p.toml:1:7: die must be an array of tables, each written [[die]]"},
    };
    for (const Case& c : faults) {
        const Result<std::vector<DieSet>> bad = ReadDieSets(c.Text);
        ASSERT_FALSE(bad) << c.Text;
        EXPECT_EQ(bad.Failure().ToString(), c.Says);
    }
}

// A number key is set where it stands, or added to its table, every other byte kept.
TEST(MachineProfile, NumbersAreSetInPlaceByTheKeyTable) {
    const ProfileNumber angle[] = {{"max_angle", 170}};
    const Result<std::string> added =
        SetProfileNumbers("# ours\nname = \"B\"\n\n[springback]\nfixed = 1\n", "m.toml", angle);
    ASSERT_TRUE(added) << added.Failure().ToString();
    EXPECT_EQ(*added, "# ours\nname = \"B\"\nmax_angle = 170\n\n[springback]\nfixed = 1\n");
    const Result<std::string> first =
        SetProfileNumbers("[springback]\nfixed = 1\n", "m.toml", angle);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, "max_angle = 170\n[springback]\nfixed = 1\n");
    const ProfileNumber both[] = {{"max_angle", 90}, {"fit_limit", 0.5}};
    const Result<std::string> replaced =
        SetProfileNumbers("max_angle = 185 # degrees\n", "m.toml", both);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(*replaced, "max_angle = 90 # degrees\nfit_limit = 0.5\n");
    const ProfileNumber text[] = {{"name", 1}};
    EXPECT_FALSE(SetProfileNumbers("name = \"B\"\n", "m.toml", text));
}
