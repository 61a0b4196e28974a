// Feeds arbitrary text to the machine program reader for a machine that counts planes relative
// and one that counts them absolute, and checks what it promises: a program that reads keeps
// every row within the machine's ranges, and a correction for the part it bends itself (a
// perfect part) changes no feed, plane or angle; a program that does not read gets an error at a
// line of the text; and neither a byte-order mark nor CRLF line ends change the outcome.
#include "fuzzcheck.h"
#include "machineprogram.h"
#include "measured.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tubrix;

namespace {

const std::string FileName = "used.csv";

MachineProfile Relative() {
    MachineProfile p;
    p.SpringbackFixed = 1.5;
    p.SpringbackPerDegree = 0.02;
    return p;
}

// Turns the plane the other way, counts it absolute and bends past 180, with a springback that
// takes away at small angles and adds at large ones.
MachineProfile Absolute() {
    MachineProfile p;
    p.Name = "Left";
    p.BMode = MachineProfile::PlaneMode::Absolute;
    p.BSign = -1;
    p.MaxAngle = 200;
    p.SpringbackFixed = -2;
    p.SpringbackPerDegree = 0.1;
    return p;
}

const MachineProfile Profiles[] = {Relative(), Absolute()};

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Both read the same rows, or both failed at the same place.
bool SameOutcome(const Result<MachineProgram>& a, const Result<MachineProgram>& b) {
    if (!a || !b) {
        return !a && !b && a.Failure().Line == b.Failure().Line &&
               a.Failure().Column == b.Failure().Column;
    }
    if (!SameBits(a->Diameter, b->Diameter) || a->Units != b->Units ||
        a->Rows.size() != b->Rows.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a->Rows.size(); ++i) {
        const MachineRow& p = a->Rows[i];
        const MachineRow& q = b->Rows[i];
        if (!SameBits(p.Y, q.Y) || !SameBits(p.B, q.B) || !SameBits(p.C, q.C) ||
            !SameBits(p.R, q.R)) {
            return false;
        }
    }
    return true;
}

// Within rounding: a millionth of the value's size, and no less than a millionth.
bool Unchanged(double before, double after) {
    return std::fabs(after - before) <= 1e-6 * std::max(std::fabs(before), 1.0);
}

void CheckProgram(const MachineProgram& used, const MachineProfile& profile) {
    if (!(used.Diameter > 0) || !std::isfinite(used.Diameter) || used.Rows.empty() ||
        used.Rows.size() > MaxBendSteps || used.BMode != profile.BMode ||
        used.Machine != profile.Name) {
        FuzzFail("a machine program read with a bad diameter, row count or machine");
    }
    const bool relative = profile.BMode == MachineProfile::PlaneMode::Relative;
    for (const MachineRow& row : used.Rows) {
        if (!std::isfinite(row.Y) || !std::isfinite(row.R) || !(row.Y >= 0) ||
            (relative ? !(row.B > -180 && row.B <= 180) : !(row.B >= 0 && row.B < 360)) ||
            !(row.C >= 0 && row.C <= profile.MaxAngle) || (row.C > 0 && !(row.R > 0))) {
            FuzzFail("a machine program read with a row outside the machine's ranges");
        }
    }
    // The part this program bends, measured perfectly: nothing to correct.
    const ProgramRows bent = BentPart(used, profile);
    const Result<MachineProgram> next = CorrectMachineProgram(used, bent, bent, profile);
    if (!next) {
        // Only straights summed past the largest number may stop it; the machine took every
        // feed and angle as they are.
        const Error& error = next.Failure();
        if (error.Message.empty() || error.Row < 1 ||
            error.Row > static_cast<int>(used.Rows.size()) || error.Field != ProgramField::None) {
            FuzzFail("a perfect part's correction was refused for a value the machine takes");
        }
        return;
    }
    if (next->Rows.size() != used.Rows.size()) {
        FuzzFail("a correction changed the number of rows");
    }
    for (std::size_t i = 0; i < used.Rows.size(); ++i) {
        const MachineRow& a = used.Rows[i];
        const MachineRow& b = next->Rows[i];
        if (!Unchanged(a.Y, b.Y) || !Unchanged(a.B, b.B) || !Unchanged(a.C, b.C) || a.R != b.R) {
            FuzzFail("a perfect part's correction changed the machine program");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string marked = "\xEF\xBB\xBF" + std::string(text);
    const std::string crlf = WithCrlf(text);
    for (const MachineProfile& profile : Profiles) {
        const Result<MachineProgram> used = ParseMachineProgramText(text, FileName, profile);
        if (used) {
            CheckProgram(*used, profile);
        } else {
            CheckFileError(used.Failure(), text, FileName);
        }
        if (!text.starts_with("\xEF\xBB\xBF") &&
            !SameOutcome(used, ParseMachineProgramText(marked, FileName, profile))) {
            FuzzFail("a byte-order mark changed the outcome");
        }
        if (!crlf.empty() && !SameOutcome(used, ParseMachineProgramText(crlf, FileName, profile))) {
            FuzzFail("CRLF line ends changed the outcome");
        }
    }
    return 0;
}
