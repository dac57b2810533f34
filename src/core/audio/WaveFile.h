#pragma once

#include "core/riff/WaveLayout.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

namespace sundrel {

// Raised when a file cannot be used as a mix; the message names the file and the reason.
class WaveFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Bytes of the canonical WAV header (RIFF, a 16-byte fmt chunk, the data chunk header).
inline constexpr std::uint64_t kCanonicalHeaderSize = 44;

// The format record of a mix as it is handed to the output device and written into track
// headers. Block align and byte rate are always computed from the other fields.
struct WaveFormatEx {
    std::uint16_t wFormatTag = 0; // kFormatPcm or kFormatFloat
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;
};

WaveFormatEx MakeWaveFormatEx(const WaveFormat& format);

// What Play and Split take and give, defined by the layers that do that work (play/, split/,
// markers/): this file includes none of them, so every include still points down.
class WaveOut;
struct Marker;
struct PlayRange;
struct PlayResult;
struct SplitOptions;
struct SplitTrack;
struct TrackSpan;

} // namespace sundrel

// The loaded mix: its path, format and where its audio lies in the file.
// Sizes and offsets are exact 64-bit byte counts.
class CWaveFile {
  public:
    // Reads and checks the file's chunks. Throws sundrel::WaveFileError (whose message names
    // the file and says what is wrong) for a file that cannot be opened or used.
    explicit CWaveFile(const std::filesystem::path& path);
    CWaveFile(const CWaveFile&) = delete;
    CWaveFile& operator=(const CWaveFile&) = delete;

    // Seconds of audio: data bytes / bytes per second.
    double GetDuration() const;

    // Length of the canonical file that would hold this audio (data size + 44). Position
    // arithmetic that counts file bytes from a canonical header uses it, so files with extra
    // chunks behave exactly like their canonical equivalent.
    std::uint64_t GetLength() const { return m_nDataSize + sundrel::kCanonicalHeaderSize; }

    // Writes track01.wav, track02.wav, ... into outDir, one per span between consecutive
    // percentages (ascending, first 0, last 100; see sundrel::PlanTracks for the cut), each a
    // header and a byte-exact slice of the audio data. Existing files of those names are
    // replaced. Throws std::invalid_argument for percentages that cannot be cut at and
    // sundrel::SplitError (naming the file and the reason) for any failure to read the mix or
    // write a track. Tracks are written under temporary names and renamed only once all are
    // complete, so no partial track is ever left behind.
    void Split(const float* percents, int n, const std::filesystem::path& outDir = ".");
    // The same, with options; returns the tracks written.
    std::vector<sundrel::SplitTrack> Split(const float* percents, int n,
                                           const std::filesystem::path& outDir,
                                           const sundrel::SplitOptions& options);
    // The same, cut at the markers' frames (see sundrel::PlanTracksAtFrames): each boundary
    // lies at byte frame * frame size of the audio data. Percentage markers cut at the frame
    // they hold, so run sundrel::ResolvePercentFrames on them first. The options may name the
    // tracks, tag them and ask for FLAC (see sundrel::SplitOptions). Returns the tracks written.
    std::vector<sundrel::SplitTrack> Split(std::span<const sundrel::Marker> markers,
                                           const std::filesystem::path& outDir);
    std::vector<sundrel::SplitTrack> Split(std::span<const sundrel::Marker> markers,
                                           const std::filesystem::path& outDir,
                                           const sundrel::SplitOptions& options);

    // Writes the header of a track holding nDataSize bytes of this mix's audio, followed by
    // nTrailerSize bytes of further chunks (tags), at the start of the open file `fd` (see
    // sundrel::MakeTrackHeader); throws sundrel::SplitError naming `name`. Returns the
    // header's size, where the audio follows.
    std::uint64_t WriteWavHeader(int fd, std::uint64_t nDataSize, const std::filesystem::path& name,
                                 std::uint64_t nTrailerSize = 0) const;

    // Plays the audio from `startSecond` on through `out`: 1024-byte reads into a ring of 20
    // blocks of 8192 bytes, each full block (and the last partial one) handed to the device.
    // After every read `label` (if set) gets the time read so far as "h:mm:ss.mmm". Returns
    // when the data has played to the end, when `stop` is requested (the device is silenced
    // at once and gets nothing more), or on a failure, which the result describes. The device
    // is closed on return. Runs on the calling thread; the descriptor is not modified.
    sundrel::PlayResult Play(sundrel::WaveOut& out,
                             const std::function<void(const std::string&)>& label,
                             float startSecond, std::stop_token stop = {}) const;
    // The same for the frames of `range` (held within the data): it starts exactly on the
    // range's first frame, hands the device the range's bytes and nothing after them, and
    // ends as at the end of the data (Finished) once they have played. The label counts from
    // the first frame's time. An empty range plays nothing and ends at once.
    sundrel::PlayResult Play(sundrel::WaveOut& out,
                             const std::function<void(const std::string&)>& label,
                             sundrel::PlayRange range, std::stop_token stop = {}) const;

    // The format as the sample reader, the view and the format text take it.
    sundrel::WaveFormat GetFormat() const;

    std::filesystem::path m_strPath;
    sundrel::WaveFormatEx m_wfx;
    std::uint64_t m_nFileSize = 0;
    std::uint64_t m_nDataOffset = 0; // first audio byte in the file
    std::uint64_t m_nDataSize = 0;   // audio bytes, never past the end of the file
    // What the chunks said beyond the format and the data range.
    sundrel::Container m_container = sundrel::Container::Riff;
    bool m_bExtensible = false;        // the fmt chunk is WAVE_FORMAT_EXTENSIBLE
    bool m_bDataTruncated = false;     // the data chunk claimed more bytes than the file holds
    bool m_bDataSizeRecovered = false; // a wrapped 32-bit size of a >4 GiB file was corrected
    bool m_bDataSizeUncertain = false; // such a size could not be corrected; audio may be missed

  private:
    // Writes one track per span of `plan` (the spans tile the audio data) into outDir.
    std::vector<sundrel::SplitTrack> WriteTracks(std::span<const sundrel::TrackSpan> plan,
                                                 const std::filesystem::path& outDir,
                                                 const sundrel::SplitOptions& options);
};
