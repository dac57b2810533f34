#include "cli/Commands.h"
#include "cli/MarkerSources.h"
#include "core/interop/MarkerFiles.h"
#include "core/interop/MarkerImport.h"
#include "core/io/FileIdentity.h"
#include "core/project/ProjectFile.h"

#include <iostream>
#include <memory>
#include <string>

namespace sundrel::cli {

namespace {

struct ExportArgs {
    MarkerSources sources;
    std::string cue;
    std::string labels;
    std::string tracklist;
    std::string project;
};

void WriteOne(const std::string& path, const MarkerSet& set, MarkerFileKind kind) {
    if (path != "-") {
        try {
            WriteMarkerFile(path, set, kind);
        } catch (const MarkerFileError& e) {
            throw Failure{kExitOutput, e.what()};
        }
        return;
    }
    std::string text;
    try {
        text = MarkerText(set, kind);
    } catch (const MarkerFileError& e) {
        throw Failure{kExitOutput, e.what()};
    }
    std::cout << text;
    std::cout.flush();
    if (!std::cout) {
        throw Failure{kExitOutput, "standard output cannot be written"};
    }
}

// Refuses (status 3, before anything is written) an output that would replace the mix, a file
// the markers are read from, or another output of the run, however its path is spelt.
void CheckOutputs(const ExportArgs& args, const std::string& mix) {
    const std::vector<std::pair<std::string, std::string>> inputs{
        {mix, "the mix"},
        {args.sources.project, "the project being read"},
        {args.sources.cue, "the cue sheet being read"},
        {args.sources.labels, "the label file being read"},
        {args.sources.tracklist, "the tracklist being read"}};
    std::vector<std::string> earlier;
    for (const std::string* output : {&args.cue, &args.labels, &args.tracklist, &args.project}) {
        if (output->empty() || *output == "-") {
            continue;
        }
        for (const auto& [input, role] : inputs) {
            if (!input.empty() && io::SameFile(*output, input)) {
                throw Failure{kExitOutput, *output + ": this is " + role +
                                               "; it is never replaced (choose another file)"};
            }
        }
        for (const std::string& other : earlier) {
            if (io::SameDestination(*output, other)) {
                throw Failure{kExitOutput, *output + ": the same file as " + other +
                                               "; give each output its own"};
            }
        }
        earlier.push_back(*output);
    }
}

void RunExport(const ExportArgs& args) {
    if (args.cue.empty() && args.labels.empty() && args.tracklist.empty() && args.project.empty()) {
        throw Failure{kExitUsage,
                      "say what to write: --to-cue, --to-labels, --to-tracklist or --to-project"};
    }
    const CollectedMarkers collected = CollectMarkers(args.sources, "sundrel-cli export");
    CheckOutputs(args, collected.mixPath);
    MixSession& session = *collected.session;
    const MarkerSet set = session.ExportSet();
    for (const auto& [path, kind] : {std::pair{&args.cue, MarkerFileKind::Cue},
                                     {&args.labels, MarkerFileKind::Labels},
                                     {&args.tracklist, MarkerFileKind::Tracklist}}) {
        if (!path->empty()) {
            WriteOne(*path, set, kind);
        }
    }
    if (!args.project.empty()) {
        try {
            session.SaveProject(args.project);
        } catch (const ProjectError& e) {
            throw Failure{kExitOutput, e.what()};
        }
    }
}

} // namespace

void AddExportCommand(CLI::App& app, int& status) {
    auto* cmd = app.add_subcommand(
        "export", "Write a mix's markers as a cue sheet, label file, tracklist or project");
    cmd->footer(
        "The markers come from the same sources as split's (a project, cue sheet, label file\n"
        "or tracklist, --at, --percent, --suggested). A cue sheet keeps the starts to 1/75 s,\n"
        "a label file to the microsecond, a tracklist to the second; a project keeps them\n"
        "exactly. FILE - writes to standard output. Files are replaced whole or not at all;\n"
        "only regular files are written, never the mix or a file the markers come from.\n"
        "Exit status: 0 done, 1 usage, 2 the mix or a marker file cannot be read, 3 a file\n"
        "cannot be written.");
    auto args = std::make_shared<ExportArgs>();
    AddMarkerSourceOptions(*cmd, args->sources);
    cmd->add_option("--to-cue", args->cue, "Write a cue sheet for the mix")->type_name("FILE");
    cmd->add_option("--to-labels", args->labels, "Write an Audacity label file")->type_name("FILE");
    cmd->add_option("--to-tracklist", args->tracklist, "Write tracklist text with times")
        ->type_name("FILE");
    cmd->add_option("--to-project", args->project, "Write a project file")->type_name("FILE.sdr");
    cmd->callback([args, &status] {
        try {
            RunExport(*args);
        } catch (const Failure& f) {
            std::cout.flush();
            std::cerr << "sundrel-cli export: " << f.message << "\n";
            status = f.status;
        }
    });
}

} // namespace sundrel::cli
