#include "cli/Commands.h"
#include "core/Version.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
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
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e); // prints the reason and the usage line
        return sundrel::cli::kExitUsage;
    }
    return status;
}
