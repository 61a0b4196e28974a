// tubrix-cli info: the numbers of the bent tube, from the same walk the picture follows.
#include "clijson.h"
#include "commands.h"
#include "tubewalk.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

using namespace tubrix;

namespace {

struct InfoOptions {
    ProgramInput Program;
    bool AsJson = false;
};

std::string PointText(Vec3 p) {
    return Fixed(p.X, 12) + Fixed(p.Y, 12) + Fixed(p.Z, 12);
}

int RunInfo(const InfoOptions& options) {
    const Result<ProgramRows> rows = LoadProgram(options.Program);
    if (!rows) {
        return Report(rows.Failure());
    }
    const BendProgram program = ProgramFromRows(*rows);
    const TubeWalk walk = WalkTube(program);
    return WriteOutput("-", options.AsJson ? InfoJson(program, walk, rows->Wall)
                                           : InfoText(program, walk, rows->Wall));
}

} // namespace

std::string InfoJson(const BendProgram& program, const TubeWalk& walk, std::optional<double> wall) {
    Json steps = Json::array();
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        const WalkStep& step = walk.Steps[i];
        const BendStep& row = program.Steps[i];
        Json entry = {{"Y", JsonNumber(row.Y)},
                      {"B", JsonNumber(row.B)},
                      {"C", JsonNumber(row.C)},
                      {"R", JsonNumber(row.R)},
                      {"straight_start", JsonPoint(step.StraightStart)},
                      {"straight_end", JsonPoint(step.StraightEnd)},
                      {"bend_centre", nullptr},
                      {"bend_end", nullptr},
                      {"intersection", nullptr},
                      {"arc_length", nullptr}};
        if (step.Bend) {
            entry["bend_centre"] = JsonPoint(step.Bend->Centre);
            entry["bend_end"] = JsonPoint(step.Bend->End);
            entry["arc_length"] = JsonNumber(step.Bend->ArcLength);
            if (step.Bend->Intersection) {
                entry["intersection"] = JsonPoint(*step.Bend->Intersection);
            }
        }
        steps.push_back(std::move(entry));
    }
    const Json info = {
        {"diameter", JsonNumber(program.TubeDiameter)},
        {"wall", wall ? JsonNumber(*wall) : Json(nullptr)},
        {"developed_length", JsonNumber(walk.DevelopedLength)},
        {"start", JsonPoint(walk.Start)},
        {"end", JsonPoint(walk.End)},
        {"bounding_box", {{"min", JsonPoint(walk.BoxMin)}, {"max", JsonPoint(walk.BoxMax)}}},
        {"steps", std::move(steps)}};
    return info.dump(2) + '\n';
}

std::string InfoText(const BendProgram& program, const TubeWalk& walk, std::optional<double> wall) {
    std::ostringstream out;
    out << "Diameter          " << Fixed(program.TubeDiameter, 0) << '\n';
    if (wall) {
        out << "Wall              " << Fixed(*wall, 0) << '\n';
    }
    out << "Developed length  " << Fixed(walk.DevelopedLength, 0) << '\n'
        << "Start             " << PointText(walk.Start) << '\n'
        << "End               " << PointText(walk.End) << '\n'
        << "Box min           " << PointText(walk.BoxMin) << '\n'
        << "Box max           " << PointText(walk.BoxMax) << "\n\n";
    const auto column = [](const char* title) {
        return std::string(12 - std::strlen(title), ' ') + title;
    };
    out << "Row" << column("Y") << column("B") << column("C") << column("R") << column("Arc length")
        << "  Point         " << column("X") << column("Y") << column("Z") << '\n';
    const std::string blank(3 + 5 * 12, ' ');
    for (std::size_t i = 0; i < walk.Steps.size(); ++i) {
        const WalkStep& step = walk.Steps[i];
        const BendStep& row = program.Steps[i];
        char number[24];
        std::snprintf(number, sizeof number, "%3zu", i + 1);
        const std::string arc = step.Bend ? Fixed(step.Bend->ArcLength, 12) : std::string(12, ' ');
        const std::string lead = number + Fixed(row.Y, 12) + Fixed(row.B, 12) + Fixed(row.C, 12) +
                                 Fixed(row.R, 12) + arc;
        out << lead << "  straight start" << PointText(step.StraightStart) << '\n';
        out << blank << "  straight end  " << PointText(step.StraightEnd) << '\n';
        if (step.Bend) {
            out << blank << "  bend centre   " << PointText(step.Bend->Centre) << '\n';
            out << blank << "  bend end      " << PointText(step.Bend->End) << '\n';
            if (step.Bend->Intersection) {
                out << blank << "  intersection  " << PointText(*step.Bend->Intersection) << '\n';
            }
        }
    }
    return out.str();
}

void AddInfoCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand(
        "info", "The developed length, each row's tangent, bend and intersection points, the "
                "tube's ends and its bounding box.");
    AddProgramInput(*info, options->Program);
    info->add_flag("--json", options->AsJson, "Print JSON instead of a table");
    info->callback([options, &status] { status = RunInfo(*options); });
}
