#pragma once

#include "core/io/UniqueFd.h"
#include "core/riff/WaveLayout.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace sundrel {

// The sample elements of a mix file for one pass over all of it: each call reads the frames it
// is asked for with pread into a buffer of the calling thread and decodes them with
// SampleReader. Copying from the page cache is faster than first touching every page of a
// mapping of a long mix. Calls from several threads at once are safe.
class FileElements {
  public:
    // `dataOffset` is the first audio byte, `fileSize` the file's size when it was loaded;
    // throws FileError when the file cannot be opened.
    FileElements(const std::filesystem::path& path, std::uint64_t dataOffset,
                 std::uint64_t fileSize, const WaveFormat& format);

    // The elements of frames from `firstFrame` on into `out` (a whole number of frames).
    // Throws FileError for a failed read, or "<path>: the mix changed on disk (...)" when the
    // file has shrunk below them.
    void operator()(std::int64_t firstFrame, std::span<std::int32_t> out) const;

  private:
    std::filesystem::path m_path;
    io::UniqueFd m_fd;
    std::uint64_t m_nDataOffset;
    std::uint64_t m_nFileSize;
    WaveFormat m_format;
};

} // namespace sundrel
