#include "core/demo/DemoMix.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <system_error>
#include <unistd.h>

namespace sundrel::demo {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A small deterministic noise source (xorshift), so every run writes the same file.
class Noise {
  public:
    double Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return static_cast<double>(m_state >> 11) / 4503599627370496.0 - 1.0;
    }

  private:
    std::uint64_t m_state = 0x9E3779B97F4A7C15ull;
};

struct Stereo {
    double left = 0.0;
    double right = 0.0;
};

// One track's voice at time t (seconds from the track's start).
class TrackVoice {
  public:
    explicit TrackVoice(const DemoTrack& track) : m_track(track) {}

    Stereo At(double t) {
        const double beat = 60.0 / m_track.bpm;
        const double inBeat = std::fmod(t, beat);
        const auto beatIndex = static_cast<long>(t / beat);
        Stereo out;

        // Kick on every beat: a sine falling from 150 Hz towards 45 Hz with a fast decay.
        const double kickEnv = std::exp(-inBeat * 9.0);
        m_kickPhase += kTwoPi * (45.0 + 105.0 * std::exp(-inBeat * 30.0)) / kDemoRate;
        if (inBeat < 1.0 / kDemoRate) {
            m_kickPhase = 0.0;
        }
        const double kick = 0.55 * kickEnv * std::sin(m_kickPhase);

        // Bass on the off-beats, walking a four-step pattern of the track's key.
        static constexpr std::array<double, 4> kSteps = {1.0, 1.0, 1.5, 1.3348};
        const double bassHz = m_track.rootHz * kSteps[static_cast<std::size_t>(beatIndex / 2 % 4)];
        const double offBeat = std::fmod(t + beat / 2.0, beat);
        const double bassEnv = std::exp(-offBeat * 5.0) * std::min(1.0, offBeat * 200.0);
        m_bassPhase += kTwoPi * bassHz / kDemoRate;
        const double bass =
            0.3 * bassEnv *
            (std::sin(m_bassPhase) + m_track.brightness * 0.35 * std::sin(2.0 * m_bassPhase) +
             m_track.brightness * 0.15 * std::sin(3.0 * m_bassPhase));

        // Hats on the eighths: short noise bursts, panned a little right.
        const double eighth = std::fmod(t, beat / 2.0);
        const double hat = 0.12 * m_track.brightness * std::exp(-eighth * 60.0) * m_noise.Next();

        // Pad: a slow, detuned triad, its two sides drifting apart for width.
        static constexpr std::array<double, 3> kChord = {4.0, 5.0, 6.0};
        const double swell = 0.5 + 0.5 * std::sin(kTwoPi * t / (beat * 16.0));
        double padL = 0.0;
        double padR = 0.0;
        for (std::size_t i = 0; i < kChord.size(); ++i) {
            m_padPhaseL[i] += kTwoPi * m_track.rootHz * kChord[i] * 0.998 / kDemoRate;
            m_padPhaseR[i] += kTwoPi * m_track.rootHz * kChord[i] * 1.002 / kDemoRate;
            padL += std::sin(m_padPhaseL[i]);
            padR += std::sin(m_padPhaseR[i]);
        }
        const double pad = 0.06 * (0.4 + 0.6 * swell);

        out.left = kick + bass + 0.7 * hat + pad * padL;
        out.right = kick + bass + 1.0 * hat + pad * padR;
        return out;
    }

  private:
    DemoTrack m_track;
    Noise m_noise;
    double m_kickPhase = 0.0;
    double m_bassPhase = 0.0;
    std::array<double, 3> m_padPhaseL{};
    std::array<double, 3> m_padPhaseR{};
};

std::int16_t ToSample(double v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
}

void Put16(std::string& b, std::uint32_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

std::string CanonicalHeader(std::uint32_t dataBytes) {
    std::string h = "RIFF";
    Put32(h, 36 + dataBytes);
    h += "WAVEfmt ";
    Put32(h, 16);
    Put16(h, 1); // PCM
    Put16(h, 2);
    Put32(h, kDemoRate);
    Put32(h, kDemoRate * 4);
    Put16(h, 4);
    Put16(h, 16);
    h += "data";
    Put32(h, dataBytes);
    return h;
}

std::string FileName(const DemoPlan& plan) {
    // The name carries the plan, so a changed plan never reuses an old file.
    std::uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](double v) {
        hash ^= static_cast<std::uint64_t>(std::llround(v * 1000.0));
        hash *= 1099511628211ull;
    };
    for (const DemoTrack& t : plan.tracks) {
        mix(t.bpm);
        mix(t.rootHz);
        mix(t.brightness);
        mix(t.seconds);
    }
    mix(plan.crossfadeSeconds);
    char text[32];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(hash & 0xFFFFFFFFu));
    return std::string("demo-mix-") + text + ".wav";
}

} // namespace

