#pragma once

#include <QString>

// Where tubrix-cli is, which the window runs as a child process for what it leaves to the
// command line (the setup sheet, STEP parts): beside the window program, else on the PATH;
// empty when neither has it.
QString TubrixCliLocation();
