#pragma once

#include <string>
#include <vector>

namespace clitest {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built sundrel-cli with the given arguments, capturing its output and exit status.
Result RunCli(const std::vector<std::string>& args);

// Runs sundrel-cli with `stdoutFd` as its standard output; `out` is left empty. `status` is
// -1 when the program did not exit normally (a signal ended it).
Result RunCliWithStdout(const std::vector<std::string>& args, int stdoutFd);

} // namespace clitest