DemoPlan DefaultDemoPlan() {
    DemoPlan plan;
    plan.tracks = {
        {122.0, 55.00, 0.8, 48.0}, // A, steady house
        {128.0, 49.00, 1.0, 48.0}, // G, brighter and faster
        {100.0, 65.41, 0.3, 48.0}, // C, slow and dark
        {134.0, 61.74, 0.9, 48.0}, // B, the peak
    };
    plan.crossfadeSeconds = 6.0;
    return plan;
}

std::vector<std::int16_t> GenerateDemoMix(const DemoPlan& plan) {
    const auto fade = static_cast<std::size_t>(plan.crossfadeSeconds * kDemoRate);
    const auto fadeLength = static_cast<double>(fade);
    std::vector<double> left;
    std::vector<double> right;
    std::size_t start = 0; // frame where the next track begins
    for (std::size_t n = 0; n < plan.tracks.size(); ++n) {
        const auto frames = static_cast<std::size_t>(plan.tracks[n].seconds * kDemoRate);
        const bool fadeIn = n > 0;
        const bool fadeOut = n + 1 < plan.tracks.size();
        left.resize(std::max(left.size(), start + frames), 0.0);
        right.resize(left.size(), 0.0);
        TrackVoice voice(plan.tracks[n]);
        for (std::size_t i = 0; i < frames; ++i) {
            // Equal-power crossfades: the sum of the two tracks keeps its loudness.
            double gain = 1.0;
            if (fadeIn && i < fade) {
                gain *= std::sin(0.5 * std::numbers::pi * static_cast<double>(i) / fadeLength);
            }
            if (fadeOut && i + fade > frames) {
                gain *=
                    std::sin(0.5 * std::numbers::pi * static_cast<double>(frames - i) / fadeLength);
            }
            const Stereo s = voice.At(static_cast<double>(i) / kDemoRate);
            left[start + i] += gain * s.left;
            right[start + i] += gain * s.right;
        }
        start += frames > fade ? frames - fade : frames;
    }
    std::vector<std::int16_t> out(left.size() * 2);
    for (std::size_t i = 0; i < left.size(); ++i) {
        out[2 * i] = ToSample(left[i]);
        out[2 * i + 1] = ToSample(right[i]);
    }
    return out;
}

std::filesystem::path DemoCacheDir() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg == '/') {
        return std::filesystem::path(xdg) / "sundrel";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".cache" / "sundrel";
    }
    return std::filesystem::temp_directory_path() / "sundrel";
}

std::filesystem::path EnsureDemoMix(const std::filesystem::path& cacheDir, const DemoPlan& plan) {
    const std::filesystem::path target = cacheDir / FileName(plan);
    std::error_code ec;
    if (std::filesystem::is_regular_file(target, ec)) {
        return target;
    }
    std::filesystem::create_directories(cacheDir, ec);
    if (ec) {
        throw std::runtime_error("cannot create " + cacheDir.string() + ": " + ec.message());
    }
    const std::vector<std::int16_t> samples = GenerateDemoMix(plan);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string bytes = CanonicalHeader(dataBytes);
    bytes.reserve(bytes.size() + dataBytes);
    for (const std::int16_t s : samples) {
        Put16(bytes, static_cast<std::uint16_t>(s));
    }

    const std::filesystem::path temp =
        target.string() + ".tmp-" + std::to_string(static_cast<long>(::getpid()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temp, ec);
            throw std::runtime_error("cannot write " + temp.string());
        }
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        const std::string reason = ec.message();
        std::filesystem::remove(temp, ec);
        throw std::runtime_error("cannot write " + target.string() + ": " + reason);
    }
    return target;
}

} // namespace sundrel::demo
