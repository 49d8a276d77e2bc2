// velvo-img: the engine's codecs and filters from the command line, for tests, for
// reproducing fuzz findings and for batch work.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Commands.h"

namespace {
void usage() {
    std::fputs("usage: velvo-img convert IN OUT\n"
               "       velvo-img info FILE\n"
               "       velvo-img filter IN OUT OP...\n",
               stderr);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "convert")
            return runConvert(args);
        if (command == "info")
            return runInfo(args);
        if (command == "filter")
            return runFilter(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velvo-img: %s\n", e.what());
        return 1;
    }
    usage();
    return 2;
}
