#include "session.h"

using namespace tubrix;

TSession::TSession(QObject* parent) : QObject(parent), Rows(new TProgramModel(this)) {}

TSession::~TSession() = default;

void TSession::SetPath(const QString& path) {
    FilePath = path;
    emit PathChanged();
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
    LastCheck = std::make_unique<tubrix::PartCheck>(
        tubrix::CheckProgram(*Shown, MachineProfileLoaded ? &*MachineProfileLoaded : nullptr));
    emit Checked();
}
