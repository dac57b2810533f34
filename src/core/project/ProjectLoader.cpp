#include "core/project/ProjectLoader.h"

#include "core/markers/Marker.h"
#include "core/time/TimeCode.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace sundrel {

OpenedProject OpenProject(const std::filesystem::path& path) {
    OpenedProject opened;
    opened.file = ReadProject(path);
    if (opened.file.version == 1) {
        return opened;
    }
    // ReadProject joined a relative path to the project's folder; made absolute now, the mix
    // keeps working when the current folder changes later (the window makes it the mix's
    // folder).
    std::filesystem::path wav = opened.file.wavePath;
    if (!wav.empty()) {
        std::error_code ec;
        std::filesystem::path full = std::filesystem::absolute(wav, ec);
        if (!ec) {
            wav = std::move(full);
        }
    }
    // The same test as opening the file for reading: it must exist and be readable. Never
    // blocking: a FIFO is then refused by CWaveFile as not a regular file.
    const int fd = wav.empty() ? -1 : ::open(wav.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int error = wav.empty() ? ENOENT : errno;
        throw ProjectError(ProjectError::Kind::WaveMissing, kWaveMissingMessage, wav,
                           std::strerror(error));
    }
    ::close(fd);
    try {
        opened.wave = std::make_unique<CWaveFile>(wav);
    } catch (const WaveFileError& e) {
        throw ProjectError(ProjectError::Kind::WaveUnusable, e.what(), wav);
    }
    CheckMarkersWithinMix(
        opened.file, path,
        static_cast<std::int64_t>(opened.wave->m_nDataSize / opened.wave->m_wfx.nBlockAlign),
        opened.wave->m_wfx.nSamplesPerSec);
    ResolvePercentFrames(opened.file.markers, opened.wave->m_nDataSize,
                         opened.wave->m_wfx.nBlockAlign);
    return opened;
}

void CheckMarkersWithinMix(const ProjectFile& project, const std::filesystem::path& path,
                           std::int64_t frames, std::uint32_t rate) {
    if (project.version < 3) {
        return;
    }
    for (std::size_t i = 0; i < project.markers.size(); ++i) {
        const Marker& m = project.markers[i];
        if (!m.percent && m.frame >= frames && m.frame > 0) {
            throw ProjectError(ProjectError::Kind::Malformed,
                               path.string() + ": marker " + std::to_string(i) + " at frame " +
                                   std::to_string(m.frame) + " (" +
                                   FormatDuration(SecondsAtFrame(m.frame, rate)) +
                                   ") lies at or after the end of the mix (" +
                                   FormatDuration(SecondsAtFrame(frames, rate)) + ")",
                               path);
        }
    }
}

} // namespace sundrel
