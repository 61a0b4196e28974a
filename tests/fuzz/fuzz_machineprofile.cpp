// Feeds arbitrary text to the machine profile reader and checks what it promises: a profile
// that loads holds only values within its keys' ranges, and the checks and the machine's
// program run on it with finite results; a profile that does not load gets an error at a line
// of the text; and neither a byte-order mark nor CRLF line ends change the outcome.
#include "findings.h"
#include "fuzzcheck.h"
#include "machineprofile.h"
#include "machineprogram.h"
#include "postprocessor.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tubrix;

namespace {

const std::string FileName = "fuzz.toml";

bool Positive(const std::optional<double>& value) {
    return !value || (std::isfinite(*value) && *value > 0);
}

void CheckProfile(const MachineProfile& p) {
    bool fine = Positive(p.TubeDiameter) && Positive(p.MaxLength) && Positive(p.CentrelineHeight) &&
                std::isfinite(p.ClampLength) && p.ClampLength >= 0 && std::isfinite(p.MinTail) &&
                p.MinTail >= 0 && p.MaxAngle > 0 && p.MaxAngle <= 360 &&
                (p.BSign == 1 || p.BSign == -1) && (p.DieSide == 1 || p.DieSide == -1) &&
                std::isfinite(p.GainPerBend) && p.GainPerBend >= 0 && p.SpringbackFixed >= -45 &&
                p.SpringbackFixed <= 45 && p.SpringbackPerDegree >= -0.5 &&
                p.SpringbackPerDegree <= 0.5;
    for (double r : p.Radii) {
        fine = fine && std::isfinite(r) && r > 0;
    }
    if (!fine) {
        FuzzFail("a profile loaded with a value outside its key's range");
    }
    // The window's initial program on this machine.
    const BendRowInput rows[] = {
        {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};
    BendProgram program{};
    FillBendProgram(program, 38, rows);
    for (const Finding& f : CheckPart(program, &p)) {
        if (f.Message.empty() || f.Row < 0 || f.Row > 5) {
            FuzzFail("a finding without a message or on a row the program does not have");
        }
    }
    const MachineProgram machine = MakeMachineProgram(program, p);
    for (const MachineRow& row : machine.Rows) {
        const bool relative = p.BMode == MachineProfile::PlaneMode::Relative;
        if (!std::isfinite(row.C) ||
            (relative ? !(row.B > -180 && row.B <= 180) : !(row.B >= 0 && row.B < 360))) {
            FuzzFail("a machine program row out of its range");
        }
    }
    if (FormatMachineProgramText(machine).find("\n#", 0) == std::string::npos) {
        FuzzFail("the machine's program lost its comment lines");
    }
    // Templates are tried as the profile is read: one that was taken writes.
    if (p.Output && !FormatPostProgram(machine, *p.Output, {"part", "mm", "2026-12-08"})) {
        FuzzFail("a control's file template taken by the reader failed to write");
    }
}

// Both loaded, or both failed on the same line.
bool SameOutcome(const Result<MachineProfile>& a, const Result<MachineProfile>& b) {
    return a ? bool(b) : !b && a.Failure().Line == b.Failure().Line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<MachineProfile> profile = ParseMachineProfile(text, FileName);
    if (profile) {
        CheckProfile(*profile);
    } else {
        CheckFileError(profile.Failure(), text, FileName);
    }
    if (!text.starts_with("\xEF\xBB\xBF") &&
        !SameOutcome(profile, ParseMachineProfile("\xEF\xBB\xBF" + std::string(text), FileName))) {
        FuzzFail("a byte-order mark changed the outcome");
    }
    const std::string crlf = WithCrlf(text);
    if (!crlf.empty() && !SameOutcome(profile, ParseMachineProfile(crlf, FileName))) {
        FuzzFail("CRLF line ends changed the outcome");
    }
    return 0;
}
