// Prints the folder the SDL game takes its data from, for an executable in the given folder:
// the install test runs it against an installed (and moved) prefix.
#include <cstdio>

#include "sdl/start_up.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kokurin_data_folder EXECUTABLE_FOLDER\n");
        return 2;
    }
    std::printf("%s\n", kokurin::sdl::dataFolderFor(argv[1]).c_str());
    return 0;
}
