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

// Every word of the sheet, as a German-speaking operator reads it beside the English.
namespace words {
constexpr Wording Part{"Part", "Teil"};
constexpr Wording Diameter{"Diameter", "Durchmesser"};
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

std::string Whole(std::size_t value) {
    return std::to_string(value);
}

// "(1.00, 2.00, 3.00)"; German numbers hold a comma, so their point is "(1,00; 2,00; 3,00)".
std::string Point(Vec3 p, Language language) {
    const std::string between = language == Language::German ? "; " : ", ";
    return "(" + SheetNumber(p.X, language) + between + SheetNumber(p.Y, language) + between +
           SheetNumber(p.Z, language) + ")";
}

// "Bend 2, row 3": the words' "%1" and "%2" replaced.
std::string Numbered(const Wording& text, Language language, std::size_t first,
                     std::size_t second) {
    std::string said = text.In(language);
    for (const auto& [mark, number] : {std::pair{"%1", first}, std::pair{"%2", second}}) {
        said.replace(said.find(mark), 2, Whole(number));
    }
    return said;
}

std::vector<SheetFact> PartFacts(const BendProgram& program, const PartCheck& check,
                                 const SheetOptions& options) {
    const Language language = options.Language;
    const auto number = [language](double value) { return SheetNumber(value, language); };
    const auto in = [language](const Wording& text) { return std::string(text.In(language)); };
    const TubeWalk& walk = check.Sequence.Walk;
    const BendingRows bending = FindBendingRows(program);
    const double cut = check.CutLength;
    const Vec3 size = walk.BoxMax - walk.BoxMin;
    const Wording& unit = options.Units == LengthUnit::Inch ? words::Inches : words::Millimetres;
    return {
        {in(words::Diameter), number(program.TubeDiameter)},
        {in(words::DevelopedLength), number(walk.DevelopedLength)},
        {in(words::CutLength), number(cut)},
        {in(words::Bends), Whole(bending.Rows.size())},
        {in(words::Rows), Whole(walk.Steps.size())},
        {in(words::BoxFrom), Point(walk.BoxMin, language)},
        {in(words::BoxTo), Point(walk.BoxMax, language)},
        {in(words::BoxSize),
         number(size.X) + " \u00d7 " + number(size.Y) + " \u00d7 " + number(size.Z)},
        {in(words::Hand), in(options.Mirrored ? words::Mirrored : words::AsProgrammed)},
        {in(words::Units),
         options.Units ? in(words::LengthsIn) + in(unit) : in(words::ProgramUnits)},
    };
}

// The rows as programmed and, with a machine, the plane turn and angle the machine is given.
SheetTable ProgramTable(const BendProgram& program, const TubeWalk& walk,
                        const MachineProfile* profile, Language language) {
    const auto number = [language](double value) { return SheetNumber(value, language); };
    SheetTable table{words::BendProgram.In(language),
                     {words::Row.In(language), "Y", "B", "C", "R", words::ArcLength.In(language)},
                     {},
                     {}};
    std::optional<MachineProgram> machine;
    if (profile) {
        machine = MakeMachineProgram(program, *profile);
        table.Heads.insert(table.Heads.end(),
                           {words::MachineB.In(language), words::MachineC.In(language)});
    }
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        const BendStep& row = program.Steps[i];
        const std::optional<WalkBend>& bend = walk.Steps[i].Bend;
        std::vector<std::string> cells{Whole(i + 1),  number(row.Y),
                                       number(row.B), number(row.C),
                                       number(row.R), number(bend ? bend->ArcLength : 0.0)};
        if (machine) {
            cells.push_back(number(machine->Rows[i].B));
            cells.push_back(number(machine->Rows[i].C));
        }
        table.Rows.push_back(std::move(cells));
    }
    return table;
}

