#include "core/audio/WaveFile.h"

#include "core/io/ErrorText.h"
#include "core/io/OpenRegular.h"
#include "core/riff/ChunkSource.h"
#include "core/riff/FileError.h"

namespace sundrel {

WaveFormatEx MakeWaveFormatEx(const WaveFormat& format) {
    WaveFormatEx wfx;
    wfx.wFormatTag = format.formatTag;
    wfx.nChannels = format.channels;
    wfx.nSamplesPerSec = format.sampleRate;
    wfx.wBitsPerSample = format.bitsPerSample;
    wfx.nBlockAlign = static_cast<std::uint16_t>(format.FrameSize());
    wfx.nAvgBytesPerSec = static_cast<std::uint32_t>(format.ByteRate());
    wfx.cbSize = 0;
    return wfx;
}

} // namespace sundrel

CWaveFile::CWaveFile(const std::filesystem::path& path) : m_strPath(path) {
    sundrel::WaveLayout layout;
    try {
        // Headers are read with pread, not through a mapping: a file that shrinks during the
        // walk gives an error rather than a fault.
        const sundrel::io::UniqueFd fd = sundrel::io::OpenRegularFile(path);
        sundrel::FileChunkSource source(fd.Get(), path);
        layout = sundrel::ReadWaveLayout(source);
        m_nFileSize = source.Size();
    } catch (const sundrel::io::IoError& e) {
        throw sundrel::WaveFileError(e.what());
    } catch (const sundrel::io::NotRegularFileError& e) {
        throw sundrel::WaveFileError(e.what());
    } catch (const sundrel::FileError& e) {
        throw sundrel::WaveFileError(e.what());
    } catch (const sundrel::WaveFormatError& e) {
        throw sundrel::WaveFileError(path.string() + ": " + e.what());
    }
    if (layout.format.ByteRate() > 0xFFFFFFFFull) {
        throw sundrel::WaveFileError(path.string() +
                                     ": unsupported format: byte rate beyond 32 bits");
    }
    m_wfx = sundrel::MakeWaveFormatEx(layout.format);
    m_nDataOffset = layout.dataOffset;
    m_nDataSize = layout.dataSize;
    m_container = layout.container;
    m_bExtensible = layout.format.extensible;
    m_bDataTruncated = layout.dataTruncated;
    m_bDataSizeRecovered = layout.dataSizeRecovered;
    m_bDataSizeUncertain = layout.dataSizeUncertain;
}

double CWaveFile::GetDuration() const {
    return static_cast<double>(m_nDataSize) / static_cast<double>(m_wfx.nAvgBytesPerSec);
}

sundrel::WaveFormat CWaveFile::GetFormat() const {
    sundrel::WaveFormat format;
    format.formatTag = m_wfx.wFormatTag;
    format.channels = m_wfx.nChannels;
    format.sampleRate = m_wfx.nSamplesPerSec;
    format.bitsPerSample = m_wfx.wBitsPerSample;
    format.extensible = m_bExtensible;
    return format;
}
