// Encoding a stretch of the mix as a FLAC file, through libFLAC's stream encoder. The only
// place that includes libFLAC.

#include "core/split/FlacTrack.h"

#include "core/io/ErrorText.h"
#include "core/io/WriteAll.h"
#include "core/riff/FileError.h"

#include <FLAC/format.h>
#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sundrel {

namespace {

constexpr auto kMix = SplitError::Side::Mix;
constexpr auto kTrack = SplitError::Side::Track;

constexpr std::size_t kReadBytes = std::size_t{1} << 20;  // audio read from the mix at a time
constexpr std::size_t kWriteBytes = std::size_t{1} << 20; // encoded bytes gathered per write
constexpr std::uint32_t kSeekSpacingSeconds = 10;         // as the flac tool's default -S 10s
constexpr std::uint32_t kPaddingBytes = 8192;             // as the flac tool's default

struct EncoderDelete {
    void operator()(FLAC__StreamEncoder* e) const { FLAC__stream_encoder_delete(e); }
};
struct MetadataDelete {
    void operator()(FLAC__StreamMetadata* m) const { FLAC__metadata_object_delete(m); }
};
using Encoder = std::unique_ptr<FLAC__StreamEncoder, EncoderDelete>;
using Metadata = std::unique_ptr<FLAC__StreamMetadata, MetadataDelete>;

// Where the encoder's bytes go: positional writes to the track file, gathered into large
// pieces. libFLAC hands over a few kilobytes per frame and seeks back at the end to complete
// STREAMINFO and the seek table. The callbacks cannot throw through libFLAC: a failed write
// is kept (its errno) and every later write fails at once, so the encoder stops.
class Output {
  public:
    explicit Output(int fd) : m_fd(fd) { m_pending.reserve(kWriteBytes); }

    bool Write(const FLAC__byte* data, std::size_t size) {
        if (m_error != 0) {
            return false;
        }
        if (m_pos != m_pendingAt + m_pending.size() && !Flush()) {
            return false;
        }
        if (m_pending.empty()) {
            m_pendingAt = m_pos;
        }
        const auto* bytes = reinterpret_cast<const std::byte*>(data);
        m_pending.insert(m_pending.end(), bytes, bytes + size);
        m_pos += size;
        return m_pending.size() < kWriteBytes || Flush();
    }

    bool Seek(std::uint64_t at) {
        if (!Flush()) {
            return false;
        }
        m_pos = at;
        return true;
    }

    std::uint64_t Tell() const { return m_pos; }

    bool Flush() {
        if (m_error != 0) {
            return false;
        }
        if (!m_pending.empty()) {
            m_error = io::WriteAllAt(m_fd, m_pending, m_pendingAt);
            m_pending.clear();
        }
        return m_error == 0;
    }

    // Makes every further write fail: the encoder is stopped and its remains are of no use.
    void Abandon() {
        if (m_error == 0) {
            m_error = ECANCELED;
        }
    }

    int Error() const { return m_error; }

  private:
    int m_fd;
    std::uint64_t m_pos = 0;
    std::uint64_t m_pendingAt = 0;
    std::vector<std::byte> m_pending;
    int m_error = 0;
};

FLAC__StreamEncoderWriteStatus WriteCallback(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                             std::size_t bytes, std::uint32_t, std::uint32_t,
                                             void* output) {
    return static_cast<Output*>(output)->Write(buffer, bytes)
               ? FLAC__STREAM_ENCODER_WRITE_STATUS_OK
               : FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
}

FLAC__StreamEncoderSeekStatus SeekCallback(const FLAC__StreamEncoder*, FLAC__uint64 offset,
                                           void* output) {
    return static_cast<Output*>(output)->Seek(offset) ? FLAC__STREAM_ENCODER_SEEK_STATUS_OK
                                                      : FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
}

FLAC__StreamEncoderTellStatus TellCallback(const FLAC__StreamEncoder*, FLAC__uint64* offset,
                                           void* output) {
    *offset = static_cast<Output*>(output)->Tell();
    return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
}

[[noreturn]] void Fail(SplitError::Side side, const std::filesystem::path& path, const char* what,
                       int error) {
    throw SplitError(side, io::FileErrorText(path, what, error));
}

// Adds NAME=value unless the value is empty.
void AddComment(FLAC__StreamMetadata* comments, const char* field, const std::string& value,
                const std::filesystem::path& name) {
    if (value.empty()) {
        return;
    }
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (value.find('\0') != std::string::npos ||
        !FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, field,
                                                                        value.c_str())) {
        throw SplitError(kTrack, name.string() + ": the " + field + " tag is not UTF-8 text");
    }
    if (!FLAC__metadata_object_vorbiscomment_append_comment(comments, entry, false)) {
        std::free(entry.entry);
        throw std::bad_alloc();
    }
}

