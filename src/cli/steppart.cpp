#include "steppart.h"

#include "childprocess.h"
#include "clijson.h"
#include "commands.h"
#include "findings.h"
#include "numbertext.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tubrix;

namespace {

// More text than the pieces of any file the helper is given can make.
constexpr std::size_t MaxHelperOutput = 64u << 20;

// The helper the environment variable `override` names; else the installed one, in
// ../libexec/tubrix from this program (off the PATH: no one runs it by hand); else the one
// beside this program, as the build tree has it.
std::string HelperPath(const char* name, const char* override) {
    if (const char* given = std::getenv(override); given && *given) {
        return given;
    }
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return name;
    }
    const std::filesystem::path installed =
        self.parent_path().parent_path() / "libexec" / "tubrix" / name;
    if (std::filesystem::is_regular_file(installed, error)) {
        return installed.string();
    }
    return (self.parent_path() / name).string();
}

std::string StepReader() {
    return HelperPath("tubrix-step", "TUBRIX_STEP_HELPER");
}
std::string StepWriter() {
    return HelperPath("tubrix-step-write", "TUBRIX_STEP_WRITER");
}

// The helper's address space in bytes, 0 for no limit: DefaultStepMemoryMiB, or what
// TUBRIX_STEP_MEMORY says in MiB. A sanitizer reserves terabytes of address space for its
// shadow memory, so a build with one sets no limit.
std::uint64_t HelperMemory() {
#ifdef TUBRIX_SANITIZED
    return 0;
#else
    double mebibytes = DefaultStepMemoryMiB;
    if (const char* given = std::getenv("TUBRIX_STEP_MEMORY"); given && *given) {
        if (const Result<double> value = ParseNumber(given, ';', "TUBRIX_STEP_MEMORY");
            value && *value >= 0 && *value <= MaxStepMemoryMiB && *value == std::floor(*value)) {
            mebibytes = *value;
        }
    }
    return static_cast<std::uint64_t>(mebibytes) << 20;
#endif
}

std::chrono::milliseconds HelperLimit() {
    double seconds = DefaultStepSeconds;
    if (const char* given = std::getenv("TUBRIX_STEP_TIMEOUT"); given && *given) {
        if (const Result<double> value = ParseNumber(given, ';', "TUBRIX_STEP_TIMEOUT");
            value && *value > 0 && *value <= 86400) {
            seconds = *value;
        }
    }
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

// The helper's answer, or why there is none: its own one-line message, or what became of it.
Result<std::string> RunHelper(const std::string& helper, const std::string& role,
                              const std::vector<std::string>& args, const std::string& input,
                              const std::string& shown) {
    const std::chrono::milliseconds limit = HelperLimit();
    const Result<ChildRun> run =
        RunChild(helper, args, input, limit, MaxHelperOutput, HelperMemory());
    if (!run) {
        return FileError(shown, 0, 0, role + ": " + run.Failure().Message);
    }
    if (run->TimedOut) {
        return FileError(shown, 0, 0,
                         role + " took more than " +
                             FormatNumber(static_cast<double>(limit.count()) / 1000) +
                             " s and was stopped");
    }
    if (run->OutputTooLong) {
        return FileError(shown, 0, 0, role + "'s answer is too long; it was stopped");
    }
    if (run->Signal != 0) {
        return FileError(shown, 0, 0,
                         role + " crashed (signal " + std::to_string(run->Signal) + ")");
    }
    if (run->ExitStatus == HelperOutOfMemory) {
        return FileError(shown, 0, 0,
                         role + " ran out of memory (TUBRIX_STEP_MEMORY sets its limit in MiB)");
    }
    if (run->ExitStatus != 0) {
        // The helper's own refusals name the file; anything else on its standard error (a
        // sanitizer's report of a fault in the kernel) is not a message for the operator.
        const std::string said = run->Err.substr(0, run->Err.find('\n'));
        if (said.starts_with(shown + ": ")) {
            return Failed(said);
        }
        return FileError(shown, 0, 0,
                         role + " failed with status " + std::to_string(run->ExitStatus));
    }
    return run->Out;
}

// The tube of one body as the commands use it: in millimetres, hollow where the part is, and
// every length and angle read from the helper's answer with the CAD system's round-off taken
// off, here and only here, so that a quarter bend is written 90, not 90.00000000000594.
Result<CadTube> TubeOfBody(const CadBody& body, bool reverse, const std::string& shown) {
    Result<CadTube> tube = TubeFromPieces(body, reverse, shown);
    if (!tube) {
        return tube;
    }
    ProgramRows& program = tube->Program;
    program.Diameter = SnapCadNumber(program.Diameter);
    for (BendRowInput& row : program.Rows) {
        for (double* value : {&row.Y, &row.B, &row.C, &row.R}) {
            *value = SnapCadNumber(*value);
        }
    }
    if (tube->Wall) {
        tube->Wall = SnapCadNumber(*tube->Wall);
    }
    // A STEP part's lengths are read into millimetres, whatever the file's own unit.
    program.Units = LengthUnit::Millimetre;
    program.Wall = tube->Wall;
    return tube;
}

int BendCount(const ProgramRows& program) {
    return static_cast<int>(std::count_if(program.Rows.begin(), program.Rows.end(),
                                          [](const BendRowInput& r) { return r.C > 0; }));
}

std::string BodyLine(const CadBody& body, int number, const std::string& path) {
    std::string line =
        "solid " + std::to_string(number) + ": " + std::to_string(body.Faces) + " faces, ";
    const Result<CadTube> tube = TubeOfBody(body, false, ShownName(path));
    if (!tube) {
        const std::string& why = tube.Failure().Message;
        return line + "not a tube (" + why + ")";
    }
    const ProgramRows& program = tube->Program;
    const int bends = BendCount(program);
    line += "tube, diameter " + FormatNumber(program.Diameter, 3) + ", " + std::to_string(bends) +
            (bends == 1 ? " bend" : " bends") + ", developed length " +
            FormatNumber(DevelopedLength(ProgramFromRows(program)), 3);
    if (tube->Wall) {
        line += ", wall " + FormatNumber(*tube->Wall, 3);
    }
    return line;
}

} // namespace

