#include "setupsheet.h"

#include "bendrows.h"
#include "machineprogram.h"
#include "partcheck.h"
#include "sequencepicture.h"
#include "tubepicture.h"

#include <charconv>
#include <cmath>

using namespace tubrix;

namespace {

// A missing number: the intersection of a bend of 180 degrees, whose legs never meet.
const std::string NoNumber = "\u2014";

std::string Whole(std::size_t value) {
    return std::to_string(value);
}

std::string Point(Vec3 p) {
    return "(" + SheetNumber(p.X) + ", " + SheetNumber(p.Y) + ", " + SheetNumber(p.Z) + ")";
}

std::vector<SheetFact> PartFacts(const BendProgram& program, const PartCheck& check,
                                 const SheetOptions& options) {
    const TubeWalk& walk = check.Sequence.Walk;
    const BendingRows bending = FindBendingRows(program);
    const double cut = check.CutLength;
    const Vec3 size = walk.BoxMax - walk.BoxMin;
    return {
        {"Diameter", SheetNumber(program.TubeDiameter)},
        {"Developed length", SheetNumber(walk.DevelopedLength)},
        {"Cut length", SheetNumber(cut)},
        {"Bends", Whole(bending.Rows.size())},
        {"Rows", Whole(walk.Steps.size())},
        {"Box from", Point(walk.BoxMin)},
        {"Box to", Point(walk.BoxMax)},
        {"Box size",
         SheetNumber(size.X) + " \u00d7 " + SheetNumber(size.Y) + " \u00d7 " + SheetNumber(size.Z)},
        {"Hand", options.Mirrored ? "mirrored" : "as programmed"},
        {"Units", options.Units ? std::string("lengths in ") + UnitName(*options.Units)
                                : "lengths in the program's units"},
    };
}

// The rows as programmed and, with a machine, the plane turn and angle the machine is given.
SheetTable ProgramTable(const BendProgram& program, const TubeWalk& walk,
                        const MachineProfile* profile) {
    SheetTable table{"Bend program", {"Row", "Y", "B", "C", "R", "Arc length"}, {}, {}};
    std::optional<MachineProgram> machine;
    if (profile) {
        machine = MakeMachineProgram(program, *profile);
        table.Heads.insert(table.Heads.end(), {"Machine B", "Machine C"});
    }
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        const BendStep& row = program.Steps[i];
        const std::optional<WalkBend>& bend = walk.Steps[i].Bend;
        std::vector<std::string> cells{
            Whole(i + 1),       SheetNumber(row.Y), SheetNumber(row.B),
            SheetNumber(row.C), SheetNumber(row.R), SheetNumber(bend ? bend->ArcLength : 0.0)};
        if (machine) {
            cells.push_back(SheetNumber(machine->Rows[i].B));
            cells.push_back(SheetNumber(machine->Rows[i].C));
        }
        table.Rows.push_back(std::move(cells));
    }
    return table;
}

// The points `tubrix-cli xyz` gives: the start, where the legs of each bend meet, the end.
SheetTable XyzTable(const TubeWalk& walk) {
    SheetTable table{"XYZ points", {"Point", "Row", "X", "Y", "Z", "R"}, {}, {}};
    const auto add = [&table](std::string name, std::string row, const std::optional<Vec3>& at,
                              std::string radius) {
        std::vector<std::string> cells{std::move(name), std::move(row)};
        for (const double value : {at ? at->X : 0.0, at ? at->Y : 0.0, at ? at->Z : 0.0}) {
            cells.push_back(at ? SheetNumber(value) : NoNumber);
        }
        cells.push_back(std::move(radius));
        table.Rows.push_back(std::move(cells));
    };
    add("start", "1", walk.Start, "");
    int point = 0;
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        if (const std::optional<WalkBend>& bend = walk.Steps[i].Bend) {
            add(std::to_string(++point), Whole(i + 1), bend->Intersection,
                SheetNumber(bend->Radius));
        }
    }
    add("end", Whole(walk.Steps.size()), walk.End, "");
    return table;
}

// What `check` finds: with a machine every rule, without one folds, contact and the stock.
SheetTable FindingsTable(const PartCheck& check) {
    SheetTable table{"Findings", {"Row", "Rule", "Value", "Limit", "Finding"}, {}, "no findings"};
    for (const Finding& finding : check.Findings) {
        std::string row = finding.Row > 0 ? std::to_string(finding.Row) : NoNumber;
        if (finding.OtherRow > 0) {
            row += ", " + std::to_string(finding.OtherRow);
        }
        table.Rows.push_back({row, RuleName(finding.Rule), SheetNumber(finding.Value),
                              finding.Limit ? SheetNumber(*finding.Limit) : NoNumber,
                              finding.Message});
    }
    return table;
}