Metadata NewMetadata(FLAC__MetadataType type) {
    Metadata m(FLAC__metadata_object_new(type));
    if (!m) {
        throw std::bad_alloc();
    }
    return m;
}

// The metadata blocks written after STREAMINFO: the tags, a seek table template with a point
// every kSeekSpacingSeconds (none for a track without samples) and the padding.
struct TrackMetadata {
    Metadata comments = NewMetadata(FLAC__METADATA_TYPE_VORBIS_COMMENT);
    Metadata seekTable = NewMetadata(FLAC__METADATA_TYPE_SEEKTABLE);
    Metadata padding = NewMetadata(FLAC__METADATA_TYPE_PADDING);

    TrackMetadata(const TrackTags& tags, std::uint32_t rate, std::uint64_t frames,
                  const std::filesystem::path& name) {
        AddComment(comments.get(), "TITLE", tags.title, name);
        AddComment(comments.get(), "ARTIST", tags.artist, name);
        AddComment(comments.get(), "ALBUM", tags.album, name);
        AddComment(comments.get(), "TRACKNUMBER",
                   tags.number > 0 ? std::to_string(tags.number) : "", name);
        AddComment(comments.get(), "TRACKTOTAL", tags.count > 0 ? std::to_string(tags.count) : "",
                   name);
        AddComment(comments.get(), "ALBUMARTIST", tags.albumArtist, name);
        AddComment(comments.get(), "DATE", tags.date, name);
        AddComment(comments.get(), "GENRE", tags.genre, name);
        AddComment(comments.get(), "DISCNUMBER", tags.disc > 0 ? std::to_string(tags.disc) : "",
                   name);
        AddComment(comments.get(), "DISCTOTAL", tags.disc > 0 ? "1" : "", name);
        AddComment(comments.get(), "COMPILATION", tags.compilation ? "1" : "", name);
        AddComment(comments.get(), "BPM", tags.bpm, name);
        AddComment(comments.get(), "INITIALKEY", tags.key, name);
        AddComment(comments.get(), "REPLAYGAIN_TRACK_GAIN", tags.trackGain, name);
        AddComment(comments.get(), "REPLAYGAIN_TRACK_PEAK", tags.trackPeak, name);
        if (frames > 0 &&
            (!FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(
                 seekTable.get(), rate * kSeekSpacingSeconds, frames) ||
             !FLAC__metadata_object_seektable_template_sort(seekTable.get(), true))) {
            throw std::bad_alloc();
        }
        padding->length = kPaddingBytes;
    }

    // For FLAC__stream_encoder_set_metadata, which fills in the seek table as it encodes.
    std::vector<FLAC__StreamMetadata*> Blocks() const {
        if (seekTable->data.seek_table.num_points == 0) {
            return {comments.get(), padding.get()};
        }
        return {comments.get(), seekTable.get(), padding.get()};
    }
};

// Reads up to `size` bytes at `offset`; fewer only where the file ends.
std::size_t ReadAt(int fd, std::byte* out, std::size_t size, std::uint64_t offset,
                   const std::filesystem::path& path) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, out + got, size - got, static_cast<off_t>(offset + got));
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(kMix, path, "cannot read", errno);
        }
        got += static_cast<std::size_t>(n);
    }
    return got;
}

// The little-endian samples of `in`, `bytes` wide each, as signed values: 8-bit WAV samples
// are unsigned around 128, the wider ones two's complement.
void ToSamples(std::span<const std::byte> in, unsigned bytes, FLAC__int32* out) {
    const auto* b = reinterpret_cast<const unsigned char*>(in.data());
    const std::size_t count = in.size() / bytes;
    switch (bytes) {
    case 1:
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = FLAC__int32{b[i]} - 128;
        }
        break;
    case 2:
        for (std::size_t i = 0; i < count; ++i, b += 2) {
            out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | b[1] << 8));
        }
        break;
    case 3:
        for (std::size_t i = 0; i < count; ++i, b += 3) {
            const auto v = static_cast<std::uint32_t>(b[0] | b[1] << 8 | b[2] << 16);
            out[i] = static_cast<FLAC__int32>(v ^ 0x800000u) - 0x800000;
        }
        break;
    default:
        for (std::size_t i = 0; i < count; ++i, b += 4) {
            out[i] =
                static_cast<FLAC__int32>(std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                         std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24);
        }
    }
}

std::string EncoderText(const FLAC__StreamEncoder* encoder) {
    return FLAC__stream_encoder_get_resolved_state_string(encoder);
}

} // namespace

