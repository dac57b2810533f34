#include "support/WavFixture.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace fixture {

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::byte(v & 0xFF));
    b.push_back(std::byte((v >> 8) & 0xFF));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Put64(Bytes& b, std::uint64_t v) {
    Put32(b, static_cast<std::uint32_t>(v));
    Put32(b, static_cast<std::uint32_t>(v >> 32));
}
void PutId(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(std::byte(static_cast<unsigned char>(id[i])));
    }
}

Bytes FmtBody(const Format& f, bool extensible) {
    Bytes b;
    Put16(b, extensible ? 0xFFFE : f.tag);
    Put16(b, f.channels);
    Put32(b, f.rate);
    Put32(b, f.rate * f.FrameSize());
    Put16(b, f.FrameSize());
    Put16(b, f.bits);
    if (extensible) {
        Put16(b, 22);
        Put16(b, f.bits);                      // valid bits
        Put32(b, f.channels == 1 ? 0x4 : 0x3); // channel mask
        Put16(b, f.tag);                       // sub-format GUID: tag + fixed tail
        const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        for (unsigned char c : tail) {
            b.push_back(std::byte(c));
        }
    }
    return b;
}

WavBuilder& WavBuilder::Chunk(const char* id, const Bytes& body) {
    return ChunkDeclared(id, static_cast<std::uint32_t>(body.size()), body);
}

WavBuilder& WavBuilder::ChunkDeclared(const char* id, std::uint32_t declared, const Bytes& body) {
    PutId(m_chunks, id);
    Put32(m_chunks, declared);
    m_chunks.insert(m_chunks.end(), body.begin(), body.end());
    if (body.size() % 2 == 1 && declared == body.size()) {
        m_chunks.push_back(std::byte{0}); // pad byte after an odd body
    }
    return *this;
}

Bytes WavBuilder::Build() const {
    Bytes b;
    PutId(b, "RIFF");
    Put32(b, static_cast<std::uint32_t>(4 + m_chunks.size()));
    PutId(b, "WAVE");
    b.insert(b.end(), m_chunks.begin(), m_chunks.end());
    return b;
}

Bytes CanonicalWav(const Format& f, const Bytes& audio) {
    return WavBuilder().Fmt(f).Data(audio).Build();
}

Bytes ChunkyWav(const Format& f, const Bytes& audio, bool extensible) {
    return WavBuilder()
        .Chunk("LIST", Bytes(34, std::byte{0x4C}))
        .Fmt(f, extensible)
        .Chunk("JUNK", Bytes(7, std::byte{0x7F}))
        .Data(audio)
        .Chunk("id3 ", Bytes(9, std::byte{0x33}))
        .Build();
}

Bytes Counting(std::size_t size) {
    Bytes b;
    for (std::uint32_t i = 0; b.size() < size; i += 4) {
        Put32(b, i);
    }
    b.resize(size);
    return b;
}

Bytes TestSignal(const Format& f, std::size_t frames, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-0.2, 0.2);
    Bytes b;
    for (std::size_t i = 0; i < frames * f.channels; ++i) {
        const std::size_t frame = i / f.channels;
        double x = 0.7 * std::sin(0.031 * double(frame) * double(1 + i % f.channels)) + noise(rng);
        x = i % 97 == 0 ? 1.0 : i % 89 == 0 ? -1.0 : std::fmax(-1.0, std::fmin(1.0, x)); // extremes
        if (f.tag == 3) {
            Put32(b, std::bit_cast<std::uint32_t>(static_cast<float>(x)));
        } else if (f.bits == 8) {
            b.push_back(std::byte(static_cast<unsigned char>(std::lround(127.5 + x * 127.5))));
        } else {
            // Signed little-endian, full scale up to the largest value.
            const double full = std::ldexp(1.0, f.bits - 1);
            const auto v = static_cast<std::int64_t>(x >= 1.0 ? full - 1 : std::round(x * full));
            for (int k = 0; k < f.bits / 8; ++k) {
                b.push_back(std::byte(static_cast<unsigned char>((v >> (8 * k)) & 0xFF)));
            }
        }
    }
    return b;
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write fixture " + path.string());
    }
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    Bytes b(std::filesystem::file_size(path));
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return b;
}

Bytes BytesOf(const std::string& text) {
    const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
    return Bytes(bytes, bytes + text.size());
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteFile(path, BytesOf(text));
}

std::string ReadText(const std::filesystem::path& path) {
    const Bytes b = ReadFile(path);
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t length) {
    from = std::min(from, b.size());
    length = std::min(length, b.size() - from);
    return Bytes(b.begin() + static_cast<std::ptrdiff_t>(from),
                 b.begin() + static_cast<std::ptrdiff_t>(from + length));
}

std::vector<std::string> Listing(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void WriteSparse(const std::filesystem::path& path, const Bytes& head, std::uint64_t totalSize) {
    WriteFile(path, head);
    if (::truncate(path.c_str(), static_cast<off_t>(totalSize)) != 0) {
        throw std::runtime_error("cannot extend " + path.string());
    }
}

void WriteAt(const std::filesystem::path& path, std::uint64_t offset, const Bytes& bytes) {
    std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.good()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "sundrel-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary directory");
    }
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace fixture
