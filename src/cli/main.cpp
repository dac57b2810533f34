#include "cli/Commands.h"
#include "core/Version.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

// A standard stream the caller closed is held by /dev/null opened read-only: a file the
// program opens later can then never take its number (the list of tracks would be written into
// a track), and every write to it fails, which the program reports.
void HoldClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            [[maybe_unused]] const int held = ::open("/dev/null", O_RDONLY); // the lowest free
        }
    }
}

// Every command's output ends here: what could not be written (a full device, a closed
// stream) turns a success into status 3.
int CheckOutput(int status) {
    std::cout.flush();
    if (!std::cout && status != sundrel::cli::kExitOutput) {
        std::cerr << "sundrel-cli: standard output cannot be written\n";
        return sundrel::cli::kExitOutput;
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    HoldClosedStandardStreams();
    // A track that reaches the file-size limit is reported as a failed write, not a crash.
    std::signal(SIGXFSZ, SIG_IGN);
    // A reader that closes the pipe makes writes to standard output fail (EPIPE), which the
    // commands report, instead of killing the program in the middle of its work.
    std::signal(SIGPIPE, SIG_IGN);
    CLI::App app{"sundrel-cli: inspect and split DJ mixes held in WAV files"};
    app.set_version_flag("--version", sundrel::kVersionLine);
    app.require_subcommand(1);
    int status = sundrel::cli::kExitOk;
    sundrel::cli::AddInfoCommand(app, status);
    sundrel::cli::AddSplitCommand(app, status);
    sundrel::cli::AddProjectCommand(app, status);
    sundrel::cli::AddSuggestCommand(app, status);
    sundrel::cli::AddExportCommand(app, status);
    sundrel::cli::AddMatchCommand(app, status);
    sundrel::cli::AddAnalyseCommand(app, status);
    // A first word that names no command is said to be that, not "a subcommand is required".
    if (argc > 1 && argv[1][0] != '-' &&
        app.get_subcommands([&](CLI::App* sub) { return sub->check_name(argv[1]); }).empty()) {
        std::cerr
            << "sundrel-cli: " << argv[1]
            << ": not a command (commands: info, split, project, suggest, export, match, analyse; "
               "--help lists them)\n";
        return sundrel::cli::kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return CheckOutput(app.exit(e));
    } catch (const CLI::CallForAllHelp& e) {
        return CheckOutput(app.exit(e));
    } catch (const CLI::CallForVersion& e) {
        return CheckOutput(app.exit(e));
    } catch (const CLI::ParseError& e) {
        app.exit(e); // prints the reason and the usage line
        return sundrel::cli::kExitUsage;
    }
    return CheckOutput(status);
}
