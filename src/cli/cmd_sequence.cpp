// tubrix-cli sequence: the bending played through on the machine, bend by bend, with where the
// part meets the stock or the floor; and, with -o, a picture of every state.
#include "clijson.h"
#include "clipicture.h"
#include "commands.h"
#include "partcheck.h"
#include "sequencepicture.h"
#include "springback.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace tubrix;

namespace {

struct SequenceOptions {
    ProgramInput Program;
    std::string Machine;
    bool AsJson = false;
    std::string Directory;
    std::string Size = "787x423";
};

// Fixed decimals, rounded to the thousandth the outputs are read to: a coordinate that is 0 up
// to rounding noise is written 0.
double Rounded(double value) {
    const double rounded = std::round(value * 1e9) / 1e9;
    return std::isfinite(rounded) ? rounded + 0.0 : value;
}

Json StateJson(const MachineState& state) {
    const Vec3 lead{Rounded(state.LeadEnd.X), Rounded(state.LeadEnd.Y), Rounded(state.LeadEnd.Z)};
    return {{"lead_end", JsonPoint(lead)}, {"lowest_z", JsonNumber(Rounded(state.LowestZ))}};
}

// Every picture and sequence.json into the directory, made if missing; each file whole or not
// at all. Returns the exit status.
int WritePictures(const std::string& directory, std::pair<int, int> size,
                  const BendProgram& program, const BendSequence& sequence,
                  const std::string& json) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        ReportError(directory + ": " + error.message());
        return ExitOutputFailed;
    }
    const SequenceView view = FitSequenceView(sequence, size.first, size.second);
    SequenceRows rows(program);
    for (int step = 0; step < sequence.StateCount(); ++step) {
        const TubePicture picture =
            RenderSequencePicture(rows, sequence, view, step, size.first, size.second);
        if (picture.Image.isNull()) {
            ReportError("no OpenGL to draw with: " + picture.Error);
            return ExitOutputFailed;
        }
        const Result<std::string> png = EncodePng(picture.Image);
        if (!png) {
            return Report(png.Failure(), ExitOutputFailed);
        }
        char name[32];
        std::snprintf(name, sizeof name, "step-%02d.png", step);
        if (WriteOutput((std::filesystem::path(directory) / name).string(), *png) != ExitSuccess) {
            return ExitOutputFailed;
        }
    }
    return WriteOutput((std::filesystem::path(directory) / "sequence.json").string(), json);
}

int RunSequence(const SequenceOptions& options) {
    const Result<std::pair<int, int>> size = ReadPictureSize(options.Size);
    if (!size) {
        return Report(size.Failure());
    }
    const Result<PartInput> part = LoadPart(options.Program, options.Machine);
    if (!part) {
        return Report(part.Failure());
    }
    const auto& program = part->Program;
    const PartCheck check = CheckProgram(*program, part->Machine());
    const BendSequence& sequence = check.Sequence;
    if (!std::isfinite(sequence.DevelopedLength) || !std::isfinite(sequence.CutLength) ||
        !sequence.StatesFinite()) {
        ReportError(options.Program.Path +
                    ": the numbers overflow on the machine; nothing to play");
        return ExitBadInput;
    }
    ReportNote(part->UnitsNote);
    const std::string json = SequenceJson(sequence, part->Assumed);
    int status = WriteOutput("-", options.AsJson ? json : SequenceText(sequence, part->Machine()));
    if (status == ExitSuccess && !options.Directory.empty()) {
        status = WritePictures(options.Directory, *size, *program, sequence, json);
    }
    if (status == ExitSuccess && sequence.FirstContact) {
        return ExitFindings;
    }
    return status;
}

} // namespace

std::string SequenceJson(const BendSequence& sequence, const std::optional<UnitsAssumed>& assumed) {
    Json bends = Json::array();
    for (std::size_t i = 0; i < sequence.Bends.size(); ++i) {
        const SequenceBend& bend = sequence.Bends[i];
        Json contacts = Json::array();
        for (const SequenceContact& contact : bend.Contacts) {
            contacts.push_back({{"with", ContactKindName(contact.With)},
                                {"phase", ContactPhaseName(contact.Phase)},
                                {"distance", JsonNumber(Rounded(contact.Distance))}});
        }
        bends.push_back({{"bend", i + 1},
                         {"row", bend.Row + 1},
                         {"feed", JsonNumber(bend.Feed)},
                         {"rotate", JsonNumber(bend.Rotate)},
                         {"angle", JsonNumber(bend.Angle)},
                         {"before", StateJson(bend.Before)},
                         {"after", StateJson(bend.After)},
                         {"contacts", std::move(contacts)}});
    }
    const Json out = {
        {"units_assumed", UnitsAssumedJson(assumed)},
        {"cut_length", JsonNumber(sequence.CutLength)},
        {"bends", std::move(bends)},
        {"first_contact", sequence.FirstContact ? Json(*sequence.FirstContact) : Json(nullptr)}};
    return out.dump(2) + '\n';
}

std::string SequenceText(const BendSequence& sequence, const MachineProfile* machine) {
    std::ostringstream out;
    // With a machine, the angle to bend to is the machine's, springback included; the part's
    // stands beside it.
    out << "Cut length  " << Fixed(sequence.CutLength, 0) << "\n\n"
        << "Bend  Row        Feed      Rotate"
        << (machine ? "     Bend to  Part angle" : "       Angle")
        << "    Lead end after bend (x, y, z)          Contacts\n";
    for (std::size_t i = 0; i < sequence.Bends.size(); ++i) {
        const SequenceBend& bend = sequence.Bends[i];
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%4zu %4d", i + 1, bend.Row + 1);
        const Vec3 lead = bend.After.LeadEnd;
        out << numbers << Fixed(bend.Feed, 12) << Fixed(bend.Rotate, 12);
        if (machine) {
            out << Fixed(MachineAngle(*machine, bend.Angle, {bend.Radius, sequence.Diameter}), 12);
        }
        out << Fixed(bend.Angle, 12) << Fixed(lead.X, 12) << Fixed(lead.Y, 12) << Fixed(lead.Z, 12);
        const char* separator = "    ";
        for (const SequenceContact& contact : bend.Contacts) {
            out << separator << ContactKindName(contact.With) << ' '
                << ContactPhaseName(contact.Phase) << ' ' << Fixed(contact.Distance, 0);
            separator = ", ";
        }
        out << '\n';
    }
    if (sequence.FirstContact) {
        out << "\nFirst contact at bend " << *sequence.FirstContact << '\n';
    } else {
        out << "\nNo contact with the stock or the floor\n";
    }
    return out.str();
}

void AddSequenceCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<SequenceOptions>();
    CLI::App* sequence = app.add_subcommand(
        "sequence", "The bending on the machine, bend by bend: feed, plane turn, angle, where the "
                    "lead end goes, and where the part meets the stock or the floor.");
    AddProgramInput(*sequence, options->Program);
    AddMachineOption(*sequence, options->Machine);
    sequence->add_flag("--json", options->AsJson, "Print JSON instead of a table");
    sequence->add_option("-o,--output", options->Directory,
                         "Directory for a picture of every state (step-00.png ...) and "
                         "sequence.json; made if missing");
    sequence->add_option("--size", options->Size, "Picture size in pixels, WIDTHxHEIGHT")
        ->capture_default_str();
    sequence->callback([options, &status] { status = RunSequence(*options); });
}
