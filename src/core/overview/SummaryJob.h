#pragma once

#include "core/io/UniqueFd.h"
#include "core/overview/MixSummary.h"
#include "core/riff/WaveLayout.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

class CWaveFile;

namespace sundrel::overview {

// Computes the MixSummary of a mix on worker threads. Workers take chunks in order from a
// shared counter, so the start of the mix is summarised first. 16-bit PCM is scanned straight
// from windows of the file mapped by each worker, every scan guarded (io::GuardedRead) so that
// a file that shrinks meanwhile ends that scan rather than the program; other formats, and
// files that cannot be mapped, are read with pread into the worker's own buffer. A chunk the
// file no longer holds whole stays unready; the job then stops and Error() says why.
class SummaryJob {
  public:
    // Copies what it needs (path, audio range, format); `wave` need not outlive the job.
    explicit SummaryJob(const CWaveFile& wave, int threads = 2);
    // Cancels and joins the workers; they stop after the chunk they are on.
    ~SummaryJob();
    SummaryJob(const SummaryJob&) = delete;
    SummaryJob& operator=(const SummaryJob&) = delete;

    // Opens the file and starts the workers; a second call does nothing.
    void Start();
    // The summary being filled; available (empty) from construction on.
    std::shared_ptr<const MixSummary> Summary() const { return m_summary; }
    // Chunks summarised over all chunks, 0..1; 1 once Done().
    double Progress() const;
    // Every worker has ended: the summary is complete, or the job was cancelled or failed.
    bool Done() const;
    // Asks the workers to stop; returns at once.
    void Cancel();
    // Waits for the workers to end.
    void Wait();
    // The first failure ("<path>: <what>: <reason>"), if any.
    std::optional<std::string> Error() const;

  private:
    void Work(std::stop_token stop);
    void Fail(const std::string& message);

    std::filesystem::path m_path;
    std::uint64_t m_dataOffset;
    std::uint64_t m_dataSize;
    std::uint64_t m_nFileSize; // the file's size when it was loaded
    WaveFormat m_format;
    int m_nThreads;
    std::shared_ptr<MixSummary> m_summary;

    io::UniqueFd m_fd; // open while workers may run (the workers are joined first)
    std::stop_source m_stop;
    std::atomic<std::int64_t> m_nextChunk{0};
    std::atomic<std::int64_t> m_handled{0};
    std::atomic<int> m_running{0};
    std::atomic<bool> m_started{false};
    mutable std::mutex m_errorMutex;
    std::optional<std::string> m_error;
    std::vector<std::jthread> m_workers;
};

} // namespace sundrel::overview
