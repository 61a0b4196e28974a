#pragma once

#include "bendprogram.h"
#include "error.h"
#include "language.h"
#include "machineprofile.h"
#include "measured.h"
#include "programfile.h"
#include "tubewalk.h"

#include <QImage>

#include <optional>
#include <string>
#include <vector>

// The setup sheet that goes to the bender with the stock, as plain data: what is on it and in
// which order, never where. A writer lays it out (the PDF writer today); every number and word
// on it is already text with two decimals, in the sheet's language, so each writer prints the
// same sheet.

// One line of facts about the part: "Developed length" and "296.37".
struct SheetFact {
    std::string Label;
    std::string Value;
};

// A picture with the words under it.
struct SheetPicture {
    std::string Caption;
    QImage Image;
};

// A table of text cells; a writer that breaks it over pages repeats its title and heads.
struct SheetTable {
    std::string Title;
    std::vector<std::string> Heads;
    std::vector<std::vector<std::string>> Rows; // each as many cells as Heads
    std::string WhenEmpty;                      // said instead of the heads when there is no row
};

// A run of small pictures, each with a few lines under it (one cell per bend).
struct SheetCell {
    QImage Image;
    std::vector<std::string> Lines;
};

struct SetupSheet {
    tubrix::Language Language = tubrix::Language::English; // of every word on it
    std::string Title;
    std::string Machine; // the profile's name; empty without one
    std::string PartTitle;
    std::vector<SheetFact> Part;
    std::vector<SheetPicture> Pictures;
    std::vector<SheetTable> Tables;
    std::string SequenceTitle; // empty: the sheet has no sequence section
    std::vector<SheetCell> Sequence;
    std::string SequenceNote; // said under the title, in place of pictures there are none of
    // The page header's words: before the machine's name, the page's number ("%1") of how many
    // ("%2"), and after a table's title on the pages it runs on to.
    std::string MachineLabel = "Machine: ";
    std::string PageLabel = "page %1 of %2";
    std::string Continued = " (continued)";
};

struct SheetOptions {
    std::string Title;                                     // at the top of every page
    tubrix::Language Language = tubrix::Language::English; // of the sheet's words and numbers
    bool Mirrored = false; // the program was mirrored for this sheet: the other hand
    std::optional<tubrix::LengthUnit> Units; // its lengths' unit, where the program says
    // Where only one of the program and the profile said its unit: said beside the unit.
    std::optional<tubrix::UnitsAssumed> Assumed;
    std::optional<double> Wall; // a hollow tube's wall, where the program says
    int PictureWidth = 900;     // pixels of each of the part's two pictures
    int PictureHeight = 500;
    int StepPictureWidth = 300; // pixels of each bend's picture in the sequence
    int StepPictureHeight = 200;
};

// The sheet of a program (mirrored already when the options say so), with the machine's
// columns, cut length, findings and bend sequence when a profile is given. Fails only when the
// pictures cannot be drawn (no OpenGL).
tubrix::Result<SetupSheet> BuildSetupSheet(const BendProgram& program,
                                           const tubrix::MachineProfile* profile,
                                           const SheetOptions& options);

// What a measured part adds to the sheet: how it compares with the program and, with a
// profile, the machine program corrected for it (or why there is none).
struct SheetInspection {
    std::string Measured; // the measured file, as the sheet names it
    tubrix::Comparison Comparison;
    double Tolerance = 1;
    std::optional<tubrix::MachineProgram> Corrected;
    // Why there is no corrected program, said in its place; empty: no machine profile was
    // given, which the sheet says in its own language.
    std::string NotCorrected;
};

// The inspection section, whatever its verdict: the verdict (and the other hand, if so), the
// bends' deltas, the points' deviations and the corrected machine values, as tables, in the
// sheet's language.
void AddInspection(SetupSheet& sheet, const SheetInspection& inspection);

// A number as the sheet prints it: two decimals, and never "-0.00"; past any tube's size with
// two decimals of its exponent form, so no cell runs to hundreds of digits. German sheets write
// the decimal comma ("-1,25").
std::string SheetNumber(double value, tubrix::Language language = tubrix::Language::English);