bool IsStepPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".step" || extension == ".stp";
}

Result<std::vector<CadBody>> ReadStepBodies(const std::string& path) {
    const std::string shown = ShownName(path);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        return FileError(shown, 0, 0, "no such file");
    }
    if (!std::filesystem::is_regular_file(status)) {
        return FileError(shown, 0, 0, "not a regular file");
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > MaxStepFileBytes) {
        return FileError(shown, 0, 0,
                         "a STEP file of more than " + std::to_string(MaxStepFileBytes >> 20) +
                             " MB is not read");
    }
    const Result<std::string> answer =
        RunHelper(StepReader(), "the STEP reader", {"read", path, shown}, {}, shown);
    if (!answer) {
        return answer.Failure();
    }
    return ParseCadBodies(*answer, shown + " (as the STEP reader gave it)");
}

Result<CadTube> ChooseStepTube(const std::vector<CadBody>& bodies, std::optional<int> solid,
                               bool reverse, const std::string& path) {
    const std::string shown = ShownName(path);
    const int count = static_cast<int>(bodies.size());
    if (solid) {
        if (*solid < 1 || *solid > count) {
            return FileError(shown, 0, 0,
                             "--solid " + std::to_string(*solid) + ": the file has " +
                                 std::to_string(count) + (count == 1 ? " solid" : " solids"));
        }
        return TubeOfBody(bodies[static_cast<std::size_t>(*solid - 1)], reverse, shown);
    }
    std::vector<int> tubes;
    // Why no body is a tube: said of the first body with pieces of a tube, else the first.
    std::optional<Error> first;
    bool firstHasPieces = false;
    for (int i = 0; i < count; ++i) {
        const CadBody& body = bodies[static_cast<std::size_t>(i)];
        const Result<CadTube> tube = TubeOfBody(body, false, shown);
        const bool hasPieces = body.NotATube.empty() && !body.Pieces.empty();
        if (tube) {
            tubes.push_back(i);
        } else if (!first || (hasPieces && !firstHasPieces)) {
            first = tube.Failure();
            first->Message = "solid " + std::to_string(i + 1) + ": " + first->Message;
            firstHasPieces = hasPieces;
        }
    }
    if (tubes.size() == 1) {
        return TubeOfBody(bodies[static_cast<std::size_t>(tubes[0])], reverse, shown);
    }
    if (tubes.size() > 1) {
        std::string numbers;
        for (const int t : tubes) {
            numbers += (numbers.empty() ? "" : ", ") + std::to_string(t + 1);
        }
        return FileError(shown, 0, 0,
                         "the file holds " + std::to_string(tubes.size()) + " tubes (solids " +
                             numbers + "): choose one with --solid N; ybc --list lists them");
    }
    if (!first) {
        return FileError(shown, 0, 0, "no tube in the file");
    }
    if (count == 1) {
        // One body: what is wrong is the file's.
        return TubeOfBody(bodies.front(), reverse, shown).Failure();
    }
    Error error = *first;
    error.Message = "no solid of the file is a tube; " + error.Message;
    return error;
}

