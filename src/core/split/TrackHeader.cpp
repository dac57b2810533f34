#include "core/split/TrackHeader.h"

#include <utility>

namespace sundrel {

namespace {

class HeaderWriter {
  public:
    void Id(const char* id) {
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<std::byte>(id[i]));
        }
    }
    void U16(std::uint16_t v) {
        m_bytes.push_back(static_cast<std::byte>(v & 0xFF));
        m_bytes.push_back(static_cast<std::byte>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v & 0xFFFF));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Format(const WaveFormatEx& wfx) {
        Id("fmt ");
        U32(16);
        U16(wfx.wFormatTag);
        U16(wfx.nChannels);
        U32(wfx.nSamplesPerSec);
        U32(wfx.nAvgBytesPerSec);
        U16(wfx.nBlockAlign);
        U16(wfx.wBitsPerSample);
    }
    std::vector<std::byte> Take() { return std::move(m_bytes); }

  private:
    std::vector<std::byte> m_bytes;
};

constexpr std::uint32_t kSizeInDs64 = 0xFFFFFFFFu;

} // namespace

bool NeedsRf64(std::uint64_t dataSize, std::uint64_t trailerSize) {
    return trailerSize > 0xFFFFFFFFull - 36 || dataSize > 0xFFFFFFFFull - 36 - trailerSize;
}

std::vector<std::byte> MakeTrackHeader(const WaveFormatEx& wfx, std::uint64_t dataSize,
                                       std::uint64_t trailerSize) {
    HeaderWriter w;
    if (!NeedsRf64(dataSize, trailerSize)) {
        const auto size = static_cast<std::uint32_t>(dataSize);
        w.Id("RIFF");
        w.U32(static_cast<std::uint32_t>(dataSize + trailerSize + 36));
        w.Id("WAVE");
        w.Format(wfx);
        w.Id("data");
        w.U32(size);
        return w.Take();
    }
    w.Id("RF64");
    w.U32(kSizeInDs64);
    w.Id("WAVE");
    w.Id("ds64");
    w.U32(28);
    // RIFF size: the whole file less "RF64" and itself.
    w.U64(dataSize + trailerSize + kRf64HeaderSize - 8);
    w.U64(dataSize);
    w.U64(wfx.nBlockAlign != 0 ? dataSize / wfx.nBlockAlign : 0); // frames
    w.U32(0);                                                     // no table entries
    w.Format(wfx);
    w.Id("data");
    w.U32(kSizeInDs64);
    return w.Take();
}

} // namespace sundrel
