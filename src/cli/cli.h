#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tesk::cli {

/// Runs the command-line tool with `args` (without the program name), writing results to `out`
/// and messages to `err`. Returns the exit status: 0 on success, 1 when the data was refused or
/// a command failed, 2 for a usage error.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace tesk::cli