// The points `tubrix-cli xyz` gives: the start, where the legs of each bend meet, the end.
SheetTable XyzTable(const TubeWalk& walk, Language language) {
    SheetTable table{words::XyzPoints.In(language),
                     {words::Point.In(language), words::Row.In(language), "X", "Y", "Z", "R"},
                     {},
                     {}};
    const auto add = [&table, language](std::string name, std::string row,
                                        const std::optional<Vec3>& at, std::string radius) {
        std::vector<std::string> cells{std::move(name), std::move(row)};
        for (const double value : {at ? at->X : 0.0, at ? at->Y : 0.0, at ? at->Z : 0.0}) {
            cells.push_back(at ? SheetNumber(value, language) : NoNumber);
        }
        cells.push_back(std::move(radius));
        table.Rows.push_back(std::move(cells));
    };
    add(words::Start.In(language), "1", walk.Start, "");
    int point = 0;
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        if (const std::optional<WalkBend>& bend = walk.Steps[i].Bend) {
            add(std::to_string(++point), Whole(i + 1), bend->Intersection,
                SheetNumber(bend->Radius, language));
        }
    }
    add(words::End.In(language), Whole(walk.Steps.size()), walk.End, "");
    return table;
}

// What `check` finds: with a machine every rule, without one folds, contact and the stock.
SheetTable FindingsTable(const PartCheck& check, Language language) {
    SheetTable table{words::Findings.In(language),
                     {words::Row.In(language), words::Rule.In(language), words::Value.In(language),
                      words::Limit.In(language), words::Finding.In(language)},
                     {},
                     words::NoFindings.In(language)};
    for (const Finding& finding : check.Findings) {
        std::string row = finding.Row > 0 ? std::to_string(finding.Row) : NoNumber;
        if (finding.OtherRow > 0) {
            row += words::RowAndRow.In(language) + std::to_string(finding.OtherRow);
        }
        table.Rows.push_back({row, RuleTitle(finding.Rule, language),
                              SheetNumber(finding.Value, language),
                              finding.Limit ? SheetNumber(*finding.Limit, language) : NoNumber,
                              FindingMessage(finding, language)});
    }
    return table;
}

// "stock in rotate: 12.00"; "Rohrstange beim Drehen: 12,00".
std::string ContactLine(const SequenceContact& contact, Language language) {
    const std::string distance = SheetNumber(contact.Distance, language);
    if (language == Language::German) {
        return std::string(ContactKindName(contact.With, language)) + " " +
               ContactPhaseWhen(contact.Phase, language) + ": " + distance;
    }
    return std::string(ContactKindName(contact.With)) + " in " + ContactPhaseName(contact.Phase) +
           ": " + distance;
}

// One small picture per bend, the part on the machine after it, all from one view and scale;
// under it the angle to bend to, the machine's, as the program table's machine C gives it.
Result<void> AddSequence(SetupSheet& sheet, const BendProgram& program,
                         const BendSequence& sequence, const MachineProfile& profile,
                         const SheetOptions& options) {
    const Language language = options.Language;
    const auto number = [language](double value) { return SheetNumber(value, language); };
    sheet.SequenceTitle = words::BendSequence.In(language);
    // Numbers near overflow can place the part at infinities, which no picture can show.
    if (!sequence.StatesFinite()) {
        sheet.SequenceNote = words::Overflow.In(language);
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
            {Numbered(words::BendOfRow, language, m + 1, static_cast<std::size_t>(bend.Row) + 1),
             words::Feed.In(language) + number(bend.Feed),
             words::Rotate.In(language) + number(bend.Rotate),
             BendToText(number(MachineAngle(bend.Angle, profile)), number(bend.Angle), language)}};
        for (const SequenceContact& contact : bend.Contacts) {
            cell.Lines.push_back(ContactLine(contact, language));
        }
        sheet.Sequence.push_back(std::move(cell));
    }
    return {};
}

