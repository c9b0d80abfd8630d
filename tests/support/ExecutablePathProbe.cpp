// A small program for the platform tests: prints the path that
// PlatformExecutablePath gives, one line each time. With --replace it then
// removes its own file and prints it again, and puts a new file of that name
// in place, as a rebuild does, and prints it a third time.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "PexPlatform.h"

int main(int argc, char** argv) {
    const std::string Path = PlatformExecutablePath();
    std::printf("%s\n", Path.c_str());
    if (argc < 2 || std::strcmp(argv[1], "--replace") != 0) return 0;
    if (unlink(Path.c_str()) != 0) return 2;
    std::printf("%s\n", PlatformExecutablePath().c_str());
    std::ofstream(Path) << "a newer build";
    std::printf("%s\n", PlatformExecutablePath().c_str());
    return 0;
}
