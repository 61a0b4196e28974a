#pragma once

#include "bendprogram.h"
#include "bendsequence.h"
#include "findings.h"
#include "machineprofile.h"

#include <vector>

// Can this machine make this part? The one answer every front gives: the window under "Make 3D",
// `check`, `machine`, `sequence` and the setup sheet all take it from here, so they never
// disagree on a finding.

namespace tubrix {

struct PartCheck {
    // Every rule that applies (with a profile all of them, without one fold and contact) and
    // where the part meets the stock or the floor while it is bent; sorted by SortFindings.
    std::vector<Finding> Findings;
    // The bending played through on the profile's machine, or on the default machine (die on
    // the left, no floor) without a profile: the stock is looked for on every part. Only a
    // program the rules allow is played (CheckRules): a value typed into the window that no
    // file could hold is marked and drawn as typed, and its findings are the rules' alone.
    BendSequence Sequence;
    // The developed length less the profile's gain in every bend; without a profile nothing is
    // gained, and the stock is the developed length.
    double CutLength = 0;
};

// Checks the program (the hand to be bent: mirror it first for the other one).
PartCheck CheckProgram(const BendProgram& program, const MachineProfile* profile);

} // namespace tubrix
