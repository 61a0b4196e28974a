#include "setupsheet.h"

#include "bendrows.h"
#include "machineprogram.h"
#include "partcheck.h"
#include "sequencepicture.h"
#include "springback.h"
#include "tubepicture.h"

#include <charconv>
#include <cmath>

using namespace tubrix;

namespace {

// A missing number: the intersection of a bend of 180 degrees, whose legs never meet.
const std::string NoNumber = "\u2014";

// Every word of the sheet, as a German-speaking operator reads it beside the English.
namespace words {
constexpr Wording Part{"Part", "Teil"};
constexpr Wording Diameter{"Diameter", "Durchmesser"};
constexpr Wording Wall{"Wall", "Wandstärke"};
constexpr Wording DevelopedLength{"Developed length", "Abwicklung"};
constexpr Wording CutLength{"Cut length", "Zuschnittlänge"};
constexpr Wording Bends{"Bends", "Biegungen"};
constexpr Wording Rows{"Rows", "Zeilen"};
constexpr Wording BoxFrom{"Box from", "Hüllquader von"};
constexpr Wording BoxTo{"Box to", "Hüllquader bis"};
constexpr Wording BoxSize{"Box size", "Hüllquadergröße"};
constexpr Wording Hand{"Hand", "Ausführung"};
constexpr Wording Mirrored{"mirrored", "gespiegelt"};
constexpr Wording AsProgrammed{"as programmed", "wie programmiert"};
constexpr Wording Units{"Units", "Einheit"};
constexpr Wording LengthsIn{"lengths in ", "Längen in "};
constexpr Wording ProgramUnits{"lengths in the program's units",
                               "Längen in den Einheiten des Programms"};
constexpr Wording UnitAssumed{"Unit taken", "Einheit gesetzt"};
constexpr Wording Millimetres{"mm", "mm"};
constexpr Wording Inches{"in", "Zoll"};
constexpr Wording HomeView{"Home view", "Grundansicht"};
constexpr Wording TurnedView{"Turned 180\u00b0 about the vertical",
                             "Um 180\u00b0 um die Hochachse gedreht"};
constexpr Wording BendProgram{"Bend program", "Biegeprogramm"};
constexpr Wording Row{"Row", "Zeile"};
constexpr Wording ArcLength{"Arc length", "Bogenlänge"};
constexpr Wording MachineB{"Machine B", "Maschine B"};
constexpr Wording MachineC{"Machine C", "Maschine C"};
constexpr Wording XyzPoints{"XYZ points", "XYZ-Punkte"};
constexpr Wording Point{"Point", "Punkt"};
constexpr Wording Start{"start", "Anfang"};
constexpr Wording End{"end", "Ende"};
constexpr Wording Findings{"Findings", "Befunde"};
constexpr Wording Rule{"Rule", "Regel"};
constexpr Wording Value{"Value", "Wert"};
constexpr Wording Limit{"Limit", "Grenze"};
constexpr Wording Finding{"Finding", "Befund"};
constexpr Wording NoFindings{"no findings", "keine Befunde"};
constexpr Wording RowAndRow{", ", " und "}; // the two rows of a contact
constexpr Wording BendSequence{"Bend sequence", "Biegefolge"};
constexpr Wording Overflow{"the numbers overflow on the machine: nothing to show",
                           "die Zahlen sind für die Maschine zu groß: keine Darstellung"};
constexpr Wording BendOfRow{"Bend %1, row %2", "Biegung %1, Zeile %2"};
constexpr Wording Feed{"feed ", "Vorschub "};
constexpr Wording Rotate{"rotate ", "Drehen "};
constexpr Wording InspectionOf{"Inspection of ", "Prüfung von "};
constexpr Wording OtherHand{"; the part is of the other hand", "; spiegelbildliches Teil"};
constexpr Wording ReadReversed{"; measured from the other end, read reversed",
                               "; vom anderen Ende gemessen, umgekehrt gelesen"};
constexpr Wording OtherHandNotCorrected{
    "the measured part is of the other hand: a correction would turn every plane; check the "
    "program's hand or the measurement",
    "das gemessene Teil ist spiegelbildlich: eine Korrektur würde jede Ebene drehen; Händigkeit "
    "des Programms oder die Messung prüfen"};
constexpr Wording NoBends{"no bends", "keine Biegungen"};
constexpr Wording Tail{"Tail", "Endstück"};
constexpr Wording MeasuredPoints{"Measured points, aligned (RMS ",
                                 "Messpunkte, ausgerichtet (RMS "};
constexpr Wording Deviation{"Deviation", "Abweichung"};
constexpr Wording NoPoints{"no points", "keine Punkte"};
constexpr Wording Corrected{"Machine program corrected for the next part",
                            "Korrigiertes Maschinenprogramm für das nächste Teil"};
constexpr Wording NeedsProfile{"with a machine profile (--machine)",
                               "mit einem Maschinenprofil (--machine)"};
constexpr Wording MachineLabel{"Machine: ", "Maschine: "};
constexpr Wording PageLabel{"page %1 of %2", "Seite %1 von %2"};
constexpr Wording Continued{" (continued)", " (Fortsetzung)"};
} // namespace words

// The sheet's words and numbers in its language.
struct Say {
    Language In;

