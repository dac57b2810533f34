// CWaveFile::Play: streams the mix from a start second, or a range of frames, to an output
// device through a ring of blocks, on the calling (worker) thread.

#include "core/audio/WaveFile.h"
#include "core/io/ErrorText.h"
#include "core/markers/Marker.h"
#include "core/play/BlockRing.h"
#include "core/play/PlayRange.h"
#include "core/play/PlayResult.h"
#include "core/play/StartOffset.h"
#include "core/play/WaveOut.h"
#include "core/riff/FileError.h"
#include "core/time/TimeCode.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>

using sundrel::PlayEnd;
using sundrel::PlayResult;

namespace {

using Label = std::function<void(const std::string&)>;

std::uint64_t FrameSize(const CWaveFile& wave) {
    return wave.m_wfx.nBlockAlign > 0 ? wave.m_wfx.nBlockAlign : 1;
}

// Plays the data bytes start .. end - 1 (`end` on a whole frame) of `wave`; the label counts
// the time read from `startSecond` on. A start at or past the end plays nothing.
PlayResult Stream(const CWaveFile& wave, sundrel::WaveOut& out, const Label& label,
                  std::uint64_t start, std::uint64_t end, float startSecond, std::stop_token stop) {
    sundrel::BlockRing ring(out);
    const sundrel::WaveOutStatus opened = out.Open(wave.m_wfx, [&ring] { ring.OnBlockDone(); });
    if (!opened.Ok()) {
        return {PlayEnd::DeviceError, opened.message};
    }
    // Every path below closes the device before the ring goes away, so no done-callback can
    // reach a ring that no longer exists.
    const auto stopped = [&out] {
        out.Reset();
        out.Close();
        return PlayResult{PlayEnd::Stopped, {}};
    };

    const std::uint64_t frame = FrameSize(wave);
    std::uint64_t pos = start;

    std::ifstream in;
    if (pos < end) {
        in.open(wave.m_strPath, std::ios::binary);
        if (in) {
            in.seekg(static_cast<std::streamoff>(wave.m_nDataOffset + pos));
        }
        if (!in) {
            const std::string reason =
                sundrel::io::FileErrorText(wave.m_strPath, "cannot read", errno);
            out.Close();
            return {PlayEnd::ReadError, reason};
        }
    }

    std::array<std::byte, sundrel::kPlayChunkSize> chunk{};
    const double rate = wave.m_wfx.nAvgBytesPerSec;
    float x = startSecond;
    bool readFailed = false;
    for (;;) {
        std::size_t n = 0;
        if (pos < end) {
            const std::uint64_t want = std::min<std::uint64_t>(chunk.size(), end - pos);
            in.read(reinterpret_cast<char*>(chunk.data()), static_cast<std::streamsize>(want));
            n = static_cast<std::size_t>(in.gcount());
            readFailed = n < want; // the file shrank or the disk failed
            if (readFailed) {
                n -= static_cast<std::size_t>((pos + n - start) % frame); // whole frames only
            }
            pos += n;
        }
        if (!ring.WriteAudio(chunk.data(), n, stop)) {
            return stopped();
        }
        x = static_cast<float>(static_cast<double>(x) + static_cast<double>(n) / rate);
        if (label) {
            label(sundrel::FormatTime(x));
        }
        if (stop.stop_requested()) {
            return stopped();
        }
        if (pos >= end || readFailed) {
            break;
        }
    }

    ring.WriteTail();
    if (!ring.WaitAllFree(stop)) {
        return stopped();
    }
    out.Close();
    if (readFailed) {
        // A file shorter now than when it was loaded has changed on disk; otherwise the read
        // itself failed.
        std::error_code error;
        const std::uintmax_t now = std::filesystem::file_size(wave.m_strPath, error);
        if (!error && now < wave.m_nFileSize) {
            return {PlayEnd::ReadError,
                    sundrel::MixChangedText(wave.m_strPath, now, wave.m_nFileSize)};
        }
        return {PlayEnd::ReadError, wave.m_strPath.string() + ": cannot read past byte " +
                                        std::to_string(wave.m_nDataOffset + pos)};
    }
    return {PlayEnd::Finished, {}};
}

} // namespace

sundrel::PlayResult CWaveFile::Play(sundrel::WaveOut& out, const Label& label, float startSecond,
                                    std::stop_token stop) const {
    // Only whole frames of the data chunk are played; bytes after it (other chunks, a torn
    // last frame) never reach the device.
    const std::uint64_t end = m_nDataSize - m_nDataSize % FrameSize(*this);
    return Stream(*this, out, label, sundrel::PlayStartOffset(m_wfx, startSecond), end, startSecond,
                  stop);
}

sundrel::PlayResult CWaveFile::Play(sundrel::WaveOut& out, const Label& label,
                                    sundrel::PlayRange range, std::stop_token stop) const {
    const std::uint64_t frame = FrameSize(*this);
    const sundrel::PlayRange held = range.Within(static_cast<std::int64_t>(m_nDataSize / frame));
    const auto first = static_cast<std::uint64_t>(held.firstFrame);
    const auto end = static_cast<std::uint64_t>(held.endFrame);
    const double startSecond = sundrel::SecondsAtFrame(held.firstFrame, m_wfx.nSamplesPerSec);
    return Stream(*this, out, label, first * frame, end * frame, static_cast<float>(startSecond),
                  stop);
}
