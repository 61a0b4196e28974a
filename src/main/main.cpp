#include "startup.h"

int main(int argc, char** argv) {
    TubrixApplication application(argc, argv);
    return RunTubrix(application);
}