    std::string operator()(const Wording& text) const { return text.In(In); }
    std::string Number(double value) const { return SheetNumber(value, In); }
};

std::string Whole(std::size_t value) {
    return std::to_string(value);
}

// "(1.00, 2.00, 3.00)"; German numbers hold a comma, so their point is "(1,00; 2,00; 3,00)".
std::string Point(Vec3 p, const Say& say) {
    const std::string between = say.In == Language::German ? "; " : ", ";
    return "(" + say.Number(p.X) + between + say.Number(p.Y) + between + say.Number(p.Z) + ")";
}

// "Bend 2, row 3": the words' "%1" and "%2" replaced.
std::string Numbered(const Wording& text, const Say& say, std::size_t first, std::size_t second) {
    std::string said = say(text);
    for (const auto& [mark, number] : {std::pair{"%1", first}, std::pair{"%2", second}}) {
        said.replace(said.find(mark), 2, Whole(number));
    }
    return said;
}

std::vector<SheetFact> PartFacts(const BendProgram& program, const PartCheck& check,
                                 const SheetOptions& options) {
    const Say say{options.Language};
    const TubeWalk& walk = check.Sequence.Walk;
    const BendingRows bending = FindBendingRows(program);
    const double cut = check.CutLength;
    const Vec3 size = walk.BoxMax - walk.BoxMin;
    const Wording& unit = options.Units == LengthUnit::Inch ? words::Inches : words::Millimetres;
    std::vector<SheetFact> facts{{say(words::Diameter), say.Number(program.TubeDiameter)}};
    if (options.Wall) {
        facts.push_back({say(words::Wall), say.Number(*options.Wall)});
    }
    facts.insert(
        facts.end(),
        {
            {say(words::DevelopedLength), say.Number(walk.DevelopedLength)},
            {say(words::CutLength), say.Number(cut)},
            {say(words::Bends), Whole(bending.Rows.size())},
            {say(words::Rows), Whole(walk.Steps.size())},
            {say(words::BoxFrom), Point(walk.BoxMin, say)},
            {say(words::BoxTo), Point(walk.BoxMax, say)},
            {say(words::BoxSize), say.Number(size.X) + " \u00d7 " + say.Number(size.Y) +
                                      " \u00d7 " + say.Number(size.Z)},
            {say(words::Hand), say(options.Mirrored ? words::Mirrored : words::AsProgrammed)},
            {say(words::Units),
             options.Units ? say(words::LengthsIn) + say(unit) : say(words::ProgramUnits)},
        });
    // Last, so that it has the line's whole width.
    if (options.Assumed) {
        facts.push_back({say(words::UnitAssumed), UnitsAssumedNote(*options.Assumed, say.In)});
    }
    return facts;
}

// The rows as programmed and, with a machine, the plane turn and angle the machine is given.
SheetTable ProgramTable(const BendProgram& program, const TubeWalk& walk,
                        const MachineProfile* profile, const Say& say) {
    SheetTable table{say(words::BendProgram),
                     {say(words::Row), "Y", "B", "C", "R", say(words::ArcLength)},
                     {},
                     {}};
    std::optional<MachineProgram> machine;
    if (profile) {
        machine = MakeMachineProgram(program, *profile);
        table.Heads.insert(table.Heads.end(), {say(words::MachineB), say(words::MachineC)});
    }
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        const BendStep& row = program.Steps[i];
        const std::optional<WalkBend>& bend = walk.Steps[i].Bend;
        std::vector<std::string> cells{Whole(i + 1),      say.Number(row.Y),
                                       say.Number(row.B), say.Number(row.C),
                                       say.Number(row.R), say.Number(bend ? bend->ArcLength : 0.0)};
        if (machine) {
            cells.push_back(say.Number(machine->Rows[i].B));
            cells.push_back(say.Number(machine->Rows[i].C));
        }
        table.Rows.push_back(std::move(cells));
    }
    return table;
}

