#include "core/cli/CliRunner.h"

#include "support/WavFixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

namespace clitest {

namespace {
std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

// Runs a shell command, capturing its output and exit status. A command that hangs fails its
// test (status 124) instead of stopping the whole run.
Result RunCommand(const std::string& command, int timeoutSeconds) {
    const fixture::TempDir dir;
    const std::string line = "timeout -k 5 " + std::to_string(timeoutSeconds) + " " + command +
                             " >" + Quote((dir / "out").string()) + " 2>" +
                             Quote((dir / "err").string());
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, fixture::ReadText(dir / "out"),
            fixture::ReadText(dir / "err")};
}

// The shell's words for running sundrel-cli with `args`.
std::string CliCommand(const std::vector<std::string>& args) {
    std::string command = Quote(SUNDREL_CLI_PATH);
    for (const auto& a : args) {
        command += " " + Quote(a);
    }
    return command;
}
} // namespace

MixFolder::MixFolder(int seconds, const std::string& name) : mix(dir / name) {
    const fixture::Format f{1, 1, 8000, 8};
    bytes = fixture::CanonicalWav(f, fixture::TestSignal(f, std::size_t{8000} * seconds));
    fixture::WriteFile(mix, bytes);
}

Result RunCli(const std::vector<std::string>& args, int timeoutSeconds) {
    return RunCommand(CliCommand(args), timeoutSeconds);
}

Result RunCliRedirected(const std::vector<std::string>& args, const std::string& redirect) {
    const fixture::TempDir dir;
    const std::string line = "timeout -k 5 300 " + CliCommand(args) + " " + redirect + " 2>" +
                             Quote((dir / "err").string());
    const int raw = std::system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", fixture::ReadText(dir / "err")};
}

Result RunCliOnTerminal(const std::vector<std::string>& args) {
    // -e: script exits with the command's status.
    return RunCommand("script -qec " + Quote(CliCommand(args)) + " /dev/null", 300);
}

Result RunCliWithStdout(const std::vector<std::string>& args, int stdoutFd) {
    const fixture::TempDir dir;
    const std::string errPath = (dir / "err").string();
    std::vector<std::string> argv{SUNDREL_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (std::string& a : argv) {
        cargv.push_back(a.data());
    }
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, SUNDREL_CLI_PATH, &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return {};
    }
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", fixture::ReadText(dir / "err")};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace clitest
