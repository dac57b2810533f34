// CWaveFile::Split and CWaveFile::WriteWavHeader: cutting the loaded mix into track files.

#include "core/audio/WaveFile.h"
#include "core/encode/WavTags.h"
#include "core/io/AtomicFile.h"
#include "core/io/ErrorText.h"
#include "core/io/FileIdentity.h"
#include "core/io/FolderLock.h"
#include "core/io/HoldSignals.h"
#include "core/io/PageCache.h"
#include "core/io/StaleTemps.h"
#include "core/io/UnnamedFile.h"
#include "core/split/FileCopy.h"
#include "core/split/FlacTracks.h"
#include "core/split/SplitPlan.h"
#include "core/split/SplitRecord.h"
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
// A temporary name is removed only while it holds the track's own file: after a placement
// that could not be undone it may hold an old track, which the journal then restores.
struct PendingTrack {
    SplitTrack track;
    sundrel::io::TempFile file;
    sundrel::io::FileId id;
};
struct PendingTracks {
    std::vector<PendingTrack> tracks;
    PendingTracks() = default;
    PendingTracks(const PendingTracks&) = delete;
    PendingTracks& operator=(const PendingTracks&) = delete;
    ~PendingTracks() {
        for (PendingTrack& p : tracks) {
            p.file.fd.Close();
            struct stat st {};
            if (!p.file.path.empty() && ::lstat(p.file.path.c_str(), &st) == 0 &&
                sundrel::io::FileId{st.st_dev, st.st_ino} == p.id) {
                ::unlink(p.file.path.c_str());
            }
        }
    }
};

// While it exists, a failed split puts back what its journal lists (see RecoverPlacements).
struct JournalGuard {
    std::filesystem::path journal;
    bool armed = false;
    JournalGuard() = default;
    JournalGuard(const JournalGuard&) = delete;
    JournalGuard& operator=(const JournalGuard&) = delete;
    ~JournalGuard() {
        if (armed) {
            sundrel::RecoverPlacements(journal);
        }
    }
};

// A name beside `target` for a temporary that nothing holds yet (see TempNameBeside).
std::filesystem::path FreeTempName(const std::filesystem::path& target) {
    for (;;) {
        std::filesystem::path name = sundrel::io::TempNameBeside(target);
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0) {
            return name; // free, or a folder that cannot be read: creating it says why
        }
    }
}

// Finds the leftovers of earlier splits, removes them with `clean`, and records this split's
// tracks with whatever is left, so that a later split can tell them from other files.
void RecordTracks(const std::filesystem::path& outDir, std::span<const std::string> names,
                  const std::vector<std::filesystem::path>& keep, const SplitOptions& options) {
    const std::vector<sundrel::RecordedTrack> previous = sundrel::ReadSplitRecord(outDir);
    std::vector<sundrel::RecordedTrack> record;
    for (const std::string& name : names) {
        if (auto fp = sundrel::Fingerprint(outDir, name)) {
            record.push_back(std::move(*fp));
        }
    }
    sundrel::LeftoverTracks leftovers;
    for (const sundrel::RecordedTrack& t : sundrel::Leftovers(outDir, previous, names, keep)) {
        const std::filesystem::path path = outDir / t.name;
        if (options.clean && (sundrel::PlacementFault(sundrel::PlacementStep::Remove) == 0 &&
                              ::unlink(path.c_str()) == 0)) {
            leftovers.removed.push_back(path);
            continue;
        }
        if (options.clean && leftovers.error.empty()) {
            leftovers.error = sundrel::io::FileErrorText(path, "cannot remove", errno);
        }
        leftovers.remaining.push_back(path);
        record.push_back(t);
    }
    // Without the record a later split cannot vouch for these tracks: it then leaves them be,
    // which is safe, so a failure here is not the split's.
    sundrel::WriteSplitRecord(outDir, record);
    if (options.onLeftovers && (!leftovers.removed.empty() || !leftovers.remaining.empty())) {
        options.onLeftovers(leftovers);
    }
}

