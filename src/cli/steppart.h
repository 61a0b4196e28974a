#pragma once

#include "error.h"
#include "programrows.h"
#include "tubepieces.h"

#include <optional>
#include <string>
#include <vector>

// STEP files in and out for the commands. Open CASCADE does the reading and writing in the
// helper tubrix-step, run as a child process with a time limit, so that tubrix-cli itself never
// loads it.

// A file the commands read through the CAD helper: .step or .stp, in any case.
bool IsStepPath(const std::string& path);

// A file larger than this is refused before the helper is started.
inline constexpr std::uintmax_t MaxStepFileBytes = 200u << 20;
// How long the helper may take; TUBRIX_STEP_TIMEOUT (seconds) sets another.
inline constexpr double DefaultStepSeconds = 30;
// How much address space the helper may take, in MiB (4 GiB): a hostile file must not take the
// machine's memory. TUBRIX_STEP_MEMORY (a whole number of MiB, 0 for no limit, at most
// MaxStepMemoryMiB) sets another.
inline constexpr double DefaultStepMemoryMiB = 4096;
inline constexpr double MaxStepMemoryMiB = 1 << 24;

// Every body of the file, as the helper recognised it.
tubrix::Result<std::vector<tubrix::CadBody>> ReadStepBodies(const std::string& path);

// The tube of a file: the body `solid` (from 1), or the only tube among the bodies; from the
// other end with `reverse`.
tubrix::Result<tubrix::CadTube> ChooseStepTube(const std::vector<tubrix::CadBody>& bodies,
                                               std::optional<int> solid, bool reverse,
                                               const std::string& path);

// ReadStepBodies, then ChooseStepTube.
tubrix::Result<tubrix::CadTube> ReadStepTube(const std::string& path, std::optional<int> solid,
                                             bool reverse);

// One line per body: its number, its faces and, for a tube, its diameter, bends, developed
// length and wall; for anything else why it is no tube.
std::string StepBodiesList(const std::vector<tubrix::CadBody>& bodies, const std::string& path);

// The same as JSON, so that a file of several tubes is read once and nothing reads the list's
// English: every body with its faces and, for a tube, its diameter, wall, bends, developed
// length and program rows, as ybc --solid N would write them but at full precision (keys with
// no value for a body are null); for anything else why it is no tube.
std::string StepBodiesJson(const std::vector<tubrix::CadBody>& bodies, const std::string& path);

// The tube of a program as an exact solid in a STEP file at `output`, hollow with `wall`. Errors
// name the row whose bend cannot be a solid; the status is the command's exit status.
int WriteStepPart(const tubrix::ProgramRows& rows, std::optional<double> wall,
                  const std::string& output, const std::string& programName);
