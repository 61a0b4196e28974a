#pragma once

#include "centreline.h"
#include "error.h"
#include "machineprofile.h"
#include "machineprogram.h"
#include "measuredfile.h"
#include "programrows.h"
#include "rigidmotion.h"
#include "springback.h"
#include "tubewalk.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A part as it came off the machine, against the program it was bent from: the rigid motion
// that lays one on the other, how far each point and each bend is off, how far the measured
// centre line strays from the nominal one, and what to give the machine next time. Pure
// functions of the two parts, in closed form or by bounded searches.

namespace tubrix {

enum class Alignment { Best, None };

// Which way the measured points run: as given, or chosen by the fit (the other end where it
// fits far better).
enum class MeasuredOrder { Choose, Given };

struct CompareOptions {
    CompareOptions(Alignment align = Alignment::Best, MeasuredOrder order = MeasuredOrder::Choose)
        : Align(align), Order(order) {}

    Alignment Align;
    MeasuredOrder Order; // Alignment::None takes the order given
};

struct PointDeviation {
    Vec3 Offset; // aligned measured - nominal
    double Length = 0;
};

// One bending row, measured - nominal, as the machine sees it: the straight fed since the
// previous bending row, the plane turn since then ((-180, 180], 0 at the first bend, whose
// plane is the reference), the angle and the radius.
struct BendDelta {
    int Row = 0; // the nominal program's row, from 1
    double DY = 0;
    double DB = 0;
    double DC = 0;
    double DR = 0;
};

// The verdict in one line, two decimals: "Sheath 1.32 > 1.00 at row 4 — fails".
std::string SheathVerdict(const SheathDeviation& sheath, double tolerance);

struct Comparison {
    RigidMotion Motion; // measured -> nominal
    double Rms = 0;
    std::vector<PointDeviation> Points;
    std::vector<BendDelta> Bends;
    double TailDY = 0;
    SheathDeviation Sheath;
    bool OtherHand = false;
    bool Reversed = false; // the measured points were read from their other end
    // The measured part's program in the order read: every bending row matches the nominal's.
    ProgramRows MeasuredRows;
    // The measured centre line, aligned: to draw it over the nominal tube.
    std::vector<Piece> MeasuredPieces;
};

// What is said where a measured part was read from its other end.
inline constexpr const char* ReadReversedNote =
    "the measured points run from the other end; read reversed";

// Compares a measured part with its nominal program. With Alignment::Best the measured part is
// moved onto the nominal one by BestRigidMotion; with None both are taken as they stand (the
// nominal in its walk's frame). The sheath deviation is exact to 1e-6 of the diameter (for a part
// within a million diameters of the origin; past that, to what its numbers resolve).
// Which end and which hand: the measured points are fitted as given and from their other end,
// each onto the nominal and onto its mirror image; they are read reversed only where the better
// reversed fit's RMS is below half the better given one's (a symmetric part stays as given), and
// in the order chosen the part is of the other hand where the mirror image fits below half the
// RMS of the nominal. Every delta is in the nominal's order.
Result<Comparison> CompareMeasured(const ProgramRows& nominal, const MeasuredPart& measured,
                                   const CompareOptions& options = {});

// Whether the machine may be corrected for the compared part: never for a part of the other
// hand (a correction would turn every plane); unless forced, not where the best fit's RMS is past
// fit_limit, nor where a bend asks to change its angle by more than max_correction_angle +
// max_correction_share * C, its plane turn by more than max_correction_plane or a feed by more
// than max_correction_feed (a correction that large is another part or a misread, not
// springback). The error names the row, the value and the key.
Result<void> CheckCorrectable(const Comparison& comparison, const ProgramRows& nominal,
                              const MachineProfile& profile, bool force);

// The machine program for the next part: `used` (what bent the measured part) with every
// bending row's angle, plane turn and feed moved by what the part came out off, in the
// machine's own convention (b_sign, b_mode), and the tail likewise. Fails, naming the row, when
// a corrected value leaves what the machine takes (a feed below 0, an angle past max_angle).
Result<MachineProgram> CorrectMachineProgram(const MachineProgram& used, const ProgramRows& nominal,
                                             const ProgramRows& measured,
                                             const MachineProfile& profile);

// The machine program for the next part from a comparison: CheckCorrectable, then
// CorrectMachineProgram with the measured rows in the order they were read.
Result<MachineProgram> CorrectedProgram(const MachineProgram& used, const ProgramRows& nominal,
                                        const Comparison& comparison, const MachineProfile& profile,
                                        bool force);

// The part a machine program bends on this machine as the profile has it: the program turned
// back, each B through b_sign and b_mode, each machine angle through the springback law. What a
// part bent with it is compared with where there is no nominal program.
ProgramRows BentPart(const MachineProgram& used, const MachineProfile& profile);

// The bending rows of a measured part paired with the machine program that bent it: the
// counts must agree.
Result<std::vector<BentAngle>> PairBentAngles(const MachineProgram& used,
                                              const ProgramRows& measured);

} // namespace tubrix
