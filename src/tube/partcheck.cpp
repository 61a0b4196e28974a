#include "partcheck.h"

#include "checkrow.h"

#include <iterator>

namespace tubrix {

PartCheck CheckProgram(const BendProgram& program, const MachineProfile* profile) {
    PartCheck check;
    const MachineProfile machine = profile ? *profile : MachineProfile{};
    if (!CheckRules(program)) {
        check.Sequence.Walk = WalkTube(program);
        check.Findings = CheckPart(program, check.Sequence.Walk, profile);
        check.CutLength = CutLength(program, machine);
        return check;
    }
    check.Sequence = PlayBendSequence(program, machine);
    check.Findings = CheckPart(program, check.Sequence.Walk, profile);
    std::vector<Finding> bending = SequenceFindings(check.Sequence);
    check.Findings.insert(check.Findings.end(), std::make_move_iterator(bending.begin()),
                          std::make_move_iterator(bending.end()));
    SortFindings(check.Findings);
    check.CutLength = check.Sequence.CutLength;
    return check;
}

} // namespace tubrix
