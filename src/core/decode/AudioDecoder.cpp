#include "core/decode/AudioDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <mutex>
#include <string>

namespace sundrel {

namespace {

std::string AvText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& why) {
    std::string message = path.string();
    message += ": ";
    message += why;
    throw DecodeError(message);
}

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ResamplerCloser {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// FFmpeg writes its warnings to standard error unless told not to; the caller reports.
void QuietLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

class MonoDecoder {
  public:
    MonoDecoder(const std::filesystem::path& path, std::uint32_t rate, const MonoSink& sink)
        : m_path(path), m_rate(rate), m_sink(sink) {}

    DecodedInfo Run() {
        Open();
        std::unique_ptr<AVPacket, PacketCloser> packet(av_packet_alloc());
        m_frame.reset(av_frame_alloc());
        if (!packet || !m_frame) {
            throw std::bad_alloc();
        }
        int readError = 0;
        while ((readError = av_read_frame(m_format.get(), packet.get())) >= 0) {
            if (packet->stream_index == m_stream) {
                Send(packet.get());
            }
            av_packet_unref(packet.get());
        }
        if (readError != AVERROR_EOF && m_info.frames == 0) {
            Fail(m_path, "cannot be read (" + AvText(readError) + ")");
        }
        Send(nullptr);
        Convert(nullptr, 0); // what the resampler still holds
        if (m_info.frames == 0) {
            if (m_badPackets > 0) {
                Fail(m_path, "cannot be decoded (damaged, or protected by DRM)");
            }
            Fail(m_path, "holds no audio");
        }
        return m_info;
    }

  private:
    void Open() {
        QuietLibrary();
        AVFormatContext* format = nullptr;
        const int opened = avformat_open_input(&format, m_path.c_str(), nullptr, nullptr);
        if (opened < 0) {
            if (opened == AVERROR_INVALIDDATA) {
                Fail(m_path, "not an audio file");
            }
            Fail(m_path, "cannot be opened (" + AvText(opened) + ")");
        }
        m_format.reset(format);
        if (avformat_find_stream_info(format, nullptr) < 0) {
            Fail(m_path, "not an audio file");
        }
        const AVCodec* codec = nullptr;
        m_stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (m_stream == AVERROR_STREAM_NOT_FOUND) {
            Fail(m_path, "has no audio");
        }
        const AVCodecParameters* params = format->streams[m_stream]->codecpar;
        if (m_stream < 0 || !codec) {
            // An encrypted iTunes track names its codec "drms"; FFmpeg has no decoder for it.
            Fail(m_path, params && params->codec_tag == MKTAG('d', 'r', 'm', 's')
                             ? "is protected by DRM"
                             : "has audio in a format FFmpeg cannot decode");
        }
        m_codec.reset(avcodec_alloc_context3(codec));
        if (!m_codec) {
            throw std::bad_alloc();
        }
        if (avcodec_parameters_to_context(m_codec.get(), params) < 0 ||
            avcodec_open2(m_codec.get(), codec, nullptr) < 0) {
            Fail(m_path, "has audio FFmpeg cannot decode");
        }
        if (m_codec->sample_rate <= 0) {
            Fail(m_path, "has audio without a sample rate");
        }
        m_info.sourceRate = static_cast<std::uint32_t>(m_codec->sample_rate);
    }

    // A resampler for the frame's layout, made at the first frame: containers do not always
    // say the layout before decoding starts.
    void Prepare(const AVFrame& frame) {
        if (m_resampler) {
            return;
        }
        AVChannelLayout in{};
        if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels <= 0) {
            av_channel_layout_default(&in, frame.ch_layout.nb_channels > 0
                                               ? frame.ch_layout.nb_channels
                                               : m_codec->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&in, &frame.ch_layout) < 0) {
            throw std::bad_alloc();
        }
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        SwrContext* resampler = nullptr;
        const int made = swr_alloc_set_opts2(
            &resampler, &mono, AV_SAMPLE_FMT_FLT, static_cast<int>(m_rate), &in,
            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (made < 0 || swr_init(resampler) < 0) {
            swr_free(&resampler);
            Fail(m_path, "has audio that cannot be resampled");
        }
        m_resampler.reset(resampler);
    }

    void Send(const AVPacket* packet) {
        const int sent = avcodec_send_packet(m_codec.get(), packet);
        if (sent < 0 && sent != AVERROR_EOF) {
            ++m_badPackets; // a damaged packet: the rest of the stream may still decode
            return;
        }
        for (;;) {
            const int got = avcodec_receive_frame(m_codec.get(), m_frame.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
                return;
            }
            if (got < 0) {
                ++m_badPackets;
                return;
            }
            if (m_frame->nb_samples > 0 && m_frame->sample_rate > 0) {
                Prepare(*m_frame);
                Convert(const_cast<const std::uint8_t**>(m_frame->extended_data),
                        m_frame->nb_samples);
            }
            av_frame_unref(m_frame.get());
        }
    }

    void Convert(const std::uint8_t** in, int samples) {
        if (!m_resampler) {
            return;
        }
        const int room = swr_get_out_samples(m_resampler.get(), samples);
        if (room <= 0) {
            return;
        }
        m_out.resize(static_cast<std::size_t>(room));
        auto* out = reinterpret_cast<std::uint8_t*>(m_out.data());
        const int made = swr_convert(m_resampler.get(), &out, room, in, samples);
        if (made < 0) {
            Fail(m_path, "cannot be resampled (" + AvText(made) + ")");
        }
        if (made > 0) {
            m_info.frames += made;
            m_sink(std::span<const float>(m_out.data(), static_cast<std::size_t>(made)));
        }
    }

    std::filesystem::path m_path;
    std::uint32_t m_rate;
    const MonoSink& m_sink;
    std::unique_ptr<AVFormatContext, FormatCloser> m_format;
    std::unique_ptr<AVCodecContext, CodecCloser> m_codec;
    std::unique_ptr<SwrContext, ResamplerCloser> m_resampler;
    std::unique_ptr<AVFrame, FrameCloser> m_frame;
    std::vector<float> m_out;
    int m_stream = -1;
    int m_badPackets = 0;
    DecodedInfo m_info;
};

} // namespace

DecodedInfo DecodeMonoStream(const std::filesystem::path& path, std::uint32_t rate,
                             const MonoSink& sink) {
    if (rate == 0) {
        throw std::invalid_argument("decode rate must be positive");
    }
    return MonoDecoder(path, rate, sink).Run();
}

std::vector<float> DecodeMono(const std::filesystem::path& path, std::uint32_t rate,
                              DecodedInfo* info) {
    std::vector<float> samples;
    const DecodedInfo got = DecodeMonoStream(path, rate, [&samples](std::span<const float> block) {
        samples.insert(samples.end(), block.begin(), block.end());
    });
    if (info) {
        *info = got;
    }
    return samples;
}

} // namespace sundrel