// "Sheath 1.32 > 1.00 at row 4 — fails" as `compare` says it; the same in German:
// "Mantelabweichung 1,32 > 1,00 in Zeile 4 — nicht in Ordnung".
std::string Verdict(const SheathDeviation& sheath, double tolerance, Language language) {
    if (language == Language::English) {
        return SheathVerdict(sheath, tolerance);
    }
    const bool pass = sheath.Value <= tolerance;
    return "Mantelabweichung " + SheetNumber(sheath.Value, language) + (pass ? " \u2264 " : " > ") +
           SheetNumber(tolerance, language) + " in Zeile " + std::to_string(sheath.Row) +
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
    const Language language = options.Language;
    const PartCheck check = CheckProgram(program, profile);
    const TubeWalk& walk = check.Sequence.Walk;
    SetupSheet sheet;
    sheet.Language = language;
    sheet.Title = options.Title;
    if (profile && profile->Name) {
        sheet.Machine = *profile->Name;
    }
    sheet.MachineLabel = words::MachineLabel.In(language);
    sheet.PageLabel = words::PageLabel.In(language);
    sheet.Continued = words::Continued.In(language);
    sheet.PartTitle = words::Part.In(language);
    sheet.Part = PartFacts(program, check, options);
    // The home view, and the far side: turned half a turn about the vertical.
    const struct {
        const char* caption;
        double turnY;
    } views[] = {{words::HomeView.In(language), 0}, {words::TurnedView.In(language), 180}};
    for (const auto& view : views) {
        // Framed as `render --fit` frames it: the part's box centred, filling the picture.
        TubePicture picture = RenderTubePicture(
            program, {options.PictureWidth, options.PictureHeight, 0, view.turnY, true});
        if (picture.Image.isNull()) {
            return noOpenGl(picture.Error);
        }
        sheet.Pictures.push_back({view.caption, std::move(picture.Image)});
    }
    sheet.Tables.push_back(ProgramTable(program, walk, profile, language));
    sheet.Tables.push_back(XyzTable(walk, language));
    sheet.Tables.push_back(FindingsTable(check, language));
    if (profile) {
        if (Result<void> added = AddSequence(sheet, program, check.Sequence, *profile, options);
            !added) {
            return noOpenGl(added.Failure().Message);
        }
    }
    return sheet;
}

void AddInspection(SetupSheet& sheet, const SheetInspection& inspection) {
    const Language language = sheet.Language;
    const auto number = [language](double value) { return SheetNumber(value, language); };
    const Comparison& c = inspection.Comparison;
    std::string verdict = Verdict(c.Sheath, inspection.Tolerance, language);
    if (c.OtherHand) {
        verdict += words::OtherHand.In(language);
    }
    SheetTable bends{words::InspectionOf.In(language) + inspection.Measured + ": " + verdict,
                     {words::Row.In(language), "dY", "dB", "dC", "dR"},
                     {},
                     words::NoBends.In(language)};
    for (const BendDelta& b : c.Bends) {
        bends.Rows.push_back({Whole(static_cast<std::size_t>(b.Row)), number(b.DY), number(b.DB),
                              number(b.DC), number(b.DR)});
    }
    bends.Rows.push_back({words::Tail.In(language), number(c.TailDY), "", "", ""});
    sheet.Tables.push_back(std::move(bends));

    SheetTable points{words::MeasuredPoints.In(language) + number(c.Rms) + ")",
                      {words::Point.In(language), "dx", "dy", "dz", words::Deviation.In(language)},
                      {},
                      words::NoPoints.In(language)};
    for (std::size_t i = 0; i < c.Points.size(); ++i) {
        const PointDeviation& p = c.Points[i];
        points.Rows.push_back({Whole(i + 1), number(p.Offset.X), number(p.Offset.Y),
                               number(p.Offset.Z), number(p.Length)});
    }
    sheet.Tables.push_back(std::move(points));

    SheetTable next{words::Corrected.In(language),
                    {words::Row.In(language), "Y", "B", "C", "R"},
                    {},
                    inspection.NotCorrected.empty() ? words::NeedsProfile.In(language)
                                                    : inspection.NotCorrected};
    if (inspection.Corrected) {
        for (std::size_t i = 0; i < inspection.Corrected->Rows.size(); ++i) {
            const MachineRow& row = inspection.Corrected->Rows[i];
            next.Rows.push_back(
                {Whole(i + 1), number(row.Y), number(row.B), number(row.C), number(row.R)});
        }
    }
    sheet.Tables.push_back(std::move(next));
}
