// tubrix-step: Open CASCADE's side of tubrix-cli. tubrix-cli runs it as a child process with a
// time limit, so the CAD kernel is loaded only when a STEP file is read or written, and a file
// that crashes or hangs the kernel costs the child, not the command.
//
//   tubrix-step read FILE SHOWN   the file's bodies as tube pieces on standard output
//   tubrix-step write FILE        the tube whose pieces come on standard input, as a solid
//
// Errors go to standard error as one line; the exit status is 0, or 2 for bad input, or 1 for a
// file that could not be written.
#include "stepread.h"
#include "stepwrite.h"

#include <BRepCheck_Analyzer.hxx>

#include <iostream>
#include <iterator>
#include <string>

using namespace tubrix;

namespace {

// More than any tube's pieces: what comes on standard input is tubrix-cli's, but is still bounded.
constexpr std::size_t MaxPiecesText = 16 << 20;

int Fail(const Error& error, int status) {
    std::cerr << error.ToString() << '\n';
    return status;
}

int Read(const std::string& path, const std::string& shown) {
    const Result<std::vector<CadBody>> bodies = ReadStepBodies(path, shown);
    if (!bodies) {
        return Fail(bodies.Failure(), 2);
    }
    std::cout << FormatCadBodies(*bodies);
    return std::cout.flush() ? 0 : 1;
}

int Write(const std::string& path) {
    std::string text;
    char buffer[65536];
    while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
        if (text.size() > MaxPiecesText) {
            return Fail(Failed("the tube's pieces are too long a text"), 2);
        }
    }
    const Result<std::vector<CadBody>> bodies = ParseCadBodies(text, "standard input");
    if (!bodies) {
        return Fail(bodies.Failure(), 2);
    }
    if (bodies->size() != 1 || (*bodies)[0].Pieces.empty()) {
        return Fail(Failed("one tube was expected on standard input"), 2);
    }
    const Result<TopoDS_Shape> solid = BuildTubeSolid((*bodies)[0].Pieces);
    if (!solid) {
        return Fail(solid.Failure(), 2);
    }
    if (!BRepCheck_Analyzer(*solid).IsValid()) {
        return Fail(Failed("Open CASCADE finds the tube's solid invalid"), 2);
    }
    const Result<void> written = WriteStepFile(*solid, path);
    return written ? 0 : Fail(written.Failure(), 1);
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "read" && argc == 4) {
        return Read(argv[2], argv[3]);
    }
    if (mode == "write" && argc == 3) {
        return Write(argv[2]);
    }
    std::cerr << "usage: tubrix-step read FILE SHOWN | tubrix-step write FILE\n"
                 "(run by tubrix-cli, which reads and writes STEP files through it)\n";
    return 2;
}
