#include "cli/cli.h"
#include "formats/output_file.h"

#include <iostream>

int main(int argc, char** argv) {
    // Ctrl+C or a kill while a file is written leaves no temporary beside it.
    tesk::formats::InstallInterruptCleanup();
    std::vector<std::string> args(argv + 1, argv + argc);
    return tesk::cli::RunCli(args, std::cout, std::cerr);
}
