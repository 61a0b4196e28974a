// tubrix-step-write: Open CASCADE's writing side of tubrix-cli, a child process like tubrix-step.
//
//   tubrix-step-write FILE SHOWN   the tube whose pieces come on standard input, as an exact
//                                  solid; errors name the output as SHOWN
//
// Errors go to standard error as one line; the exit status is 0, or 2 for a tube that makes no
// valid solid, or 1 for a file that could not be written, or 3 (HelperOutOfMemory) when its
// memory ran out.
#include "occtmessages.h"
#include "stepwrite.h"

#include <BRepCheck_Analyzer.hxx>

#include <iostream>
#include <string>

using namespace tubrix;

namespace {

// More than any tube's pieces: what comes on standard input is tubrix-cli's, but is still bounded.
constexpr std::size_t MaxPiecesText = 16 << 20;

// Every error names the file the operator asked for, as tubrix-cli passes it on.
int Fail(const std::string& shown, const Error& error, int status) {
    std::cerr << shown << ": " << error.Message << '\n';
    return status;
}

int Write(const std::string& path, const std::string& shown) {
    std::string text;
    char buffer[65536];
    while (std::cin.read(buffer, sizeof buffer) || std::cin.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(std::cin.gcount()));
        if (text.size() > MaxPiecesText) {
            return Fail(shown, Failed("the tube's pieces are too long a text"), 2);
        }
    }
    const Result<std::vector<CadBody>> bodies = ParseCadBodies(text, "standard input");
    if (!bodies) {
        return Fail(shown, bodies.Failure(), 2);
    }
    if (bodies->size() != 1 || (*bodies)[0].Pieces.empty()) {
        return Fail(shown, Failed("one tube was expected on standard input"), 2);
    }
    const Result<TopoDS_Shape> solid = BuildTubeSolid((*bodies)[0].Pieces);
    if (!solid) {
        return Fail(shown, solid.Failure(), 2);
    }
    if (!BRepCheck_Analyzer(*solid).IsValid()) {
        return Fail(shown, Failed("Open CASCADE finds the tube's solid invalid"), 2);
    }
    const Result<void> written = WriteStepFile(*solid, path);
    return written ? 0 : Fail(shown, written.Failure(), 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3) {
        const std::string path = argv[1], shown = argv[2];
        return RunGuarded(shown, [&] { return Write(path, shown); });
    }
    std::cerr << "usage: tubrix-step-write FILE SHOWN\n"
                 "(run by tubrix-cli, which writes STEP files through it)\n";
    return 2;
}