// The points `tubrix-cli xyz` gives: the start, where the legs of each bend meet, the end.
SheetTable XyzTable(const TubeWalk& walk, const Say& say) {
    SheetTable table{
        say(words::XyzPoints), {say(words::Point), say(words::Row), "X", "Y", "Z", "R"}, {}, {}};
    const auto add = [&table, &say](std::string name, std::string row,
                                    const std::optional<Vec3>& at, std::string radius) {
        std::vector<std::string> cells{std::move(name), std::move(row)};
        for (const double value : {at ? at->X : 0.0, at ? at->Y : 0.0, at ? at->Z : 0.0}) {
            cells.push_back(at ? say.Number(value) : NoNumber);
        }
        cells.push_back(std::move(radius));
        table.Rows.push_back(std::move(cells));
    };
    add(say(words::Start), "1", walk.Start, "");
    int point = 0;
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        if (const std::optional<WalkBend>& bend = walk.Steps[i].Bend) {
            add(std::to_string(++point), Whole(i + 1), bend->Intersection,
                say.Number(bend->Radius));
        }
    }
    add(say(words::End), Whole(walk.Steps.size()), walk.End, "");
    return table;
}

// What `check` finds: with a machine every rule, without one folds, contact and the stock.
SheetTable FindingsTable(const PartCheck& check, const Say& say) {
    SheetTable table{say(words::Findings),
                     {say(words::Row), say(words::Rule), say(words::Value), say(words::Limit),
                      say(words::Finding)},
                     {},
                     say(words::NoFindings)};
    for (const Finding& finding : check.Findings) {
        std::string row = finding.Row > 0 ? std::to_string(finding.Row) : NoNumber;
        if (finding.OtherRow > 0) {
            row += say(words::RowAndRow) + std::to_string(finding.OtherRow);
        }
        table.Rows.push_back({row, RuleTitle(finding.Rule, say.In), say.Number(finding.Value),
                              finding.Limit ? say.Number(*finding.Limit) : NoNumber,
                              FindingMessage(finding, say.In)});
    }
    return table;
}

// "stock in rotate: 12.00"; "Rohrstange beim Drehen: 12,00".
std::string ContactLine(const SequenceContact& contact, const Say& say) {
    const std::string distance = say.Number(contact.Distance);
    if (say.In == Language::German) {
        return std::string(ContactKindName(contact.With, say.In)) + " " +
               ContactPhaseWhen(contact.Phase, say.In) + ": " + distance;
    }
    return std::string(ContactKindName(contact.With)) + " in " + ContactPhaseName(contact.Phase) +
           ": " + distance;
}

// One small picture per bend, the part on the machine after it, all from one view and scale;
// under it the angle to bend to, the machine's, as the program table's machine C gives it.
Result<void> AddSequence(SetupSheet& sheet, const BendProgram& program,
                         const BendSequence& sequence, const MachineProfile& profile,
                         const SheetOptions& options) {
    const Say say{options.Language};
    sheet.SequenceTitle = say(words::BendSequence);
    // Numbers near overflow can place the part at infinities, which no picture can show.
    if (!sequence.StatesFinite()) {
        sheet.SequenceNote = say(words::Overflow);
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
            {Numbered(words::BendOfRow, say, m + 1, static_cast<std::size_t>(bend.Row) + 1),
             say(words::Feed) + say.Number(bend.Feed), say(words::Rotate) + say.Number(bend.Rotate),
             BendToText(
                 say.Number(MachineAngle(profile, bend.Angle, {bend.Radius, sequence.Diameter})),
                 say.Number(bend.Angle), say.In)}};
        for (const SequenceContact& contact : bend.Contacts) {
            cell.Lines.push_back(ContactLine(contact, say));
        }
        sheet.Sequence.push_back(std::move(cell));
    }
    return {};
}

// "Sheath 1.32 > 1.00 at row 4 — fails" as `compare` says it; the same in German:
// "Mantelabweichung 1,32 > 1,00 in Zeile 4 — nicht in Ordnung".
std::string Verdict(const SheathDeviation& sheath, double tolerance, const Say& say) {
    if (say.In == Language::English) {
        return SheathVerdict(sheath, tolerance);
    }
    const bool pass = sheath.Value <= tolerance;
    return "Mantelabweichung " + say.Number(sheath.Value) + (pass ? " \u2264 " : " > ") +
           say.Number(tolerance) + " in Zeile " + std::to_string(sheath.Row) +
           (pass ? " \u2014 in Ordnung" : " \u2014 nicht in Ordnung");
}

} // namespace

