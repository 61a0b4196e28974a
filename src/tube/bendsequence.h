#pragma once

#include "bendprogram.h"
#include "findings.h"
#include "machineprofile.h"
#include "tubewalk.h"

#include <optional>
#include <vector>

namespace tubrix {

// The bending played through on a rotary draw bender. The machine's frame: the bend head's
// tangent point (where the stock meets the bend die) is the origin, the unbent stock lies
// behind it along +x, the tube is fed toward -x, z is up, and the die's centre is at
// (0, DieSide * R, 0). Every state is a rigid placement of the program's walk (WalkTube), which
// runs from the lead end (row 1) toward the tail; the shapes are the program's nominal ones.

// A state of the part on the machine: where the walk lies, and what is formed.
struct MachineState {
    WalkFrame Placement;     // walk coordinates to machine coordinates
    double FormedLength = 0; // lead end to the origin along the tube
    double StockLength = 0;  // the developed length less what is formed
    Vec3 LeadEnd;            // the lead end in machine coordinates
    double LowestZ = 0;      // lowest z of the formed part's centre line
};

enum class ContactKind { Stock, Floor };
// When a contact happens is a ContactPhase (findings.h, whose stock and floor findings name it).

struct SequenceContact {
    ContactKind With = ContactKind::Stock;
    ContactPhase Phase = ContactPhase::Rotate;
    // The smallest over the phase: between centre lines for the stock, the centre line's lowest
    // height above the floor for the floor.
    double Distance = 0;
};

struct SequenceBend {
    int Row = 0;       // the bending row, from 0
    double Feed = 0;   // the straight fed before the bend
    double Rotate = 0; // the plane turn as the machine counts it: b_sign * sum of B, (-180, 180]
    double Turn = 0;   // the turn the tube makes about +x before the bend, degrees, (-180, 180]
    double Angle = 0;  // C
    double Radius = 0; // R
    MachineState Before;
    MachineState After;
    std::vector<SequenceContact> Contacts;
};

struct BendSequence {
    double Diameter = 0;
    double DevelopedLength = 0;
    double CutLength = 0; // developed length less the profile's gain in every bend
    int DieSide = 1;
    std::optional<double> CentrelineHeight;
    TubeWalk Walk;
    std::vector<SequenceBend> Bends;
    std::optional<int> FirstContact; // the first bend with a contact, from 1

    // The states in the order the bender passes them: the loaded tube (before bend 1), then the
    // state after each bend.
    int StateCount() const { return static_cast<int>(Bends.size()) + 1; }
    const MachineState& State(int step) const;
    // The walk's rows the formed part of a state holds, and whether its last row's bend is
    // formed: what a picture of the state draws before the stock.
    int StateRows(int step) const;
    bool StateEndsInBend(int step) const { return step > 0; }
    // The contacts seen in a state: those of the phase before it and of the state itself.
    bool StateHasContact(int step, ContactKind kind) const;
    // Every state's lead end and lowest height is a number: numbers near overflow give states
    // of infinities, which no output or picture should carry.
    bool StatesFinite() const;
};

// Plays the program through on the machine the profile describes (DieSide, CentrelineHeight,
// BSign and GainPerBend are read). Values that overflow give states of infinities, never a hang.
BendSequence PlayBendSequence(const BendProgram& program, const MachineProfile& profile);

// The contacts as findings, one per bend and kind: the bending row, the smallest distance over
// the bend's phases, the limit D (stock) or D / 2 (floor).
std::vector<Finding> SequenceFindings(const BendSequence& sequence);

// Contacts are closer than the tube's diameter to the stock, and closer than half of it to the
// floor; points within pi * D / 2 of the origin along the tube are where the part meets the
// stock and are not counted.
inline constexpr const char* ContactKindName(ContactKind kind) {
    return kind == ContactKind::Stock ? "stock" : "floor";
}
inline constexpr const char* ContactPhaseName(ContactPhase phase) {
    return phase == ContactPhase::Rotate ? "rotate"
           : phase == ContactPhase::Bend ? "bend"
                                         : "after";
}
// The names in a language: in English those above, in German "Rohrstange" and "Boden",
// "Drehen", "Biegen" and "nach dem Biegen".
const char* ContactKindName(ContactKind kind, Language language);
const char* ContactPhaseName(ContactPhase phase, Language language);

} // namespace tubrix
