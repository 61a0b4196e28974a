// The findings in English and German, from the one pipeline's own runs, and the language a
// locale asks for.
#include "language.h"
#include "partcheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using namespace tubrix;

namespace {

BendProgram Program(double diameter, std::vector<BendRowInput> rows) {
    BendProgram program{};
    FillBendProgram(program, diameter, rows);
    return program;
}

// Two bends on dies 45 and 76 with straights of 120 and 114 before them and a tail of 60: a
// profile it meets, each case's change breaking one rule. Cut length 294 + 60.5 pi.
const std::vector<BendRowInput> TwoBends = {{120, 0, 90, 45}, {114, 90, 90, 76}, {60, 0, 0, 45}};

MachineProfile Meets() {
    MachineProfile p;
    p.TubeDiameter = 38;
    p.Radii = {45, 76};
    p.MaxLength = 1000;
    return p;
}

// Every rule's message in both languages, from a part that breaks it and the pipeline every
// front calls: the English as `check` has always said it, the German with decimal commas.
TEST(FindingLanguage, EveryRuleSaysItsMessageInEnglishAndGerman) {
    struct Case {
        FindingRule Rule;
        BendProgram Part;
        std::function<void(MachineProfile&)> Change; // none: checked without a profile
        const char* Name;
        const char* English;
        const char* Title;
        const char* German;
    };
    // A square loop of radius 20 whose last leg passes the start 9.9 from it (D 10).
    const BendProgram loop =
        Program(10, {{100, 0, 90, 20}, {100, 0, 90, 20}, {89.9, 0, 90, 20}, {200, 0, 0, 0}});
    // A U whose third bend swings its lead leg into the stock; one whose lead leg, turned down
    // before bend 2, hangs 245 below the axis: 145 under a floor 100 down.
    const BendProgram stock =
        Program(38, {{200, 0, 90, 45}, {40, 0, 90, 45}, {30, 0, 90, 45}, {300, 0, 0, 45}});
    const BendProgram hanging = Program(37, {{200, 0, 90, 45}, {30, -90, 90, 45}, {30, 0, 0, 45}});
    const Case cases[] = {
        {FindingRule::Diameter, Program(38.5, TwoBends), [](MachineProfile&) {}, "diameter",
         "tube diameter 38.5 is not the tooling's 38", "Durchmesser",
         "Rohrdurchmesser 38,5 passt nicht zum Werkzeug (38)"},
        {FindingRule::Die, Program(38, TwoBends),
         [](MachineProfile& p) {
             p.Radii = {45, 75.5};
         },
         "die", "no die of radius 76 (the dies are 45, 75.5)", "Biegeform",
         "keine Biegeform mit Radius 76 (vorhanden: 45; 75,5)"},
        {FindingRule::Angle, Program(38, TwoBends), [](MachineProfile& p) { p.MaxAngle = 89.5; },
         "angle", "machine angle 90 > 89.5", "Winkel", "Maschinenwinkel 90 > 89,5"},
        {FindingRule::Clamp, Program(38, TwoBends),
         [](MachineProfile& p) { p.ClampLength = 114.25; }, "clamp",
         "straight before the bend 114 < 114.25", "Spannlänge",
         "Gerade vor der Biegung 114 < 114,25"},
        {FindingRule::Tail, Program(38, TwoBends), [](MachineProfile& p) { p.MinTail = 60.5; },
         "tail", "tail after the last bend 60 < 60.5", "Endstück",
         "Endstück nach der letzten Biegung 60 < 60,5"},
        {FindingRule::Length, Program(38, TwoBends), [](MachineProfile& p) { p.MaxLength = 400.5; },
         "length", "cut length 484.066 > 400.5", "Länge", "Zuschnittlänge 484,066 > 400,5"},
        {FindingRule::Fold, Program(38, {{100, 0, 90, 18.5}, {100, 0, 0, 0}}), nullptr, "fold",
         "bend radius 18.5 \u2264 tube radius 19: the inner wall folds", "Faltenbildung",
         "Biegeradius 18,5 \u2264 Rohrradius 19: die Innenwand wirft Falten"},
        {FindingRule::Contact, loop, nullptr, "contact", "touches row 4: 9.9 apart < diameter 10",
         "Berührung", "berührt Zeile 4: Abstand 9,9 < Durchmesser 10"},
        {FindingRule::Stock, stock, nullptr, "stock", "part to stock while bending 0 < 38",
         "Rohrstange", "Abstand Teil–Rohrstange beim Biegen 0 < 38"},
        {FindingRule::Floor, hanging, [](MachineProfile& p) { p.CentrelineHeight = 100; }, "floor",
         "part above the floor in the plane turn -145 < 18.5", "Boden",
         "Höhe über dem Boden beim Drehen -145 < 18,5"},
    };
    std::set<FindingRule> covered;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        MachineProfile profile = Meets();
        if (c.Change) {
            c.Change(profile);
        }
        const PartCheck check = CheckProgram(c.Part, c.Change ? &profile : nullptr);
        const auto found = std::find_if(check.Findings.begin(), check.Findings.end(),
                                        [&c](const Finding& f) { return f.Rule == c.Rule; });
        ASSERT_NE(found, check.Findings.end());
        covered.insert(c.Rule);
        EXPECT_EQ(found->Message, c.English);
        EXPECT_EQ(FindingMessage(*found, Language::English), c.English);
        EXPECT_EQ(FindingMessage(*found, Language::German), c.German);
        EXPECT_STREQ(RuleName(c.Rule), c.Name);
        EXPECT_STREQ(RuleTitle(c.Rule, Language::English), c.Name);
        EXPECT_STREQ(RuleTitle(c.Rule, Language::German), c.Title);
    }
    EXPECT_EQ(covered.size(), static_cast<std::size_t>(FindingRule::Floor) + 1)
        << "a rule without its messages here";
}

// LC_ALL, else LC_MESSAGES, else LANG: the first set and not empty names the language.
TEST(FindingLanguage, TheLocaleOfMessagesNamesTheLanguage) {
    const struct {
        const char* All;
        const char* Messages;
        const char* Lang;
        Language Expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, Language::English},
        {"", "de_AT", "en_US.UTF-8", Language::German},
        {"", "", "POSIX", Language::English},
        {nullptr, nullptr, "de@euro", Language::German},
        {nullptr, nullptr, "den_XX", Language::English},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessagesLanguage(c.All, c.Messages, c.Lang), c.Expected)
            << (c.All ? c.All : "-") << ' ' << (c.Messages ? c.Messages : "-") << ' '
            << (c.Lang ? c.Lang : "-");
    }
}

} // namespace
