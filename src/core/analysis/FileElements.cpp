#include "core/analysis/FileElements.h"

#include "core/audio/SampleReader.h"
#include "core/io/ErrorText.h"
#include "core/io/ReadAll.h"
#include "core/riff/FileError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sundrel {

FileElements::FileElements(const std::filesystem::path& path, std::uint64_t dataOffset,
                           std::uint64_t fileSize, const WaveFormat& format)
    : m_path(path), m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), m_nDataOffset(dataOffset),
      m_nFileSize(fileSize), m_format(format) {
    if (!m_fd) {
        throw FileError(io::FileErrorText(path, "cannot open", errno));
    }
}

void FileElements::operator()(std::int64_t firstFrame, std::span<std::int32_t> out) const {
    thread_local std::vector<std::byte> buffer;
    const std::size_t bytesPerElement = m_format.bitsPerSample / 8u;
    buffer.resize(out.size() * bytesPerElement);
    const std::uint64_t at =
        m_nDataOffset + static_cast<std::uint64_t>(firstFrame) * m_format.FrameSize();
    const io::ReadResult read = io::ReadAllAt(m_fd.Get(), buffer, at);
    if (read.error != 0) {
        throw FileError(io::FileErrorText(m_path, "cannot read", read.error));
    }
    if (read.bytes < buffer.size()) {
        struct stat st {};
        const std::uint64_t now = ::fstat(m_fd.Get(), &st) == 0
                                      ? static_cast<std::uint64_t>(st.st_size)
                                      : at + read.bytes;
        throw FileError(MixChangedText(m_path, now, m_nFileSize));
    }
    SampleReader(buffer, m_format).Elements(0, out);
}

} // namespace sundrel
