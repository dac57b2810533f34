#include "core/overview/SummaryJob.h"

#include "core/audio/WaveFile.h"
#include "core/io/ErrorText.h"
#include "core/io/GuardedRead.h"
#include "core/io/OpenRegular.h"
#include "core/io/ReadAll.h"
#include "core/overview/FullScale.h"
#include "core/riff/FileError.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <sys/stat.h>

namespace sundrel::overview {

namespace {

std::int64_t FrameCount(const WaveFormat& format, std::uint64_t dataSize) {
    const std::uint32_t frameSize = format.FrameSize();
    return frameSize == 0 ? 0 : static_cast<std::int64_t>(dataSize / frameSize);
}

// Bytes of the file each worker keeps mapped at a time.
constexpr std::size_t kMapWindow = std::size_t{16} << 20;

// The size of the file now, or `otherwise` when it cannot be told.
std::uint64_t SizeNow(int fd, std::uint64_t otherwise) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : otherwise;
}

} // namespace

SummaryJob::SummaryJob(const CWaveFile& wave, int threads)
    : m_path(wave.m_strPath), m_dataOffset(wave.m_nDataOffset), m_dataSize(wave.m_nDataSize),
      m_nFileSize(wave.m_nFileSize), m_format(wave.GetFormat()), m_nThreads(std::max(1, threads)),
      m_summary(std::make_shared<MixSummary>(m_format, FrameCount(m_format, m_dataSize))) {}

SummaryJob::~SummaryJob() {
    Cancel();
    Wait();
}

void SummaryJob::Start() {
    if (m_started.exchange(true)) {
        return;
    }
    try {
        m_fd = io::OpenRegularFile(m_path);
    } catch (const std::exception& e) {
        Fail(e.what());
        return;
    }
    m_running.store(m_nThreads, std::memory_order_release);
    for (int i = 0; i < m_nThreads; ++i) {
        m_workers.emplace_back([this, stop = m_stop.get_token()] { Work(stop); });
    }
}

double SummaryJob::Progress() const {
    if (Done()) {
        return 1.0;
    }
    const std::int64_t chunks = m_summary->ChunkCount();
    return chunks == 0 ? 1.0
                       : static_cast<double>(m_handled.load(std::memory_order_acquire)) /
                             static_cast<double>(chunks);
}

bool SummaryJob::Done() const {
    return m_started.load(std::memory_order_acquire) &&
           m_running.load(std::memory_order_acquire) == 0;
}

void SummaryJob::Cancel() {
    m_stop.request_stop();
}

void SummaryJob::Wait() {
    for (std::jthread& worker : m_workers) {
        if (worker.joinable()) {
            worker.join();
        }
    }
}

std::optional<std::string> SummaryJob::Error() const {
    const std::lock_guard lock(m_errorMutex);
    return m_error;
}

void SummaryJob::Fail(const std::string& message) {
    {
        const std::lock_guard lock(m_errorMutex);
        if (!m_error) {
            m_error = message;
        }
    }
    m_stop.request_stop();
}

void SummaryJob::Work(std::stop_token stop) {
    static_assert(std::endian::native == std::endian::little,
                  "16-bit audio is read straight into int16 samples");
    MixSummary& summary = *m_summary;
    const std::uint32_t frameSize = m_format.FrameSize();
    // 16-bit PCM is already full scale: it is read straight into the samples.
    const bool direct = !m_format.IsFloat() && m_format.bitsPerSample == 16;
    std::vector<std::byte> bytes;
    std::vector<std::int16_t> samples;
    // 16-bit PCM is scanned straight from a mapping of the file, which spares the copy into
    // a buffer, unless mapping or guarding the reads fails; then it is read like the rest.
    // A fault on a page the file no longer holds ends the guarded scan of that chunk.
    std::optional<io::MappedWindows> windows;
    if (direct && m_dataOffset % alignof(std::int16_t) == 0) {
        windows.emplace(m_fd.Get(), m_dataOffset, m_dataOffset + m_dataSize, kMapWindow);
    }
    try {
        while (!stop.stop_requested()) {
            const std::int64_t chunk = m_nextChunk.fetch_add(1, std::memory_order_relaxed);
            if (chunk >= summary.ChunkCount()) {
                break;
            }
            // The frames just before the chunk come first, for the band filters to settle.
            const std::int64_t lead =
                std::min(summary.LeadInFrames(), chunk * MixSummary::ChunkFrames());
            const auto frames = static_cast<std::size_t>(summary.ChunkFrameCount(chunk) + lead);
            const std::size_t size = frames * frameSize;
            const std::uint64_t offset =
                m_dataOffset +
                static_cast<std::uint64_t>(chunk * MixSummary::ChunkFrames() - lead) * frameSize;
            if (windows) {
                const std::span<const std::byte> view = windows->View(offset, size);
                bool changed = false;
                bool unguarded = view.empty();
                const auto guard = [&](const std::function<void()>& read) {
                    switch (io::GuardedRead(view, read)) {
                    case io::GuardResult::Done:
                        // A cut inside the chunk's last page reads as zeros, without a fault.
                        changed = SizeNow(m_fd.Get(), 0) < offset + size;
                        return !changed;
                    case io::GuardResult::Faulted:
                        changed = true;
                        return false;
                    case io::GuardResult::Unavailable:
                        break;
                    }
                    unguarded = true;
                    return false;
                };
                if (!unguarded && summary.PublishChunk(
                                      chunk,
                                      std::span(reinterpret_cast<const std::int16_t*>(view.data()),
                                                size / sizeof(std::int16_t)),
                                      lead, guard)) {
                    m_handled.fetch_add(1, std::memory_order_acq_rel);
                    continue;
                }
                if (changed) {
                    Fail(MixChangedText(m_path, SizeNow(m_fd.Get(), offset), m_nFileSize));
                    break;
                }
                windows.reset(); // read from here on
            }
            samples.resize(frames * m_format.channels);
            std::span<std::byte> target;
            if (direct) {
                target = std::as_writable_bytes(std::span(samples));
            } else {
                bytes.resize(size);
                target = bytes;
            }
            const io::ReadResult read = io::ReadAllAt(m_fd.Get(), target, offset);
            if (read.error != 0) {
                Fail(io::FileErrorText(m_path, "cannot read", read.error));
                break;
            }
            if (read.bytes < size) {
                Fail(MixChangedText(m_path, SizeNow(m_fd.Get(), offset + read.bytes), m_nFileSize));
                break;
            }
            if (!direct) {
                DecodeFullScale(bytes, m_format, samples);
            }
            summary.PublishChunk(chunk, samples, lead);
            m_handled.fetch_add(1, std::memory_order_acq_rel);
        }
    } catch (const std::exception& e) {
        Fail(m_path.string() + ": cannot summarise the audio: " + e.what());
    }
    m_running.fetch_sub(1, std::memory_order_acq_rel);
}

} // namespace sundrel::overview
