// CWaveFile::Split and CWaveFile::WriteWavHeader: cutting the loaded mix into track files.

#include "core/audio/WaveFile.h"
#include "core/split/FileCopy.h"
#include "core/split/SplitPlan.h"
#include "core/split/TrackHeader.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <span>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using sundrel::SplitError;
using sundrel::SplitOptions;
using sundrel::SplitTrack;
using sundrel::UniqueFd;

namespace {

constexpr auto kMix = SplitError::Side::Mix;
constexpr auto kTrack = SplitError::Side::Track;

[[noreturn]] void Fail(SplitError::Side side, const std::filesystem::path& path, const char* what,
                       int error) {
    throw SplitError(side, sundrel::FileErrorText(path, what, error));
}

std::atomic<unsigned> g_nTempCounter{0};

// Creates a hidden temporary file beside `final`, named so that it cannot be taken for a
// track; returns its descriptor and sets `temp`.
UniqueFd CreateTemporary(const std::filesystem::path& final, std::filesystem::path& temp) {
    for (int attempt = 0;; ++attempt) {
        temp = final.parent_path() /
               ("." + final.filename().string() + "." + std::to_string(::getpid()) + "." +
                std::to_string(g_nTempCounter++) + ".part");
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            return UniqueFd(fd);
        }
        if (errno != EEXIST || attempt >= 100) {
            Fail(kTrack, final, "cannot create", errno);
        }
    }
}

bool SameFile(const struct stat& a, const std::filesystem::path& path) {
    struct stat b {};
    return ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

std::uint64_t CWaveFile::WriteWavHeader(int fd, std::uint64_t nDataSize,
                                        const std::filesystem::path& name) const {
    const std::vector<std::byte> header = sundrel::MakeTrackHeader(m_wfx, nDataSize);
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

    // A track must never replace the mix it is cut from.
    for (std::size_t k = 1; k <= plan.size(); ++k) {
        const auto path = outDir / sundrel::TrackName(static_cast<int>(k));
        if (SameFile(st, path)) {
            throw SplitError(kTrack,
                             path.string() +
                                 ": this is the mix being split; choose another output folder");
        }
    }

    std::vector<SplitTrack> written;
    std::vector<std::byte> buffer;
    for (std::size_t k = 1; k <= plan.size(); ++k) {
        SplitTrack track;
        track.number = static_cast<int>(k);
        track.path = outDir / sundrel::TrackName(track.number);
        track.span = plan[k - 1];

        std::filesystem::path temp;
        UniqueFd out = CreateTemporary(track.path, temp);
        try {
            const std::uint64_t header = WriteWavHeader(out.Get(), track.span.size, track.path);
            sundrel::CopyRange(src.Get(), m_nDataOffset + track.span.offset, out.Get(), header,
                               track.span.size, m_strPath, track.path, buffer);
            if (options.sync && ::fsync(out.Get()) != 0) {
                Fail(kTrack, track.path, "cannot write", errno);
            }
            if (const int error = out.Close(); error != 0) {
                Fail(kTrack, track.path, "cannot write", error);
            }
            if (::rename(temp.c_str(), track.path.c_str()) != 0) {
                Fail(kTrack, track.path, "cannot create", errno);
            }
        } catch (...) {
            out.Close();
            ::unlink(temp.c_str());
            throw;
        }
        written.push_back(track);
        if (options.onTrackWritten) {
            options.onTrackWritten(track);
        }
    }

    if (options.sync) {
        // Make the new names themselves durable.
        UniqueFd dir(::open(outDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir && ::fsync(dir.Get()) != 0 && errno != EINVAL) {
            Fail(kTrack, outDir, "cannot write", errno);
        }
    }
    return written;
}
