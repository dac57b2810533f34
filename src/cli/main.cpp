#include "cli/Commands.h"

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"sundrel-cli: inspect and split DJ mixes held in WAV files"};
    app.require_subcommand(1);
    int status = sundrel::cli::kExitOk;
    sundrel::cli::AddInfoCommand(app, status);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e); // prints the reason and the usage line
        return sundrel::cli::kExitUsage;
    }
    return status;
}
