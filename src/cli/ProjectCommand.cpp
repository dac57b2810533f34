#include "cli/Commands.h"
#include "core/audio/WaveFile.h"
#include "core/markers/Marker.h"
#include "core/markers/MarkerMath.h"
#include "core/project/ProjectFile.h"
#include "core/time/TimeCode.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

namespace sundrel::cli {

namespace {

// The shortest text that reads back as the same float.
std::string FloatText(float value) {
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, result.ptr);
}

void PrintProject(const ProjectFile& project, std::ostream& out) {
    out << "version:   " << project.version << "\n";
    std::unique_ptr<CWaveFile> wave;
    if (project.version == 1) {
        out << "wave file: (none: version 1 files do not name one)\n";
    } else {
        out << "wave file: " << project.wavePath;
        try {
            wave = std::make_unique<CWaveFile>(project.wavePath);
        } catch (const WaveFileError& e) {
            out << "  (cannot be used: " << e.what() << ")";
        }
        out << "\n";
    }
    if (!project.mix.title.empty()) {
        out << "title:     \"" << project.mix.title << "\"\n";
    }
    if (!project.mix.artist.empty()) {
        out << "artist:    \"" << project.mix.artist << "\"\n";
    }
    out << "markers:   " << project.markers.size() << "\n";
    for (std::size_t i = 0; i < project.markers.size(); ++i) {
        const Marker& m = project.markers[i];
        out << "  " << i << "  ";
        if (project.version < 3) {
            // Percentages alone, as these versions store them.
            out << FloatText(*m.percent) << " %";
            if (wave) {
                CTimeCode time;
                time.SetSeconds(PositionOfMarker(*m.percent, wave->GetDuration()));
                out << "  " << time.Format();
            }
        } else {
            out << "frame " << m.frame;
            if (wave) {
                out << "  " << FormatFrameTime(m.frame, wave->m_wfx.nSamplesPerSec);
            }
            if (m.percent) {
                out << "  " << FloatText(*m.percent) << " %";
            }
            if (!m.title.empty()) {
                out << "  title \"" << m.title << "\"";
            }
            if (!m.artist.empty()) {
                out << "  artist \"" << m.artist << "\"";
            }
            if (m.number != 0) {
                out << "  track " << m.number;
            }
            if (!m.sourceFile.empty()) {
                out << "  file \"" << m.sourceFile << "\"";
            }
        }
        out << "\n";
    }
    if (project.match) {
        const MatchResult& match = *project.match;
        out << "match:     " << match.layout.plays.size() << " plays of " << match.files.size()
            << " files, " << match.layout.unknown.size() << " unknown stretches\n";
        for (const FilePlay& p : match.layout.plays) {
            char line[160];
            std::snprintf(line, sizeof line, "  %.3f  %.3f  %.3f  %.4f  %.2f  ", p.play.start,
                          p.play.end, p.play.offset, p.play.ratio, p.play.confidence);
            out << line << match.files[p.file].string() << "\n";
        }
    }
    for (const std::string& note : project.notes) {
        out << "note:      " << note << "\n";
    }
}

} // namespace

void AddProjectCommand(CLI::App& app, int& status) {
    auto* cmd =
        app.add_subcommand("project", "Show the version, WAV path and markers of a project");
    auto file = std::make_shared<std::string>();
    cmd->add_option("FILE", *file, "Project file (.sdr)")->required()->type_name("FILE.sdr");
    cmd->callback([file, &status] {
        try {
            PrintProject(ReadProject(*file), std::cout);
        } catch (const ProjectError& e) {
            std::cerr << "sundrel-cli project: " << e.what() << "\n";
            status = kExitInput;
        }
    });
}

} // namespace sundrel::cli
