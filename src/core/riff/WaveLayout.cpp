#include "core/riff/WaveLayout.h"

#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace sundrel {

namespace {

constexpr std::uint64_t kChunkHeader = 8;
constexpr std::uint32_t kSizeUnknown = 0xFFFFFFFFu;

std::uint16_t Le16(std::span<const std::byte> b, std::uint64_t at) {
    return static_cast<std::uint16_t>(std::to_integer<unsigned>(b[at]) |
                                      (std::to_integer<unsigned>(b[at + 1]) << 8));
}

std::uint32_t Le32(std::span<const std::byte> b, std::uint64_t at) {
    return std::uint32_t{Le16(b, at)} | (std::uint32_t{Le16(b, at + 2)} << 16);
}

std::uint64_t Le64(std::span<const std::byte> b, std::uint64_t at) {
    return std::uint64_t{Le32(b, at)} | (std::uint64_t{Le32(b, at + 4)} << 32);
}

bool IdIs(std::span<const std::byte> b, std::uint64_t at, const char (&id)[5]) {
    return std::memcmp(b.data() + at, id, 4) == 0;
}

// The tail shared by every sub-format GUID of WAVE_FORMAT_EXTENSIBLE.
constexpr std::array<unsigned char, 14> kGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::string TagName(std::uint16_t tag) {
    switch (tag) {
    case 0x0002:
        return "MS ADPCM";
    case 0x0006:
        return "A-law";
    case 0x0007:
        return "mu-law";
    case 0x0011:
        return "IMA ADPCM";
    case 0x0050:
        return "MPEG";
    case 0x0055:
        return "MPEG layer 3";
    default: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "format tag 0x%04X", static_cast<unsigned>(tag));
        return buf;
    }
    }
}

// `b` holds the first min(size, 40) bytes of the fmt chunk's body.
WaveFormat ParseFormat(std::span<const std::byte> b, std::uint64_t size) {
    constexpr std::uint64_t body = 0;
    if (size < 16) {
        throw WaveFormatError("unsupported format: fmt chunk of " + std::to_string(size) +
                              " bytes is too short");
    }
    WaveFormat f;
    const std::uint16_t tag = Le16(b, body);
    f.channels = Le16(b, body + 2);
    f.sampleRate = Le32(b, body + 4);
    f.bitsPerSample = Le16(b, body + 14);
    f.formatTag = tag;
    if (tag == kFormatExtensible) {
        if (size < 40) {
            throw WaveFormatError("unsupported format: extensible fmt chunk is too short");
        }
        const std::uint16_t sub = Le16(b, body + 24);
        if (std::memcmp(b.data() + body + 26, kGuidTail.data(), kGuidTail.size()) != 0) {
            throw WaveFormatError("unsupported format: unknown extensible sub-format");
        }
        f.formatTag = sub;
        f.extensible = true;
    }
    if (f.formatTag != kFormatPcm && f.formatTag != kFormatFloat) {
        throw WaveFormatError("unsupported format: " + TagName(f.formatTag) +
                              " (only PCM and 32-bit float WAV files can be used)");
    }
    if (f.channels == 0) {
        throw WaveFormatError("unsupported format: 0 channels");
    }
    if (f.channels > 2) {
        throw WaveFormatError("unsupported format: " + std::to_string(f.channels) +
                              " channels (only mono and stereo)");
    }
    if (f.sampleRate < kMinSampleRate || f.sampleRate > kMaxSampleRate) {
        throw WaveFormatError("unsupported format: sample rate " + std::to_string(f.sampleRate) +
                              " Hz (supported: " + std::to_string(kMinSampleRate) + "\u2013" +
                              std::to_string(kMaxSampleRate) + ")");
    }
    if (f.formatTag == kFormatPcm) {
        const auto bits = f.bitsPerSample;
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
            throw WaveFormatError("unsupported format: " + std::to_string(bits) + "-bit PCM");
        }
    } else if (f.bitsPerSample != 32) {
        throw WaveFormatError("unsupported format: " + std::to_string(f.bitsPerSample) +
                              "-bit float (only 32-bit)");
    }
    return f;
}

