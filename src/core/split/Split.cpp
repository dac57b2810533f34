// CWaveFile::Split and CWaveFile::WriteWavHeader: cutting the loaded mix into track files.

#include "core/audio/WaveFile.h"
#include "core/encode/WavTags.h"
#include "core/io/AtomicFile.h"
#include "core/io/ErrorText.h"
#include "core/io/FolderLock.h"
#include "core/io/HoldSignals.h"
#include "core/io/PageCache.h"
#include "core/io/StaleTemps.h"
#include "core/io/UnnamedFile.h"
#include "core/split/FileCopy.h"
#include "core/split/FlacTracks.h"
#include "core/split/SplitPlan.h"
#include "core/split/TrackFiles.h"
#include "core/split/TrackHeader.h"
#include "core/split/TrackPlacement.h"
#include "core/split/TrackWorkers.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <span>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using sundrel::SplitCancelled;
using sundrel::SplitError;
using sundrel::SplitOptions;
using sundrel::SplitTrack;
using sundrel::io::UniqueFd;

namespace {

constexpr auto kMix = SplitError::Side::Mix;
constexpr auto kTrack = SplitError::Side::Track;

// The share of the mix that must be in the page cache for tracks to be copied side by side:
// a few pages read from the disk cost a few seeks.
constexpr double kCachedEnough = 0.98;

[[noreturn]] void Fail(SplitError::Side side, const std::filesystem::path& path, const char* what,
                       int error) {
    throw SplitError(side, sundrel::io::FileErrorText(path, what, error));
}

// Creates a track's file without a name where the file system allows (else under a hidden
// temporary name, see io::CreateTempBeside), so that a split that is killed leaves nothing.
sundrel::io::TempFile CreateTemporary(const std::filesystem::path& final) {
    try {
        return sundrel::io::CreateUnnamedBeside(final);
    } catch (const sundrel::io::IoError& e) {
        throw SplitError(kTrack, e.what());
    }
}

// Tracks written as unnamed files or under temporary names; whatever has not taken its
// track's name when this goes out of scope is removed.
struct PendingTrack {
    SplitTrack track;
    sundrel::io::TempFile file;
};
struct PendingTracks {
    std::vector<PendingTrack> tracks;
    PendingTracks() = default;
    PendingTracks(const PendingTracks&) = delete;
    PendingTracks& operator=(const PendingTracks&) = delete;
    ~PendingTracks() {
        for (PendingTrack& p : tracks) {
            p.file.fd.Close();
            if (!p.file.path.empty()) {
                ::unlink(p.file.path.c_str());
            }
        }
    }
};

bool SameFile(const struct stat& a, const std::filesystem::path& path) {
    struct stat b {};
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Writes one WAV track into `fd`: the header, the track's audio copied from the mix (`src`),
// and with `tags` the tag chunks after it. The data chunk keeps its exact size; an odd one
// gets its pad byte before the tags, so that each chunk starts on an even offset.
void WriteWavTrack(const CWaveFile& wave, int src, int fd, const SplitTrack& track,
                   const sundrel::TrackTags* tags, std::stop_token stop) {
    std::vector<std::byte> trailer;
    if (tags != nullptr) {
        trailer = sundrel::WavTagChunks(*tags);
        if (!trailer.empty() && track.span.size % 2 != 0) {
            trailer.insert(trailer.begin(), std::byte{0});
        }
    }
    const std::uint64_t header =
        wave.WriteWavHeader(fd, track.span.size, track.path, trailer.size());
    std::vector<std::byte> buffer; // one for each track: tracks may be written side by side
    sundrel::CopyRange(src, wave.m_nDataOffset + track.span.offset, fd, header, track.span.size,
                       wave.m_strPath, track.path, wave.m_nFileSize, buffer, std::move(stop));
    if (!trailer.empty()) {
        sundrel::WriteAllAt(fd, trailer, header + track.span.size, track.path);
    }
}

} // namespace

std::uint64_t CWaveFile::WriteWavHeader(int fd, std::uint64_t nDataSize,
                                        const std::filesystem::path& name,
                                        std::uint64_t nTrailerSize) const {
    const std::vector<std::byte> header = sundrel::MakeTrackHeader(m_wfx, nDataSize, nTrailerSize);
    sundrel::WriteAllAt(fd, header, 0, name);
    return header.size();
}

void CWaveFile::Split(const float* percents, int n, const std::filesystem::path& outDir) {
    Split(percents, n, outDir, SplitOptions{});
}

std::vector<SplitTrack> CWaveFile::Split(const float* percents, int n,
                                         const std::filesystem::path& outDir,
                                         const SplitOptions& options) {
    if (percents == nullptr || n < 2) {
        throw std::invalid_argument("Split needs at least two percentages (0 and 100)");
    }
    const auto plan = sundrel::PlanTracks(std::span<const float>(percents, std::size_t(n)),
                                          m_nDataSize, m_wfx.nBlockAlign);
    return WriteTracks(plan, outDir, options);
}

std::vector<SplitTrack> CWaveFile::Split(std::span<const sundrel::Marker> markers,
                                         const std::filesystem::path& outDir) {
    return Split(markers, outDir, SplitOptions{});
}

std::vector<SplitTrack> CWaveFile::Split(std::span<const sundrel::Marker> markers,
                                         const std::filesystem::path& outDir,
                                         const SplitOptions& options) {
    return WriteTracks(sundrel::PlanTracksAtFrames(markers, m_nDataSize, m_wfx.nBlockAlign), outDir,
                       options);
}

std::vector<SplitTrack> CWaveFile::WriteTracks(std::span<const sundrel::TrackSpan> plan,
                                               const std::filesystem::path& outDir,
                                               const SplitOptions& options) {
    const std::vector<std::string> names = sundrel::SplitTrackNames(plan.size(), options);
    UniqueFd src(::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!src) {
        Fail(kMix, m_strPath, "cannot open", errno);
    }
    struct stat st {};
    if (::fstat(src.Get(), &st) != 0) {
        Fail(kMix, m_strPath, "cannot read", errno);
    }
    const std::uint64_t dataEnd = m_nDataOffset + m_nDataSize;
    if (static_cast<std::uint64_t>(st.st_size) < dataEnd) {
        throw SplitError(kMix, m_strPath.string() + ": the file is " + std::to_string(st.st_size) +
                                   " bytes long, but its audio data ran to byte " +
                                   std::to_string(dataEnd) + " when it was loaded");
    }
    ::posix_fadvise(src.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const bool flac = options.format == sundrel::TrackFormat::Flac;
    if (const std::string refusal = flac ? sundrel::FlacRefusal(GetFormat()) : std::string();
        !refusal.empty()) {
        throw SplitError(kTrack, m_strPath.string() + ": " + refusal);
    }

    // One split at a time into a folder: another would replace tracks of this one.
    bool opened = false;
    const UniqueFd lock =
        sundrel::io::LockFolder(outDir, options.waitForFolder, options.onWaitForFolder, opened);
    if (opened && !lock) {
        throw SplitError(kTrack, "another split into " + outDir.string() + " is running");
    }

    // A track must never replace the mix it is cut from, nor a folder.
    std::vector<sundrel::Placement> placements;
    for (std::size_t k = 1; k <= plan.size(); ++k) {
        const auto path = outDir / names[k - 1];
        if (SameFile(st, path)) {
            throw SplitError(kTrack,
                             path.string() +
                                 ": this is the mix being split; choose another output folder");
        }
        placements.push_back({{}, path});
    }
    sundrel::CheckTargets(placements);
    sundrel::io::RemoveStaleTemps(outDir);

    // Every track is written as an unnamed file (or under a temporary name) first. Only when all
    // are complete (and, with `sync`, on disk) do they take their names: a failure leaves no
    // track of this run.
    std::optional<sundrel::io::HoldSignals> hold; // released after `pending` cleans up
    PendingTracks pending;
    std::vector<std::uint64_t> sizes;
    for (std::size_t k = 1; k <= plan.size(); ++k) {
        PendingTrack& p = pending.tracks.emplace_back();
        p.track.number = static_cast<int>(k);
        p.track.path = outDir / names[k - 1];
        p.track.span = plan[k - 1];
        p.file = CreateTemporary(p.track.path);
        sizes.push_back(p.track.span.size);
    }
    if (flac) {
        std::vector<sundrel::FlacTrackJob> jobs;
        for (const PendingTrack& p : pending.tracks) {
            const auto i = static_cast<std::size_t>(p.track.number - 1);
            jobs.push_back({p.track.span, p.file.fd.Get(), p.track.path,
                            i < options.tags.size() ? options.tags[i] : sundrel::TrackTags{}});
        }
        sundrel::EncodeFlacTracks({src.Get(), m_strPath, m_nFileSize, m_nDataOffset, GetFormat()},
                                  jobs, options.onProgress, options.workers, sundrel::kFlacLevel,
                                  options.stop);
    } else {
        // Tracks are copied side by side when the mix is in the page cache (as after loading
        // or analysing it), so each core copies at memory speed. From the disk, one copy at a
        // time: two readers at two places of one file make a spinning disk seek between them.
        unsigned workers = options.workers;
        if (workers == 0 &&
            sundrel::io::CachedShare(src.Get(), m_nDataOffset, m_nDataSize) < kCachedEnough) {
            workers = 1;
        }
        sundrel::RunTrackJobs(
            sizes,
            [&](std::size_t i, std::stop_token) {
                const PendingTrack& p = pending.tracks[i];
                const int fd = p.file.fd.Get();
                WriteWavTrack(*this, src.Get(), fd, p.track,
                              options.tags.empty() ? nullptr : &options.tags[i], options.stop);
                // With `sync`, start writing this track out while the next one is copied, so
                // the disk works meanwhile (a hint only: the fsync below is what reports a
                // failure). Without it the kernel writes the pages back in its own time, as
                // after any copy: a hint here would make the copy wait for the disk.
                if (options.sync) {
                    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
                }
                return true;
            },
            options.onProgress, workers);
    }
    const auto checkCancelled = [&options] {
        if (options.stop.stop_requested()) {
            throw SplitCancelled();
        }
    };
    checkCancelled();
    if (options.sync) {
        // Let all the audio reach the disk first, so that the fsyncs below commit the
        // metadata of every track at once instead of one track at a time.
        for (PendingTrack& p : pending.tracks) {
            ::sync_file_range(p.file.fd.Get(), 0, 0,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
        }
    }
    for (PendingTrack& p : pending.tracks) {
        if (options.sync && ::fsync(p.file.fd.Get()) != 0) {
            Fail(kTrack, p.track.path, "cannot write", errno);
        }
    }
    checkCancelled(); // the flush may have taken long: the last chance to leave no track
    // From the first temporary name to the last track in place, an interrupt waits: it would
    // leave named temporaries, or a set of tracks half new and half old.
    hold.emplace();
    for (PendingTrack& p : pending.tracks) {
        try {
            sundrel::io::LinkBeside(p.file, p.track.path);
        } catch (const sundrel::io::IoError& e) {
            throw SplitError(kTrack, e.what());
        }
        if (const int error = p.file.fd.Close(); error != 0) {
            Fail(kTrack, p.track.path, "cannot write", error);
        }
    }
    // All tracks take their names or none does; the files they replace are removed only
    // once every track is in place.
    for (std::size_t i = 0; i < placements.size(); ++i) {
        placements[i].temp = pending.tracks[i].file.path;
    }
    sundrel::PlaceAll(placements);
    std::vector<SplitTrack> written;
    for (PendingTrack& p : pending.tracks) {
        p.file.path.clear();
        written.push_back(p.track);
    }
    hold.reset();
    for (const SplitTrack& track : written) {
        if (options.onTrackWritten) {
            options.onTrackWritten(track);
        }
    }

    if (options.sync) {
        // Make the new names themselves durable.
        if (const int error = sundrel::io::SyncFolder(outDir); error != 0) {
            Fail(kTrack, outDir, "cannot write", error);
        }
    }
    return written;
}
