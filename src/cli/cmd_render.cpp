// tubrix-cli render: the viewer's picture of a program, without a display.
#include "clipicture.h"
#include "commands.h"
#include "tubepicture.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <new>

using namespace tubrix;

namespace {

struct RenderOptions {
    ProgramInput Program;
    std::string Output;
    std::string Size = "787x423";
    std::string Turn = "0,0";
    bool Fit = false;
};

// "X,Y": the turns about the view's x and y axes in degrees, each a finite decimal number.
Result<std::pair<double, double>> ReadTurn(const std::string& text) {
    const auto number = [](std::string_view part, double& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return error == std::errc() && end == part.data() + part.size() && !part.empty() &&
               std::isfinite(value);
    };
    const std::size_t at = text.find(',');
    double x = 0, y = 0;
    if (at == std::string::npos || !number(std::string_view(text).substr(0, at), x) ||
        !number(std::string_view(text).substr(at + 1), y)) {
        return Failed("--turn must be X,Y in degrees, not \"" + text + "\"");
    }
    return std::pair{x, y};
}

int RunRender(const RenderOptions& options) {
    const Result<std::pair<int, int>> size = ReadPictureSize(options.Size);
    if (!size) {
        return Report(size.Failure());
    }
    const Result<std::pair<double, double>> turn = ReadTurn(options.Turn);
    if (!turn) {
        return Report(turn.Failure());
    }
    const Result<ProgramRows> rows = LoadProgram(options.Program);
    if (!rows) {
        return Report(rows.Failure());
    }
    if (rows->Rows.size() < 2) {
        ReportWarning(options.Program.Path +
                      ": a program of one row draws nothing, as in the viewer; "
                      "the picture is the empty background");
    }
    const TubePicture picture =
        RenderTubePicture(ProgramFromRows(*rows),
                          {size->first, size->second, turn->first, turn->second, options.Fit});
    if (picture.Image.isNull()) {
        ReportError(picture.OutOfMemory ? picture.Error
                                        : "no OpenGL to draw with: " + picture.Error);
        return ExitOutputFailed;
    }
    const Result<std::string> png = EncodePng(picture.Image);
    if (!png) {
        return Report(png.Failure(), ExitOutputFailed);
    }
    return WriteOutput(options.Output, *png);
}

} // namespace

void AddRenderCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* render = app.add_subcommand(
        "render",
        "The viewer's picture of the tube at its home view, as a PNG, without a display.");
    AddProgramInput(*render, options->Program);
    render->add_option("-o,--output", options->Output, "PNG file to write")->required();
    render->add_option("--size", options->Size, "Picture size in pixels, WIDTHxHEIGHT")
        ->capture_default_str();
    render
        ->add_option("--turn", options->Turn,
                     "Turn the view by Y degrees about its y axis, then X about its x axis")
        ->capture_default_str();
    render->add_flag("--fit", options->Fit,
                     "Frame the part: its box centred, filling 90 % of the width or height");
    render->callback([options, &status] {
        try {
            status = RunRender(*options);
        } catch (const std::bad_alloc&) {
            // The PNG of a large picture needs memory of its own, after the picture's.
            std::string size = options->Size;
            size.replace(size.find('x'), 1, "\u00d7"); // checked to hold one before drawing
            ReportError("not enough memory for a " + size + " picture");
            status = ExitOutputFailed;
        }
    });
}
