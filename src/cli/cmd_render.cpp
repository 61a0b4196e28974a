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

// A whole decimal number filling `text`, or nothing.
template <typename Number> std::optional<Number> Whole(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Two numbers around one separator, "787x423" or "30,-45".
template <typename Number>
std::optional<std::pair<Number, Number>> Pair(const std::string& text, char separator) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const auto first = Whole<Number>(std::string_view(text).substr(0, at));
    const auto second = Whole<Number>(std::string_view(text).substr(at + 1));
    if (!first || !second) {
        return std::nullopt;
    }
    return std::pair{*first, *second};
}

int RunRender(const RenderOptions& options) {
    const Result<std::pair<int, int>> size = ReadPictureSize(options.Size);
    if (!size) {
        return Report(size.Failure());
    }
    const auto turn = Pair<double>(options.Turn, ',');
    if (!turn || !std::isfinite(turn->first) || !std::isfinite(turn->second)) {
        ReportError("--turn must be X,Y in degrees, not \"" + options.Turn + "\"");
        return ExitBadInput;
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
