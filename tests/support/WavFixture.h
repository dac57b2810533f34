#pragma once

// Builds WAV files for tests byte by byte, independent of the program's own writers, so
// tests can lay out any chunk order, damaged sizes, or sparse files over 4 GiB.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fixture {

using Bytes = std::vector<std::byte>;

void Put16(Bytes& b, std::uint32_t v);
void Put32(Bytes& b, std::uint32_t v);
void Put64(Bytes& b, std::uint64_t v);
void PutId(Bytes& b, const char* id);

struct Format {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint16_t bits = 16;
    std::uint32_t FrameSize() const { return std::uint32_t{channels} * bits / 8u; }
};

// A "fmt " body: 16 bytes, or the 40-byte WAVE_FORMAT_EXTENSIBLE form wrapping `f.tag`.
Bytes FmtBody(const Format& f, bool extensible = false);

// Assembles a RIFF/WAVE file from chunks in the order given.
class WavBuilder {
  public:
    WavBuilder& Chunk(const char* id, const Bytes& body);
    // A chunk whose size field says `declared` although `body` is what follows.
    WavBuilder& ChunkDeclared(const char* id, std::uint32_t declared, const Bytes& body);
    WavBuilder& Fmt(const Format& f, bool extensible = false) {
        return Chunk("fmt ", FmtBody(f, extensible));
    }
    WavBuilder& Data(const Bytes& audio) { return Chunk("data", audio); }
    Bytes Build() const; // "RIFF", size, "WAVE", then the chunks

  private:
    Bytes m_chunks;
};

// A canonical 44-byte-header file.
Bytes CanonicalWav(const Format& f, const Bytes& audio);

// The same audio among the chunks recorders and taggers add: a LIST chunk before fmt, an
// odd-sized JUNK chunk (with its pad byte) between fmt and data, and a chunk after the data.
Bytes ChunkyWav(const Format& f, const Bytes& audio, bool extensible = false);

// Deterministic audio: `frames` frames of a format, a mix of tones and noise that uses the
// whole range of the sample type (including its extremes).
Bytes TestSignal(const Format& f, std::size_t frames, std::uint32_t seed = 1);

// Audio whose every 4-byte word holds its own byte offset in the data (little-endian), so
// any byte that reaches a device tells where it came from.
Bytes Counting(std::size_t size);

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);
// The same for text, byte for byte (no line ends changed).
Bytes BytesOf(const std::string& text);
void WriteText(const std::filesystem::path& path, const std::string& text);
std::string ReadText(const std::filesystem::path& path);
// `length` bytes of `b` from `from` (to the end by default; empty past the end).
Bytes Slice(const Bytes& b, std::size_t from, std::size_t length = SIZE_MAX);
// The names in a directory, sorted.
std::vector<std::string> Listing(const std::filesystem::path& dir);

// Writes `head` at the start of a new file, then extends it to `totalSize` without
// allocating the hole (a sparse file that reads as zeros).
void WriteSparse(const std::filesystem::path& path, const Bytes& head, std::uint64_t totalSize);
// Overwrites the bytes of an existing file at `offset` (extending it if they reach past its end).
void WriteAt(const std::filesystem::path& path, std::uint64_t offset, const Bytes& bytes);

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

} // namespace fixture
