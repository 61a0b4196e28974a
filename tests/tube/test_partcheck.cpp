// Whether a program can be used, and what the one pipeline gives for it.
#include "checkrow.h"
#include "partcheck.h"
#include "programfile.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

using namespace tubrix;

// A U whose third bend swings its lead leg across the stock.
const ProgramRows StockHit{38,
                           {{200, 0, 90, 45}, {40, 0, 90, 45}, {30, 0, 90, 45}, {300, 0, 0, 45}}};

// What stops a program is named by its row (from 1) and field, the first one met.
TEST(CheckUsable, NamesTheFirstRowAndFieldThatStopsAProgram) {
    constexpr double Huge = std::numeric_limits<double>::max();
    const struct {
        ProgramRows Program;
        int Row;
        ProgramField Field;
    } cases[] = {
        {{38, {{30, 0, 90, 45}, {30, 0, 0, 45}}}, 0, ProgramField::None},
        {{0, {{30, 0, 90, 45}, {30, 0, 0, 45}}}, 0, ProgramField::Diameter},
        {{38, {{30, 0, 90, 45}, {-1, 0, 90, 45}, {30, 0, 0, 45}}}, 2, ProgramField::Y},
        {{38, {{30, 0, 190, 45}, {30, 0, 0, 45}}}, 1, ProgramField::C},
        {{38, {{30, 0, 90, 0}, {30, 0, 0, 45}}}, 1, ProgramField::R},
        {{38, {{30, 0, 90, 45}, {30, 0, 45, 45}}}, 2, ProgramField::C},
        {{38, {{30, 0, 90, 45}, {30, 5, 90, 0}, {30, 0, 10, 45}}}, 2, ProgramField::R},
    };
    for (const auto& c : cases) {
        const Result<void> usable = CheckUsable(c.Program);
        const auto record = std::make_unique<BendProgram>(ProgramFromRows(c.Program));
        const Result<void> built = CheckUsable(*record);
        EXPECT_EQ(static_cast<bool>(usable), c.Field == ProgramField::None);
        EXPECT_EQ(static_cast<bool>(built), static_cast<bool>(usable));
        if (!usable) {
            EXPECT_EQ(usable.Failure().Row, c.Row);
            EXPECT_EQ(usable.Failure().Field, c.Field);
            EXPECT_EQ(built.Failure().InProgram(), usable.Failure().InProgram());
        }
    }
    // Numbers each a double but summing past one: the tube's length is no number.
    const Result<void> overflow =
        CheckUsable(ProgramRows{38, {{Huge, 0, 0, 45}, {Huge, 0, 0, 45}}});
    ASSERT_FALSE(overflow);
    EXPECT_EQ(overflow.Failure().InProgram(), "the tube's length overflows");
    EXPECT_FALSE(CheckUsable(BendProgram{}));
}

// The pipeline plays what the rules allow and adds its contacts to the rules' findings; a
// program the rules refuse (a value typed into the window that no file could hold) keeps its
// rules' findings and is not played.
TEST(CheckProgram, PlaysOnlyWhatTheRulesAllow) {
    const auto hit = std::make_unique<BendProgram>(ProgramFromRows(StockHit));
    const PartCheck played = CheckProgram(*hit, nullptr);
    EXPECT_EQ(played.Sequence.Bends.size(), 3u);
    // Its lead leg crosses the tail (contact, rows 1 and 4) and swings across the stock in bend 3.
    ASSERT_EQ(played.Findings.size(), 2u);
    EXPECT_EQ(played.Findings[0].Rule, FindingRule::Contact);
    EXPECT_EQ(played.Findings[1].Rule, FindingRule::Stock);
    EXPECT_EQ(played.Findings[1].Row, 3);
    EXPECT_DOUBLE_EQ(played.CutLength, played.Sequence.Walk.DevelopedLength);

    ProgramRows folded = StockHit;
    folded.Rows[0].R = 10;     // below the tube's radius: fold
    folded.Rows.back().C = 30; // a last row that bends: no file holds it
    const auto refused = std::make_unique<BendProgram>(ProgramFromRows(folded));
    MachineProfile gaining;
    gaining.GainPerBend = 2;
    const PartCheck rulesOnly = CheckProgram(*refused, &gaining);
    EXPECT_TRUE(rulesOnly.Sequence.Bends.empty());
    EXPECT_FALSE(rulesOnly.Sequence.Walk.Steps.empty());
    ASSERT_FALSE(rulesOnly.Findings.empty());
    for (const Finding& f : rulesOnly.Findings) {
        EXPECT_NE(f.Rule, FindingRule::Stock);
    }
    EXPECT_DOUBLE_EQ(rulesOnly.CutLength, DevelopedLength(*refused) - 3 * 2);
}

} // namespace