// Writes one WAV track into `fd`: the header, the track's audio copied from the mix (`src`),
// and with `tags` the tag chunks after it. The data chunk keeps its exact size; an odd one
// is followed by the pad byte RIFF requires (counted in the RIFF size, not the data size), so
// that the file ends, and each chunk starts, on an even offset.
void WriteWavTrack(const CWaveFile& wave, int src, int fd, const SplitTrack& track,
                   const sundrel::TrackTags* tags, std::stop_token stop) {
    std::vector<std::byte> trailer;
    if (tags != nullptr) {
        trailer = sundrel::WavTagChunks(*tags);
    }
    if (track.span.size % 2 != 0) {
        trailer.insert(trailer.begin(), std::byte{0});
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

    // What an earlier split that was killed while its tracks took their names left is put
    // right first: the old set back, or the new one finished.
    const std::filesystem::path journal = sundrel::PlacementJournal(outDir);
    if (!sundrel::RecoverPlacements(journal)) {
        throw SplitError(kTrack, journal.string() +
                                     ": an earlier split into this folder was interrupted and its "
                                     "files cannot be put back; move them away by hand");
    }

    // A track must never replace the mix it is cut from, a file the markers come from, nor a
    // folder.
    std::vector<std::filesystem::path> keep = options.keep;
    keep.insert(keep.begin(), m_strPath);
    std::vector<sundrel::Placement> placements;
    for (std::size_t k = 1; k <= plan.size(); ++k) {
        const auto path = outDir / names[k - 1];
        for (std::size_t i = 0; i < keep.size(); ++i) {
            if (sundrel::io::SameFile(keep[i], path)) {
                throw SplitError(kTrack,
                                 path.string() +
                                     (i == 0 ? ": this is the mix being split"
                                             : ": this is a file the markers are read from") +
                                     "; choose another output folder or name");
            }
        }
        placements.push_back({{}, path, {}, {}});
    }
    sundrel::CheckTargets(placements);
    sundrel::io::RemoveStaleTemps(outDir);

    // Every track is written as an unnamed file (or under a temporary name) first. Only when all
    // are complete (and, with `sync`, on disk) do they take their names: a failure leaves no
    // track of this run.
    std::optional<sundrel::io::HoldSignals> hold; // released after `pending` cleans up
    PendingTracks pending;
    JournalGuard guard; // undoes before `pending` cleans up
    std::vector<std::uint64_t> sizes;
    for (std::size_t k = 1; k <= plan.size(); ++k) {
        PendingTrack& p = pending.tracks.emplace_back();
        p.track.number = static_cast<int>(k);
        p.track.path = outDir / names[k - 1];
        p.track.span = plan[k - 1];
        p.file = CreateTemporary(p.track.path);
        struct stat tst {};
        if (::fstat(p.file.fd.Get(), &tst) != 0) {
            Fail(kTrack, p.track.path, "cannot create", errno);
        }
        p.id = {tst.st_dev, tst.st_ino};
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
    // The journal names every temporary by its identity before any of them has a name, so
    // that whatever a split killed from now on leaves is told from other files and put right
    // by the next one. (A split killed before leaves only unnamed files, which the file system
    // drops; where it has none, named temporaries that the next split sweeps away.)
    for (std::size_t i = 0; i < placements.size(); ++i) {
        PendingTrack& p = pending.tracks[i];
        placements[i].temp = p.file.path.empty() ? FreeTempName(p.track.path) : p.file.path;
        placements[i].aside = FreeTempName(p.track.path);
        placements[i].file = p.id;
    }
    sundrel::WritePlacementJournal(journal, placements, options.sync);
    guard.journal = journal;
    guard.armed = true;
    for (std::size_t i = 0; i < placements.size(); ++i) {
        PendingTrack& p = pending.tracks[i];
        try {
            if (const int error = sundrel::PlacementFault(sundrel::PlacementStep::Link);
                error != 0) {
                throw sundrel::io::IoError(p.track.path, "cannot create", error);
            }
            sundrel::io::LinkAs(p.file, placements[i].temp, p.track.path);
        } catch (const sundrel::io::IoError& e) {
            throw SplitError(kTrack, e.what());
        }
        if (const int error = p.file.fd.Close(); error != 0) {
            Fail(kTrack, p.track.path, "cannot write", error);
        }
    }
    // All tracks take their names or none does; the files they replace are removed only
    // once every track is in place.
    sundrel::PlaceAll(placements, journal, options.sync);
    guard.armed = false;
    std::vector<SplitTrack> written;
    for (PendingTrack& p : pending.tracks) {
        p.file.path.clear();
        written.push_back(p.track);
    }
    RecordTracks(outDir, names, keep, options);
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
