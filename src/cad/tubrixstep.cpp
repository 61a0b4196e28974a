// tubrix-step: Open CASCADE's reading side of tubrix-cli. tubrix-cli runs it as a child process
// with a time limit, so the CAD kernel is loaded only when a STEP file is read, and a file that
// crashes or hangs the kernel costs the child, not the command. Writing is tubrix-step-write's,
// which loads the modelling libraries reading has no need of.
//
//   tubrix-step read FILE SHOWN   the file's bodies as tube pieces on standard output
//
// Errors go to standard error as one line; the exit status is 0, or 2 for bad input, or 3
// (HelperOutOfMemory) when its memory ran out.
#include "occtmessages.h"
#include "stepread.h"

#include <iostream>
#include <string>

using namespace tubrix;

namespace {

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

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "read" && argc == 4) {
        const std::string path = argv[2], shown = argv[3];
        return RunGuarded(shown, [&] { return Read(path, shown); });
    }
    std::cerr << "usage: tubrix-step read FILE SHOWN\n"
                 "(run by tubrix-cli, which reads STEP files through it)\n";
    return 2;
}