std::string SheetNumber(double value, Language language) {
    if (!std::isfinite(value)) {
        return Wording{"out of range", "außerhalb des Bereichs"}.In(language);
    }
    constexpr double LargestFixed = 1e12;
    char text[64];
    const auto format =
        std::fabs(value) < LargestFixed ? std::chars_format::fixed : std::chars_format::scientific;
    const auto end = std::to_chars(text, text + sizeof text, value, format, 2);
    std::string shown(text, end.ptr);
    return WithDecimalMark(shown == "-0.00" ? "0.00" : shown, language);
}

Result<SetupSheet> BuildSetupSheet(const BendProgram& program, const MachineProfile* profile,
                                   const SheetOptions& options) {
    const auto noOpenGl = [](const std::string& why) {
        return Failed("no OpenGL to draw with: " + why);
    };
    const Say say{options.Language};
    const PartCheck check = CheckProgram(program, profile);
    const TubeWalk& walk = check.Sequence.Walk;
    SetupSheet sheet;
    sheet.Language = options.Language;
    sheet.Title = options.Title;
    if (profile && profile->Name) {
        sheet.Machine = *profile->Name;
    }
    sheet.MachineLabel = say(words::MachineLabel);
    sheet.PageLabel = say(words::PageLabel);
    sheet.Continued = say(words::Continued);
    sheet.PartTitle = say(words::Part);
    sheet.Part = PartFacts(program, check, options);
    // The home view, and the far side: turned half a turn about the vertical.
    const struct {
        std::string caption;
        double turnY;
    } views[] = {{say(words::HomeView), 0}, {say(words::TurnedView), 180}};
    for (const auto& view : views) {
        // Framed as `render --fit` frames it: the part's box centred, filling the picture.
        TubePicture picture = RenderTubePicture(
            program, {options.PictureWidth, options.PictureHeight, 0, view.turnY, true});
        if (picture.Image.isNull()) {
            return noOpenGl(picture.Error);
        }
        sheet.Pictures.push_back({view.caption, std::move(picture.Image)});
    }
    sheet.Tables.push_back(ProgramTable(program, walk, profile, say));
    sheet.Tables.push_back(XyzTable(walk, say));
    sheet.Tables.push_back(FindingsTable(check, say));
    if (profile) {
        if (Result<void> added = AddSequence(sheet, program, check.Sequence, *profile, options);
            !added) {
            return noOpenGl(added.Failure().Message);
        }
    }
    return sheet;
}

void AddInspection(SetupSheet& sheet, const SheetInspection& inspection) {
    const Say say{sheet.Language};
    const Comparison& c = inspection.Comparison;
    std::string verdict = Verdict(c.Sheath, inspection.Tolerance, say);
    if (c.Reversed) {
        verdict += say(words::ReadReversed);
    }
    if (c.OtherHand) {
        verdict += say(words::OtherHand);
    }
    SheetTable bends{say(words::InspectionOf) + inspection.Measured + ": " + verdict,
                     {say(words::Row), "dY", "dB", "dC", "dR"},
                     {},
                     say(words::NoBends)};
    for (const BendDelta& b : c.Bends) {
        bends.Rows.push_back({Whole(static_cast<std::size_t>(b.Row)), say.Number(b.DY),
                              say.Number(b.DB), say.Number(b.DC), say.Number(b.DR)});
    }
    bends.Rows.push_back({say(words::Tail), say.Number(c.TailDY), "", "", ""});
    sheet.Tables.push_back(std::move(bends));

    SheetTable points{say(words::MeasuredPoints) + say.Number(c.Rms) + ")",
                      {say(words::Point), "dx", "dy", "dz", say(words::Deviation)},
                      {},
                      say(words::NoPoints)};
    for (std::size_t i = 0; i < c.Points.size(); ++i) {
        const PointDeviation& p = c.Points[i];
        points.Rows.push_back({Whole(i + 1), say.Number(p.Offset.X), say.Number(p.Offset.Y),
                               say.Number(p.Offset.Z), say.Number(p.Length)});
    }
    sheet.Tables.push_back(std::move(points));

    SheetTable next{say(words::Corrected),
                    {say(words::Row), "Y", "B", "C", "R"},
                    {},
                    inspection.NotCorrected.empty() ? say(words::NeedsProfile)
                    : c.OtherHand                   ? say(words::OtherHandNotCorrected)
                                                    : inspection.NotCorrected};
    if (inspection.Corrected) {
        for (std::size_t i = 0; i < inspection.Corrected->Rows.size(); ++i) {
            const MachineRow& row = inspection.Corrected->Rows[i];
            next.Rows.push_back({Whole(i + 1), say.Number(row.Y), say.Number(row.B),
                                 say.Number(row.C), say.Number(row.R)});
        }
    }
    sheet.Tables.push_back(std::move(next));
}
