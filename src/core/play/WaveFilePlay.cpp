// CWaveFile::Play: streams the mix from a start second to an output device through a ring
// of blocks, on the calling (worker) thread.

#include "core/audio/WaveFile.h"
#include "core/io/ErrorText.h"
#include "core/play/BlockRing.h"
#include "core/play/StartOffset.h"
#include "core/play/WaveOut.h"
#include "core/time/TimeCode.h"

#include <array>
#include <cerrno>
#include <fstream>

using sundrel::PlayEnd;
using sundrel::PlayResult;

sundrel::PlayResult CWaveFile::Play(sundrel::WaveOut& out,
                                    const std::function<void(const std::string&)>& label,
                                    float startSecond, std::stop_token stop) const {
    sundrel::BlockRing ring(out);
    const sundrel::WaveOutStatus opened = out.Open(m_wfx, [&ring] { ring.OnBlockDone(); });
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

    // Only whole frames of the data chunk are played; bytes after it (other chunks, a torn
    // last frame) never reach the device.
    const std::uint64_t frame = m_wfx.nBlockAlign > 0 ? m_wfx.nBlockAlign : 1;
    const std::uint64_t end = m_nDataSize - m_nDataSize % frame;
    const std::uint64_t start = sundrel::PlayStartOffset(m_wfx, startSecond);
    std::uint64_t pos = start;

    std::ifstream in;
    if (pos < end) {
        in.open(m_strPath, std::ios::binary);
        if (in) {
            in.seekg(static_cast<std::streamoff>(m_nDataOffset + pos));
        }
        if (!in) {
            const std::string reason = sundrel::io::FileErrorText(m_strPath, "cannot read", errno);
            out.Close();
            return {PlayEnd::ReadError, reason};
        }
    }

    std::array<std::byte, sundrel::kPlayChunkSize> chunk{};
    const double rate = m_wfx.nAvgBytesPerSec;
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
        return {PlayEnd::ReadError, m_strPath.string() + ": cannot read past byte " +
                                        std::to_string(m_nDataOffset + pos)};
    }
    return {PlayEnd::Finished, {}};
}
