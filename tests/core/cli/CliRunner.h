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

} // namespace clitest
