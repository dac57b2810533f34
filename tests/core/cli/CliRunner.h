#pragma once

#include "support/WavFixture.h"

#include <filesystem>
#include <string>
#include <vector>

namespace clitest {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

// A temporary folder holding `seconds` of the 8-bit mono 8 kHz test signal as `name` (8,000
// bytes a second): the mix most command-line tests run on.
struct MixFolder {
    explicit MixFolder(int seconds = 25, const std::string& name = "mix.wav");
    fixture::TempDir dir;
    std::filesystem::path mix;
    fixture::Bytes bytes; // the whole file
};

// Runs the built sundrel-cli with the given arguments, capturing its output and exit status.
// A command still running after `timeoutSeconds` is killed and reported with status 124, so
// that a hang fails its test instead of stopping the run.
Result RunCli(const std::vector<std::string>& args, int timeoutSeconds = 300);

// Runs sundrel-cli with `stdoutFd` as its standard output; `out` is left empty. `status` is
// -1 when the program did not exit normally (a signal ended it).
Result RunCliWithStdout(const std::vector<std::string>& args, int stdoutFd);

// Runs sundrel-cli with its standard output redirected as the shell's `redirect` says
// (">/dev/full", ">&-"); `out` is left empty.
Result RunCliRedirected(const std::vector<std::string>& args, const std::string& redirect);

// Runs sundrel-cli on a terminal (a pseudo-terminal, through script(1)); `out` holds all it
// wrote there, standard output and error together, and `err` is empty.
Result RunCliOnTerminal(const std::vector<std::string>& args);

// The lines of `text`, without their line ends.
std::vector<std::string> Lines(const std::string& text);

} // namespace clitest
