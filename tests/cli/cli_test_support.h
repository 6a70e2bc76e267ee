#pragma once

// Running the command-line tool in the tests: arguments in, exit status, stdout and stderr out.

#include "cli/cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace tesk::cli {

struct CliRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline std::string Sample(const std::string& name) {
    return std::string(TESK_SOURCE_DIR) + "/samples/" + name;
}

inline CliRun Cli(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.Status = RunCli(args, out, err);
    run.Out = out.str();
    run.Err = err.str();
    return run;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline const std::vector<std::string> kMainLine = {"--jd", Sample("main_line.jdx"), "--breaks",
                                            Sample("main_line.dl")};

inline std::vector<std::string> With(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

} // namespace tesk::cli