// One small picture per bend, the part on the machine after it, all from one view and scale;
// under it the angle to bend to, the machine's, as the program table's machine C gives it.
Result<void> AddSequence(SetupSheet& sheet, const BendProgram& program,
                         const BendSequence& sequence, const MachineProfile& profile,
                         const SheetOptions& options) {
    sheet.SequenceTitle = "Bend sequence";
    // Numbers near overflow can place the part at infinities, which no picture can show.
    if (!sequence.StatesFinite()) {
        sheet.SequenceNote = "the numbers overflow on the machine: nothing to show";
        return {};
    }
    const SequenceView view =
        FitSequenceView(sequence, options.StepPictureWidth, options.StepPictureHeight);
    SequenceRows rows(program);
    for (std::size_t m = 0; m < sequence.Bends.size(); ++m) {
        const SequenceBend& bend = sequence.Bends[m];
        TubePicture picture =
            RenderSequencePicture(rows, sequence, view, static_cast<int>(m + 1),
                                  options.StepPictureWidth, options.StepPictureHeight);
        if (picture.Image.isNull()) {
            return Failed(picture.Error);
        }
        SheetCell cell{
            std::move(picture.Image),
            {"Bend " + Whole(m + 1) + ", row " + Whole(bend.Row + 1),
             "feed " + SheetNumber(bend.Feed), "rotate " + SheetNumber(bend.Rotate),
             BendToText(SheetNumber(MachineAngle(bend.Angle, profile)), SheetNumber(bend.Angle))}};
        for (const SequenceContact& contact : bend.Contacts) {
            cell.Lines.push_back(std::string(ContactKindName(contact.With)) + " in " +
                                 ContactPhaseName(contact.Phase) + ": " +
                                 SheetNumber(contact.Distance));
        }
        sheet.Sequence.push_back(std::move(cell));
    }
    return {};
}

} // namespace

std::string SheetNumber(double value) {
    if (!std::isfinite(value)) {
        return "out of range";
    }
    constexpr double LargestFixed = 1e12;
    char text[64];
    const auto format =
        std::fabs(value) < LargestFixed ? std::chars_format::fixed : std::chars_format::scientific;
    const auto end = std::to_chars(text, text + sizeof text, value, format, 2);
    std::string shown(text, end.ptr);
    return shown == "-0.00" ? "0.00" : shown;
}

Result<SetupSheet> BuildSetupSheet(const BendProgram& program, const MachineProfile* profile,
                                   const SheetOptions& options) {
    const auto noOpenGl = [](const std::string& why) {
        return Failed("no OpenGL to draw with: " + why);
    };
    const PartCheck check = CheckProgram(program, profile);
    const TubeWalk& walk = check.Sequence.Walk;
    SetupSheet sheet;
    sheet.Title = options.Title;
    if (profile && profile->Name) {
        sheet.Machine = *profile->Name;
    }
    sheet.PartTitle = "Part";
    sheet.Part = PartFacts(program, check, options);
    // The home view, and the far side: turned half a turn about the vertical.
    const struct {
        const char* caption;
        double turnY;
    } views[] = {{"Home view", 0}, {"Turned 180\u00b0 about the vertical", 180}};
    for (const auto& view : views) {
        // Framed as `render --fit` frames it: the part's box centred, filling the picture.
        TubePicture picture = RenderTubePicture(
            program, {options.PictureWidth, options.PictureHeight, 0, view.turnY, true});
        if (picture.Image.isNull()) {
            return noOpenGl(picture.Error);
        }
        sheet.Pictures.push_back({view.caption, std::move(picture.Image)});
    }
    sheet.Tables.push_back(ProgramTable(program, walk, profile));
    sheet.Tables.push_back(XyzTable(walk));
    sheet.Tables.push_back(FindingsTable(check));
    if (profile) {
        if (Result<void> added = AddSequence(sheet, program, check.Sequence, *profile, options);
            !added) {
            return noOpenGl(added.Failure().Message);
        }
    }
    return sheet;
}

void AddInspection(SetupSheet& sheet, const SheetInspection& inspection) {
    const Comparison& c = inspection.Comparison;
    std::string verdict = SheathVerdict(c.Sheath, inspection.Tolerance);
    if (c.OtherHand) {
        verdict += "; the part is of the other hand";
    }
    SheetTable bends{"Inspection of " + inspection.Measured + ": " + verdict,
                     {"Row", "dY", "dB", "dC", "dR"},
                     {},
                     "no bends"};
    for (const BendDelta& b : c.Bends) {
        bends.Rows.push_back({Whole(static_cast<std::size_t>(b.Row)), SheetNumber(b.DY),
                              SheetNumber(b.DB), SheetNumber(b.DC), SheetNumber(b.DR)});
    }
    bends.Rows.push_back({"Tail", SheetNumber(c.TailDY), "", "", ""});
    sheet.Tables.push_back(std::move(bends));

    SheetTable points{"Measured points, aligned (RMS " + SheetNumber(c.Rms) + ")",
                      {"Point", "dx", "dy", "dz", "Deviation"},
                      {},
                      "no points"};
    for (std::size_t i = 0; i < c.Points.size(); ++i) {
        const PointDeviation& p = c.Points[i];
        points.Rows.push_back({Whole(i + 1), SheetNumber(p.Offset.X), SheetNumber(p.Offset.Y),
                               SheetNumber(p.Offset.Z), SheetNumber(p.Length)});
    }
    sheet.Tables.push_back(std::move(points));

    SheetTable next{"Machine program corrected for the next part",
                    {"Row", "Y", "B", "C", "R"},
                    {},
                    inspection.NotCorrected};
    if (inspection.Corrected) {
        for (std::size_t i = 0; i < inspection.Corrected->Rows.size(); ++i) {
            const MachineRow& row = inspection.Corrected->Rows[i];
            next.Rows.push_back({Whole(i + 1), SheetNumber(row.Y), SheetNumber(row.B),
                                 SheetNumber(row.C), SheetNumber(row.R)});
        }
    }
    sheet.Tables.push_back(std::move(next));
}
