#pragma once

#include "bendprogram.h"
#include "language.h"
#include "machineprofile.h"
#include "tubewalk.h"

#include <optional>
#include <string>
#include <vector>

namespace tubrix {

// Can this machine bend this part? The checks are pure functions of the program, its walk and,
// for the rules that need one, a machine profile; they give a plain list of findings.

// The rules, in the order a row's findings are listed.
enum class FindingRule {
    Diameter, // the program's diameter is not the tooling's
    Die,      // no die of a bending row's radius
    Angle,    // a machine angle past the machine's largest
    Clamp,    // a straight before a bend shorter than the clamp die
    Tail,     // a tail shorter than the collet needs
    Length,   // a cut length longer than the stock the machine takes
    Fold,     // a bend radius not above the tube radius: the inner wall folds (no profile needed)
    Contact,  // the tube touches itself (no profile needed)
    Stock,    // the part meets the unbent stock while it is bent (bendsequence.h)
    Floor,    // the part meets the floor below the machine (a profile's centreline_height)
};

// When the part meets the stock or the floor: during the plane turn before a bend (its end
// state, the one before the bend, included), while bending (strictly inside), or in the state
// after the bend (bendsequence.h plays them).
enum class ContactPhase { Rotate, Bend, After };

struct Finding {
    FindingRule Rule = FindingRule::Diameter;
    int Row = 0;      // numbered from 1, as every message shows it; 0: about the whole part
    int OtherRow = 0; // contact's second row, never below Row; 0 for every other rule
    double Value = 0;
    std::optional<double> Limit; // none for die, which has no one radius to name
    std::string Message;         // "straight before the bend 80 < 114"
    std::vector<double> Dies{};  // die: the radii of the dies the machine has
    ContactPhase Phase{};        // stock and floor: the phase of the nearest contact
};

// "diameter", "die", ... as scripts and messages name the rules.
const char* RuleName(FindingRule rule);

// A rule's name as the operator reads it in a language: RuleName in English, "Spannlänge" for
// clamp in German.
const char* RuleTitle(FindingRule rule, Language language);

// A finding's message in a language, made from its rule, rows, value, limit, dies and phase:
// in English the Message every check gives ("straight before the bend 80 < 114"), in German
// the same numbers with decimal commas ("Gerade vor der Biegung 80 < 114").
std::string FindingMessage(const Finding& finding, Language language);

// How a phase of the bending is said in a message: "in the plane turn", "while bending",
// "after the bend"; "beim Drehen", "beim Biegen", "nach dem Biegen".
const char* ContactPhaseWhen(ContactPhase phase, Language language);

// "row 3: clamp: straight before the bend 80 < 114"; without a row "length: ...".
std::string FindingLine(const Finding& finding);

// A number in a message: at most three decimals, no trailing zeros; with the language's
// decimal mark.
std::string FindingNumber(double value, Language language = Language::English);

// What a bend is bent to, as the operator reads it wherever a step of the bending names its
// angle: the machine angle first, the program's (the part's) beside it, labelled, so that no
// one bends to the part's angle by mistake: "bend to 47.90 (part 45.00)". The two numbers come
// as text, each front writing them its own way (the setup sheet with two decimals, the window
// in its locale).
// In German: "biegen auf 47,90 (Teil 45,00)".
std::string BendToText(const std::string& machineAngle, const std::string& partAngle,
                       Language language = Language::English);

// The length of stock to cut: the developed length less the gain of each bending row.
double CutLength(const BendProgram& program, const MachineProfile& profile);

// Every check: with a profile all rules, without one fold and contact only. Sorted as
// SortFindings does.
std::vector<Finding> CheckPart(const BendProgram& program, const TubeWalk& walk,
                               const MachineProfile* profile);
std::vector<Finding> CheckPart(const BendProgram& program, const MachineProfile* profile);

// Whether a bend of `bendRadius` folds a tube of `diameter`: at a radius not above the tube's
// own (R <= D/2) the bend's axis lies inside the tube, so its inner wall folds over itself and
// no solid can be made. The one rule for every front: check, the window, the sheet, the mesh
// and the STEP solid; a radius or diameter that is no number folds too.
bool FoldsTube(double bendRadius, double diameter);

// The rules one by one, for callers that add their own.
std::vector<Finding> CheckMachine(const BendProgram& program, const MachineProfile& profile);
std::vector<Finding> CheckFolds(const BendProgram& program);
std::vector<Finding> CheckContact(const BendProgram& program, const TubeWalk& walk);

// The pieces of the tube a list of findings is about, by row from 0, for a picture to mark:
// the bend of a row for die, angle and fold; the straights that make up a short straight
// before a bend (clamp) or a short tail; both pieces of both rows of a contact. Findings
// about the whole part mark nothing.
struct PiecesAtFault {
    std::vector<bool> Straights;
    std::vector<bool> Bends;
};
PiecesAtFault FindPiecesAtFault(const BendProgram& program, const std::vector<Finding>& findings);

// Those without a row first, then by row, within a row in the order of the rules; findings of
// one rule and row keep their order.
void SortFindings(std::vector<Finding>& findings);

} // namespace tubrix