std::string FlacRefusal(const WaveFormat& format) {
    const std::string what = DescribeFormat(format) + " audio cannot be written as FLAC";
    if (format.IsFloat()) {
        return what + ": FLAC holds integer samples only, and converting float samples would "
                      "change the audio; split as WAV instead";
    }
    if (format.formatTag != kFormatPcm || format.bitsPerSample % 8 != 0 ||
        format.bitsPerSample < 8 || format.bitsPerSample > FLAC__MAX_BITS_PER_SAMPLE) {
        return what + ": FLAC holds 8- to 32-bit integer samples";
    }
    if (format.channels < 1 || format.channels > FLAC__MAX_CHANNELS) {
        return what + ": FLAC holds 1 to " + std::to_string(FLAC__MAX_CHANNELS) + " channels";
    }
    if (!FLAC__format_sample_rate_is_valid(format.sampleRate)) {
        return what + ": FLAC holds sample rates up to " + std::to_string(FLAC__MAX_SAMPLE_RATE) +
               " Hz";
    }
    return {};
}

bool EncodeFlacTrack(const FlacSource& source, TrackSpan span, int fd,
                     const std::filesystem::path& name, const TrackTags& tags, unsigned level,
                     std::stop_token stop) {
    const WaveFormat& format = source.format;
    if (const std::string refusal = FlacRefusal(format); !refusal.empty()) {
        throw SplitError(kTrack, name.string() + ": " + refusal);
    }
    const std::uint32_t frameSize = format.FrameSize();
    const unsigned bytes = format.bitsPerSample / 8u;
    const std::uint64_t frames = span.size / frameSize;

    const TrackMetadata metadata(tags, format.sampleRate, frames, name);
    std::vector<FLAC__StreamMetadata*> blocks = metadata.Blocks();

    // The output outlives the encoder, whose deletion finishes an unfinished stream; on the way
    // out the output is abandoned first, so that such a finish writes nothing.
    struct Run {
        Output output;
        Encoder encoder;
        ~Run() { output.Abandon(); }
    } run{Output(fd), Encoder(FLAC__stream_encoder_new())};
    if (!run.encoder) {
        throw std::bad_alloc();
    }
    FLAC__StreamEncoder* e = run.encoder.get();
    Output& output = run.output;
    // The streamable subset (what hardware players must decode) covers the usual rates and
    // depths up to 24 bits; other audio is encoded outside it, as `flac --lax` does.
    const bool subset =
        format.bitsPerSample <= 24 && FLAC__format_sample_rate_is_subset(format.sampleRate);
    FLAC__stream_encoder_set_streamable_subset(e, subset);
    FLAC__stream_encoder_set_channels(e, format.channels);
    FLAC__stream_encoder_set_bits_per_sample(e, format.bitsPerSample);
    FLAC__stream_encoder_set_sample_rate(e, format.sampleRate);
    FLAC__stream_encoder_set_compression_level(e, level);
    FLAC__stream_encoder_set_total_samples_estimate(e, frames);
    FLAC__stream_encoder_set_metadata(e, blocks.data(), static_cast<std::uint32_t>(blocks.size()));

    const auto failed = [&](const char* doing) -> SplitError {
        if (output.Error() != 0) {
            return SplitError(kTrack, io::FileErrorText(name, "cannot write", output.Error()));
        }
        return SplitError(kTrack, name.string() + ": cannot " + doing + ": " + EncoderText(e));
    };
    if (FLAC__stream_encoder_init_stream(e, WriteCallback, SeekCallback, TellCallback, nullptr,
                                         &output) != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        throw failed("start the FLAC encoder");
    }

    const std::size_t chunk = std::max<std::size_t>(kReadBytes / frameSize, 1) * frameSize;
    std::vector<std::byte> raw(chunk);
    std::vector<FLAC__int32> samples(chunk / bytes);
    const std::uint64_t first = source.dataOffset + span.offset;
    const std::uint64_t total = frames * frameSize;
    for (std::uint64_t done = 0; done < total;) {
        if (stop.stop_requested()) {
            return false;
        }
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, total - done));
        const std::size_t got = ReadAt(source.fd, raw.data(), want, first + done, source.path);
        if (got < want) {
            struct stat st {};
            if (::fstat(source.fd, &st) != 0) {
                Fail(kMix, source.path, "cannot read", errno);
            }
            throw SplitError(kMix,
                             MixChangedText(source.path, static_cast<std::uint64_t>(st.st_size),
                                            source.fileSize));
        }
        ToSamples(std::span(raw.data(), got), bytes, samples.data());
        if (!FLAC__stream_encoder_process_interleaved(
                e, samples.data(), static_cast<std::uint32_t>(got / frameSize))) {
            throw failed("encode");
        }
        done += got;
    }
    // Encodes the last frame and writes STREAMINFO (MD5, length) and the seek table again.
    if (!FLAC__stream_encoder_finish(e) || !output.Flush()) {
        throw failed("finish the FLAC stream");
    }
    return true;
}

} // namespace sundrel