Result<CadTube> ReadStepTube(const std::string& path, std::optional<int> solid, bool reverse) {
    const Result<std::vector<CadBody>> bodies = ReadStepBodies(path);
    if (!bodies) {
        return bodies.Failure();
    }
    return ChooseStepTube(*bodies, solid, reverse, path);
}

std::string StepBodiesList(const std::vector<CadBody>& bodies, const std::string& path) {
    std::string list;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        list += BodyLine(bodies[i], static_cast<int>(i) + 1, path) + '\n';
    }
    return list;
}

std::string StepBodiesJson(const std::vector<CadBody>& bodies, const std::string& path) {
    Json solids = Json::array();
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        const Result<CadTube> tube = TubeOfBody(bodies[i], false, ShownName(path));
        Json solid = {{"solid", i + 1},
                      {"faces", bodies[i].Faces},
                      {"tube", static_cast<bool>(tube)},
                      {"not_a_tube", nullptr},
                      {"diameter", nullptr},
                      {"wall", nullptr},
                      {"bends", nullptr},
                      {"developed_length", nullptr},
                      {"rows", nullptr}};
        if (!tube) {
            solid["not_a_tube"] = tube.Failure().Message;
            solids.push_back(std::move(solid));
            continue;
        }
        const ProgramRows& program = tube->Program;
        Json rows = Json::array();
        for (const BendRowInput& row : program.Rows) {
            rows.push_back({{"Y", JsonNumber(row.Y)},
                            {"B", JsonNumber(row.B)},
                            {"C", JsonNumber(row.C)},
                            {"R", JsonNumber(row.R)}});
        }
        solid["diameter"] = JsonNumber(program.Diameter);
        if (tube->Wall) {
            solid["wall"] = JsonNumber(*tube->Wall);
        }
        solid["bends"] = BendCount(program);
        solid["developed_length"] = JsonNumber(DevelopedLength(ProgramFromRows(program)));
        solid["rows"] = std::move(rows);
        solids.push_back(std::move(solid));
    }
    const Json list = {{"file", ShownName(path)}, {"units", "mm"}, {"solids", std::move(solids)}};
    return list.dump(2) + '\n';
}

namespace {

// The centre line's pieces, from the lead end, for the helper to sweep the section along.
std::vector<TubePiece> PiecesOfProgram(const ProgramRows& rows, std::optional<double> wall) {
    const TubeWalk walk = WalkTube(ProgramFromRows(rows));
    TubePiece base;
    base.TubeRadius = rows.Diameter / 2;
    base.InnerRadius = wall ? rows.Diameter / 2 - *wall : 0;
    std::vector<TubePiece> pieces;
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        const WalkStep& step = walk.Steps[i];
        TubePiece piece = base;
        piece.Face = static_cast<int>(i) + 1;
        if (Length(step.StraightEnd - step.StraightStart) > 0) {
            piece.From = step.StraightStart;
            piece.To = step.StraightEnd;
            pieces.push_back(piece);
        }
        if (const std::optional<WalkBend>& bend = step.Bend) {
            piece.Kind = PieceKind::Arc;
            piece.Centre = bend->Centre;
            piece.Axis = bend->Axis;
            piece.From = bend->Centre + bend->FromCentre * bend->Radius;
            piece.To = bend->End;
            piece.Degrees = bend->Degrees;
            piece.BendRadius = bend->Radius;
            pieces.push_back(piece);
        }
    }
    return pieces;
}

Result<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    if (!file) {
        return Failed("cannot read what the STEP writer wrote");
    }
    return content.str();
}

} // namespace

int WriteStepPart(const ProgramRows& rows, std::optional<double> wall, const std::string& output,
                  const std::string& programName) {
    // check's fold rule and words: a folding solid is no solid.
    if (const std::vector<Finding> folds = CheckFolds(ProgramFromRows(rows)); !folds.empty()) {
        ReportError(programName + ": " + FindingLine(folds.front()) +
                    "; a folding tube makes no "
                    "solid");
        return ExitBadInput;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "tubrix-step-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        ReportError("cannot make a temporary folder for the STEP writer");
        return ExitOutputFailed;
    }
    const std::filesystem::path part = std::filesystem::path(folder) / "part.step";
    const Result<std::string> written = RunHelper(
        StepWriter(), "the STEP writer", {part.string(), ShownName(output)},
        FormatCadBodies({CadBody{0, 0, PiecesOfProgram(rows, wall), {}}}), ShownName(output));
    Result<std::string> content =
        written ? ReadWholeFile(part) : Result<std::string>(written.Failure());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (!content) {
        return Report(content.Failure(), ExitOutputFailed);
    }
    return WriteOutput(output, *content);
}