// The ids of chunks that follow the audio in WAV files written by recorders and editors.
constexpr const char* kTrailingIds[] = {"LIST", "JUNK", "junk", "bext", "id3 ", "ID3 ", "fact",
                                        "cue ", "smpl", "inst", "acid", "iXML", "axml", "PAD ",
                                        "cart", "PEAK", "DISP", "umid", "_PMX", "labl", "plst"};

// The 8 bytes of a chunk header: id and 32-bit size.
using ChunkHeader = std::array<std::byte, 8>;

ChunkHeader ReadHeader(ChunkSource& source, std::uint64_t at) {
    ChunkHeader h;
    source.Read(at, h);
    return h;
}

bool IsPrintable(const ChunkHeader& h) {
    for (std::size_t i = 0; i < 4; ++i) {
        const auto c = std::to_integer<unsigned>(h[i]);
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

// A chunk header at `at` whose body fits in the file: with `known`, its id must be one that
// follows audio; otherwise any four printable characters.
bool ChunkHeaderAt(ChunkSource& source, std::uint64_t at, bool known) {
    const std::uint64_t end = source.Size();
    if (at + kChunkHeader > end) {
        return false;
    }
    const ChunkHeader h = ReadHeader(source, at);
    if (at + kChunkHeader + Le32(h, 4) > end) {
        return false;
    }
    if (!known) {
        return IsPrintable(h);
    }
    for (const char* id : kTrailingIds) {
        if (std::memcmp(h.data(), id, 4) == 0) {
            return true;
        }
    }
    return false;
}

// The data size of a plain RIFF file over 4 GiB whose wrapped 32-bit field is followed by
// another chunk: the one size field + k * 2^32 (k >= 1) at whose end a known chunk header
// stands. Nothing when no such size, or more than one, exists.
std::optional<std::uint64_t> WrappedSizeBeforeChunk(ChunkSource& source, std::uint64_t dataOffset,
                                                    std::uint32_t field) {
    std::optional<std::uint64_t> found;
    const std::uint64_t available = source.Size() - dataOffset;
    for (std::uint64_t size = field + (1ull << 32); size <= available; size += 1ull << 32) {
        if (ChunkHeaderAt(source, dataOffset + size + (size & 1), true)) {
            if (found) {
                return std::nullopt; // two ends would fit: it cannot be decided
            }
            found = size;
        }
    }
    return found;
}

// True when the bytes from `at` to the end of the file are a chain of chunks, each with a
// printable id and a size that fits, the last ending exactly at the end (its pad byte may be
// missing): what follows the audio of a file whose data size is right.
bool ChunksReachTheEnd(ChunkSource& source, std::uint64_t at) {
    constexpr int kMaxChunks = 64;
    const std::uint64_t end = source.Size();
    for (int i = 0; i < kMaxChunks && at + kChunkHeader <= end; ++i) {
        const ChunkHeader h = ReadHeader(source, at);
        if (!IsPrintable(h)) {
            return false;
        }
        const std::uint64_t size = Le32(h, 4);
        const std::uint64_t next = at + kChunkHeader + size + (size & 1);
        if (next >= end) {
            return next == end || at + kChunkHeader + size == end;
        }
        at = next;
    }
    return false;
}

// The sizes a wrapped 32-bit data size `field` can stand for in a plain RIFF file (field + k *
// 2^32, none of them 0) after which the rest of the file is a chain of chunks (see
// ChunksReachTheEnd).
std::vector<std::uint64_t> SizesBeforeChunkChain(ChunkSource& source, std::uint64_t dataOffset,
                                                 std::uint32_t field) {
    std::vector<std::uint64_t> sizes;
    const std::uint64_t end = source.Size();
    const std::uint64_t available = end - dataOffset;
    for (std::uint64_t size = field; size <= available; size += 1ull << 32) {
        const std::uint64_t after = dataOffset + size + (size & 1);
        if (size != 0 && after < end && ChunksReachTheEnd(source, after)) {
            sizes.push_back(size);
        }
    }
    return sizes;
}

} // namespace

WaveLayout ReadWaveLayout(std::span<const std::byte> file) {
    MemoryChunkSource source(file);
    return ReadWaveLayout(source);
}

WaveLayout ReadWaveLayout(ChunkSource& source) {
    const std::uint64_t end = source.Size();
    if (end < 12) {
        throw WaveFormatError("not a RIFF/WAVE file (only " + std::to_string(end) + " bytes)");
    }
    std::array<std::byte, 12> riff;
    source.Read(0, riff);
    const bool rf64 = IdIs(riff, 0, "RF64") || IdIs(riff, 0, "BW64");
    if ((!IdIs(riff, 0, "RIFF") && !rf64) || !IdIs(riff, 8, "WAVE")) {
        throw WaveFormatError("not a RIFF/WAVE file");
    }

    WaveLayout layout;
    layout.container = rf64 ? Container::Rf64 : Container::Riff;
    std::optional<std::uint64_t> ds64DataSize;
    bool haveFormat = false;
    bool haveData = false;
    std::uint32_t dataSizeField = 0;
    // A chunk before the data that runs past the end: where it stands, and its header.
    std::optional<std::uint64_t> overrunAt;
    ChunkHeader overrun{};

    // Every chunk header lies wholly inside the file; a body may be cut short by the end.
    std::uint64_t at = 12;
    while (at + kChunkHeader <= end && !(haveFormat && haveData)) {
        const std::uint64_t body = at + kChunkHeader;
        const ChunkHeader header = ReadHeader(source, at);
        const std::uint32_t field = Le32(header, 4);
        std::uint64_t size = field;
        if (IdIs(header, 0, "ds64") && rf64) {
            if (body + 16 > end || size < 16) {
                throw WaveFormatError("not a RIFF/WAVE file (damaged ds64 chunk)");
            }
            std::array<std::byte, 16> ds64;
            source.Read(body, ds64);
            ds64DataSize = Le64(ds64, 8);
        } else if (IdIs(header, 0, "fmt ") && !haveFormat) {
            std::array<std::byte, 40> fmt{};
            const auto head = static_cast<std::size_t>(std::min<std::uint64_t>(size, fmt.size()));
            if (body + head > end) {
                throw WaveFormatError("not a RIFF/WAVE file (fmt chunk cut short)");
            }
            source.Read(body, std::span(fmt).first(head));
            layout.format = ParseFormat(std::span(fmt).first(head), size);
            layout.formatOffset = body;
            haveFormat = true;
        } else if (IdIs(header, 0, "data") && !haveData) {
            if (rf64 && field == kSizeUnknown) {
                if (!ds64DataSize) {
                    throw WaveFormatError("not a RIFF/WAVE file (RF64 without ds64 chunk)");
                }
                size = *ds64DataSize;
            }
            layout.dataOffset = body;
            dataSizeField = field;
            layout.dataSize = size;
            haveData = true;
        }
        if (haveFormat && haveData) {
            break; // nothing after the data chunk is needed
        }
        const std::uint64_t next = body + size + (size & 1);
        if (next <= at || next > end) {
            if (body + size > end) {
                overrunAt = at;
                overrun = header;
            }
            break; // the chunk runs to (or past) the end of the file
        }
        at = next;
    }

    if (!haveFormat) {
        throw WaveFormatError("not a RIFF/WAVE file (no fmt chunk)");
    }
    if (!haveData && overrunAt) {
        // Naming the chunk whose size is wrong says more than "no data chunk": the data chunk
        // may well stand inside the bytes it claims.
        const std::uint64_t body = *overrunAt + kChunkHeader;
        const std::string id(reinterpret_cast<const char*>(overrun.data()), 4);
        const std::string what = id == "fmt " ? "fmt" : "'" + id + "'";
        throw WaveFormatError("no data chunk: the " + what + " chunk is cut short (it claims " +
                              std::to_string(Le32(overrun, 4)) + " bytes; the file holds " +
                              std::to_string(end - body) + ")");
    }
    if (!haveData && at < end && at + kChunkHeader > end) {
        // The file stops inside a chunk header: a recording cut off as its audio began.
        std::array<std::byte, kChunkHeader> partial{};
        const auto got = static_cast<std::size_t>(end - at);
        source.Read(at, std::span(partial).first(got));
        const std::string start(reinterpret_cast<const char*>(partial.data()),
                                std::min<std::size_t>(got, 4));
        const bool data = std::string_view("data").starts_with(start);
        throw WaveFormatError(std::string("no audio: the file ends inside ") +
                              (data ? "the data chunk's header" : "a chunk header") + " (" +
                              std::to_string(got) + " of its 8 bytes)");
    }
    if (!haveData) {
        throw WaveFormatError("no data chunk");
    }

    const std::uint64_t available = end - layout.dataOffset;
    const std::uint32_t frame = layout.format.FrameSize();
    // A plain RIFF file over 4 GiB cannot state its data size in 32 bits. Recorders then
    // write 0xFFFFFFFF, 0, or the size modulo 2^32; the data runs to the end of the file.
    // Every size the field can stand for is weighed by what follows it: the one after which
    // the rest of the file is a chain of chunks to its very end is the audio's size (audio
    // that merely looks like a chunk header at one of them leads nowhere).
    const std::vector<std::uint64_t> chained =
        !rf64 && available > 0xFFFFFFFFull
            ? SizesBeforeChunkChain(source, layout.dataOffset, dataSizeField)
            : std::vector<std::uint64_t>{};
    if (chained.size() == 1) {
        layout.dataSize = chained.front();
        layout.dataSizeRecovered = chained.front() != dataSizeField;
    } else if (!rf64 && available > 0xFFFFFFFFull) {
        const std::uint64_t whole = available - available % frame;
        const std::uint32_t wrappedAll = static_cast<std::uint32_t>(available);
        const std::uint32_t wrappedWhole = static_cast<std::uint32_t>(whole);
        // Two sizes followed by chunks to the end cannot be told apart: say so.
        layout.dataSizeUncertain = chained.size() > 1;
        if (dataSizeField == kSizeUnknown || dataSizeField == 0 || dataSizeField == wrappedAll ||
            dataSizeField == wrappedWhole) {
            layout.dataSize = whole;
            layout.dataSizeRecovered = true;
        } else if (!ChunkHeaderAt(source, layout.dataOffset + dataSizeField + (dataSizeField & 1),
                                  false)) {
            // No chunk where the field says the audio ends: the field may have wrapped with
            // another chunk after the audio. Look for it 4 GiB, 8 GiB, ... further on.
            if (const auto size =
                    WrappedSizeBeforeChunk(source, layout.dataOffset, dataSizeField)) {
                layout.dataSize = *size;
                layout.dataSizeRecovered = true;
            } else {
                layout.dataSizeUncertain = true;
            }
        }
    }
    if (layout.dataSize > available) {
        layout.dataSize = available;
        layout.dataTruncated = true;
    }
    return layout;
}

std::string DescribeFormat(const WaveFormat& f) {
    std::string text = f.IsFloat() ? "float " : "PCM ";
    text += std::to_string(f.bitsPerSample) + "-bit ";
    text += f.channels == 1   ? "mono"
            : f.channels == 2 ? "stereo"
                              : std::to_string(f.channels) + " channels";
    // Appended piece by piece: `" " + std::to_string(...)` trips GCC 12's -Wrestrict false
    // positive at -O3 (Release builds).
    text += ' ';
    text += std::to_string(f.sampleRate);
    text += " Hz";
    if (f.extensible) {
        text += " (extensible)";
    }
    return text;
}

} // namespace sundrel
