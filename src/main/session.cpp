#include "session.h"

using namespace tubrix;

TSession::TSession(QObject* parent) : QObject(parent), Rows(new TProgramModel(this)) {}

TSession::~TSession() = default;

void TSession::SetPath(const QString& path) {
    FilePath = path;
    emit PathChanged();
}

void TSession::SetUnits(std::optional<LengthUnit> units) {
    ProgramUnits = units;
    emit UnitsChanged();
    if (Shown) {
        CheckBuilt();
    }
}

void TSession::SetProfile(MachineProfile profile, const QString& name) {
    MachineProfileLoaded = std::move(profile);
    MachineName = name;
    emit ProfileChanged();
    if (Shown) {
        CheckBuilt();
    }
}

void TSession::SetMirrored(bool mirrored) {
    MirroredHand = mirrored;
    emit HandChanged();
}

void TSession::SetBuilt(const BendProgram& typed) {
    Typed = std::make_unique<BendProgram>(typed);
    Shown = std::make_unique<BendProgram>(typed);
    if (MirroredHand) {
        MirrorBendProgram(*Shown);
    }
    emit Built();
    CheckBuilt();
}

void TSession::CheckBuilt() {
    // Never mixed: a profile in other units than the program's is checked converted.
    std::optional<MachineProfile> profile = MachineProfileLoaded;
    if (profile && ProgramUnits) {
        profile = ProfileInUnits(*profile, *ProgramUnits);
    }
    LastCheck = std::make_unique<tubrix::PartCheck>(
        tubrix::CheckProgram(*Shown, profile ? &*profile : nullptr));
    emit Checked();
}
