#include "core/overview/BandScan.h"
#include "core/overview/BlockScan.h"
#include "core/overview/MixSummary.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using sundrel::overview::BandPlan;
using sundrel::overview::Bands;
using sundrel::overview::BandSums;
using sundrel::overview::BlockSums;
using sundrel::overview::kBaseBlockFrames;
using sundrel::overview::MixSummary;
using sundrel::overview::PlanBands;
using sundrel::overview::ScanBands;

constexpr std::size_t kBlock = static_cast<std::size_t>(kBaseBlockFrames);

// Interleaved 16-bit frames from a function of (frame, channel).
std::vector<std::int16_t> Make(int channels, std::size_t frames,
                               const std::function<double(std::size_t, int)>& value) {
    std::vector<std::int16_t> x(frames * static_cast<std::size_t>(channels));
    for (std::size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            x[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                static_cast<std::int16_t>(std::lround(std::clamp(value(f, c), -32768.0, 32767.0)));
        }
    }
    return x;
}

std::vector<std::int16_t> Tone(int channels, std::size_t frames, double hz, std::uint32_t rate) {
    return Make(channels, frames, [&](std::size_t f, int) {
        return 12000.0 * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(f) / rate);
    });
}

std::vector<BandSums> Scan(const std::vector<std::int16_t>& x, int channels, std::uint32_t rate,
                           std::int64_t lead = 0) {
    const std::size_t frames = x.size() / static_cast<std::size_t>(channels);
    std::vector<BandSums> out((frames - static_cast<std::size_t>(lead) + kBlock - 1) / kBlock);
    ScanBands(x, channels, lead, PlanBands(rate), out);
    return out;
}

// Shares of the energy of the blocks [from, to), summed.
BandSums Shares(const std::vector<BandSums>& blocks, std::size_t from, std::size_t to) {
    BandSums s;
    for (std::size_t b = from; b < to; ++b) {
        s.low += blocks[b].low;
        s.mid += blocks[b].mid;
        s.high += blocks[b].high;
    }
    const double total = s.low + s.mid + s.high;
    return {s.low / total, s.mid / total, s.high / total};
}

// The bands the slow way: one pass over the whole signal from its start, in double, with
// the same plan (group sums, the upper lowpass, group sums again, the lower lowpass and
// highpass).
std::vector<BandSums> Serial(const std::vector<std::int16_t>& x, int channels, std::uint32_t rate) {
    const BandPlan plan = PlanBands(rate);
    const auto d = static_cast<std::size_t>(plan.decimate);
    const auto f = static_cast<std::size_t>(plan.decimateLow);
    const std::size_t frames = x.size() / static_cast<std::size_t>(channels);
    const std::size_t blocks = (frames + kBlock - 1) / kBlock;
    std::vector<double> mono(blocks * kBlock, 0.0);
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            mono[i] += x[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
        }
    }
    // Transposed direct form II with numerator n0, n1, n2.
    struct Biquad {
        double n0, n1, n2, a1, a2, s1 = 0, s2 = 0;
        double Step(double in) {
            const double y = n0 * in + s1;
            s1 = n1 * in - a1 * y + s2;
            s2 = n2 * in - a2 * y;
            return y;
        }
    };
    const auto lowpass = [](const sundrel::overview::Lowpass& p) {
        return Biquad{p.b0, 2.0 * p.b0, p.b0, p.a1, p.a2};
    };
    Biquad upper = lowpass(plan.upper);
    Biquad lower = lowpass(plan.lower);
    Biquad highpass{plan.lower.hb0, -2.0 * plan.lower.hb0, plan.lower.hb0, plan.lower.a1,
                    plan.lower.a2};
    const double scale = channels == 2 ? 0.25 : 1.0;
    std::vector<BandSums> out(blocks);
    double acc = 0;
    std::size_t accCount = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        double total = 0, below = 0, lowest = 0, middle = 0, sums = 0;
        for (std::size_t i = b * kBlock; i < (b + 1) * kBlock; i += d) {
            double sum = 0;
            for (std::size_t k = 0; k < d; ++k) {
                sum += mono[i + k];
                total += mono[i + k] * mono[i + k];
            }
            const double u = upper.Step(sum);
            below += u * u;
            acc += u;
            if (++accCount == f) {
                const double v = lower.Step(acc);
                const double h = highpass.Step(acc);
                lowest += v * v;
                middle += h * h;
                sums += acc * acc;
                acc = 0;
                accCount = 0;
            }
        }
        total *= scale;
        below *= scale / static_cast<double>(d);
        const double toLower = scale / static_cast<double>(d * f);
        const double lowPart = lowest * toLower;
        const double midPart = middle * toLower + std::max(0.0, below - sums * toLower);
        const double highPart = std::max(0.0, total - below);
        const double parts = lowPart + midPart + highPart;
        const double k = parts > 0 && total > 0 ? total / parts : 0.0;
        out[b] = {lowPart * k, midPart * k, highPart * k};
    }
    return out;
}

TEST(BandScan, TonesLandInTheirBandAndTheCrossoversSitWhereNamed) {
    for (const std::uint32_t rate : {8000u, 22050u, 44100u, 48000u, 96000u, 192000u}) {
        for (const int channels : {1, 2}) {
            const std::string where =
                std::to_string(rate) + " Hz, " + std::to_string(channels) + " channel(s)";
            const std::size_t frames = rate; // one second; the first 50 ms are left out
            const std::size_t from = rate / 20 / kBlock + 1;
            const auto shares = [&](double hz) {
                const auto blocks = Scan(Tone(channels, frames, hz, rate), channels, rate);
                return Shares(blocks, from, blocks.size() - 1);
            };
            EXPECT_GT(shares(80).low, 0.9) << where;
            EXPECT_GT(shares(1000).mid, 0.85) << where;
            if (rate >= 16000) {
                EXPECT_GT(shares(6000).high, 0.95) << where;
            }
            // At each crossover the two bands share the tone about equally.
            const BandSums at200 = shares(200);
            EXPECT_NEAR(at200.low, 0.5, 0.12) << where;
            EXPECT_NEAR(at200.mid, 0.5, 0.12) << where;
            const BandSums at2k = shares(2000);
            EXPECT_NEAR(at2k.mid, 0.5, 0.15) << where;
            EXPECT_NEAR(at2k.high, 0.5, 0.15) << where;
        }
    }
}

TEST(BandScan, TheBandsAddUpToEachBlocksEnergy) {
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 9000.0);
    std::uniform_int_distribution<int> full(-32768, 32767);
    const std::size_t frames = 40 * kBlock + 123; // a last block the signal does not fill
    struct Case {
        const char* name;
        int channels;
        std::function<double(std::size_t, int)> value;
    };
    std::vector<double> last(2, 0.0);
    const Case cases[] = {
        {"white noise, stereo", 2, [&](std::size_t, int) { return noise(rng); }},
        {"full-scale noise, mono", 1, [&](std::size_t, int) { return full(rng); }},
        {"full scale square wave, stereo", 2,
         [&](std::size_t f, int) { return f / 3 % 2 == 0 ? 32767.0 : -32768.0; }},
        // Left and right cancel: the mono sum is silent.
        {"opposite channels", 2,
         [&](std::size_t f, int c) {
             const double v = 8000.0 * std::sin(0.05 * static_cast<double>(f));
             return c == 0 ? v : -v;
         }},
    };
    for (const Case& c : cases) {
        const auto x = Make(c.channels, frames, c.value);
        const auto blocks = Scan(x, c.channels, 44100);
        ASSERT_EQ(blocks.size(), 41u) << c.name;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            double energy = 0;
            for (std::size_t i = b * kBlock; i < std::min(frames, (b + 1) * kBlock); ++i) {
                double m = 0;
                for (int ch = 0; ch < c.channels; ++ch) {
                    m += x[i * static_cast<std::size_t>(c.channels) + static_cast<std::size_t>(ch)];
                }
                m /= c.channels;
                energy += m * m;
            }
            const BandSums& s = blocks[b];
            EXPECT_GE(std::min({s.low, s.mid, s.high}), 0.0) << c.name << " block " << b;
            EXPECT_NEAR(s.low + s.mid + s.high, energy, 1e-5 * energy + 1e-3)
                << c.name << " block " << b;
        }
    }
}

TEST(BandScan, RunsAndChunksGiveWhatOnePassOverTheWholeSignalGives) {
    // Music-like: a kick every 250 ms, a bass line, hats; it changes at a block boundary in
    // the middle of a run and at the start of the second chunk.
    constexpr std::uint32_t kRate = 48000;
    const std::size_t chunk = static_cast<std::size_t>(MixSummary::ChunkFrames());
    const std::size_t frames = chunk + 100 * kBlock + 77;
    std::mt19937 rng(11);
    std::normal_distribution<double> hat(0.0, 1500.0);
    const auto value = [&](std::size_t f, int c) {
        const double t = static_cast<double>(f) / kRate;
        const double beat = std::fmod(t, 0.25);
        double v = 14000.0 * std::exp(-beat * 30.0) * std::sin(2 * std::numbers::pi * 55 * beat);
        v += 4000.0 * std::sin(2 * std::numbers::pi * (f < 300 * kBlock ? 110 : 147) * t);
        if (f >= 300 * kBlock && f < chunk + 40 * kBlock) {
            v += hat(rng) * (c == 0 ? 1.0 : 0.7);
        }
        return v;
    };
    for (const int channels : {1, 2}) {
        const auto x = Make(channels, frames, value);
        const auto want = Serial(x, channels, kRate);
        // The first chunk alone, then the second with the frames before it as its lead-in.
        const auto ch = static_cast<std::size_t>(channels);
        const std::vector<std::int16_t> first(x.begin(),
                                              x.begin() + static_cast<std::ptrdiff_t>(chunk * ch));
        const std::int64_t lead = sundrel::overview::BandLeadInFrames(kRate);
        const std::vector<std::int16_t> second(
            x.begin() + static_cast<std::ptrdiff_t>((chunk - static_cast<std::size_t>(lead)) * ch),
            x.end());
        std::vector<BandSums> got = Scan(first, channels, kRate);
        const auto rest = Scan(second, channels, kRate, lead);
        got.insert(got.end(), rest.begin(), rest.end());
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t b = 0; b < want.size(); ++b) {
            const double total = want[b].low + want[b].mid + want[b].high;
            const double tolerance = 2e-4 * total + 1.0;
            EXPECT_NEAR(got[b].low, want[b].low, tolerance) << "block " << b;
            EXPECT_NEAR(got[b].mid, want[b].mid, tolerance) << "block " << b;
            EXPECT_NEAR(got[b].high, want[b].high, tolerance) << "block " << b;
        }
    }
}

TEST(BandScan, TheSummaryKeepsTheBandsAtEveryLevel) {
    constexpr std::uint32_t kRate = 48000;
    const std::int64_t chunk = MixSummary::ChunkFrames();
    const auto frames = static_cast<std::size_t>(2 * chunk + 5000);
    // Bass for the first chunk, hats after it.
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 6000.0);
    const auto x = Make(2, frames, [&](std::size_t f, int) {
        return f < static_cast<std::size_t>(chunk)
                   ? 12000.0 *
                         std::sin(2.0 * std::numbers::pi * 60.0 * static_cast<double>(f) / kRate)
                   : noise(rng) - (f % 2 == 0 ? 0.0 : noise(rng));
    });
    MixSummary summary({1, 2, kRate, 16, false}, static_cast<std::int64_t>(frames));
    // Published out of order, each chunk with its lead-in.
    for (const std::int64_t k : {2, 0, 1}) {
        const std::int64_t lead = std::min(summary.LeadInFrames(), k * chunk);
        const auto begin = static_cast<std::size_t>((k * chunk - lead) * 2);
        const auto end = static_cast<std::size_t>((k * chunk + summary.ChunkFrameCount(k)) * 2);
        summary.PublishChunk(k, std::span(x).subspan(begin, end - begin), lead);
    }
    const auto want = Serial(x, 2, kRate);
    for (int level = 0; level < summary.Levels(); ++level) {
        const std::int64_t size = summary.BlockFrames(level);
        for (std::int64_t b = 0; b < summary.BlockCount(level); ++b) {
            BandSums sum;
            const std::int64_t end = std::min<std::int64_t>((b + 1) * size, frames);
            for (std::int64_t i = b * size / kBaseBlockFrames; i * kBaseBlockFrames < end; ++i) {
                const BandSums& w = want[static_cast<std::size_t>(i)];
                sum.low += w.low;
                sum.mid += w.mid;
                sum.high += w.high;
            }
            const double count = static_cast<double>(end - b * size);
            const Bands got = summary.BandBlock(level, b);
            const std::string where =
                "level " + std::to_string(level) + " block " + std::to_string(b);
            EXPECT_NEAR(got.low, std::sqrt(sum.low / count), 1.0) << where;
            EXPECT_NEAR(got.mid, std::sqrt(sum.mid / count), 1.0) << where;
            EXPECT_NEAR(got.high, std::sqrt(sum.high / count), 1.0) << where;
        }
    }
    // A range and columns over the bass, then over the hats.
    const auto bass = summary.BandRange(0, chunk);
    ASSERT_TRUE(bass.has_value());
    EXPECT_GT(bass->low, 4 * std::max(bass->mid, bass->high));
    const auto hats = summary.BandRange(chunk, static_cast<std::int64_t>(frames));
    ASSERT_TRUE(hats.has_value());
    EXPECT_GT(hats->high, 2 * std::max(hats->low, hats->mid));
    std::vector<Bands> columns(4);
    bool ready[4] = {};
    summary.BandColumns(0.0, static_cast<double>(frames) / 4, columns, ready);
    EXPECT_TRUE(ready[0] && ready[3]);
    EXPECT_GT(columns[0].low, columns[0].high);
    EXPECT_GT(columns[3].high, columns[3].low);
    EXPECT_FALSE(summary.BandRange(static_cast<std::int64_t>(frames), 1 << 30).has_value());
}

TEST(BandScan, OnePassGivesWhatTheTwoScansGiveBitForBit) {
    // Every band plan (groups of 1, 2, 4, 8, 16 and 32 frames), whole and partial blocks,
    // lead-ins of none, part of a block, whole blocks and more, samples starting one value
    // past an aligned address, and values at both ends of the range (two squares of -32768
    // overflow a signed 32-bit lane; channel sums reach -65536).
    std::mt19937 rng(13);
    std::uniform_int_distribution<int> full(-32768, 32767);
    std::normal_distribution<double> quiet(0.0, 40.0);
    const auto value = [&](std::size_t f, int c) -> double {
        if (f % 3000 < 700) {
            return -32768.0;
        }
        if (f % 3000 < 900) {
            return c == 0 ? 32767.0 : -32768.0;
        }
        return f % 2000 < 1000 ? full(rng) : quiet(rng);
    };
    const std::uint32_t rates[] = {8000, 16000, 22050, 44100, 48000, 96000, 192000};
    const std::size_t counts[] = {24 * kBlock, 37 * kBlock + 300, 200};
    const std::size_t leads[] = {0, 77, 2 * kBlock, 3 * kBlock + 5};
    for (const std::uint32_t rate : rates) {
        const BandPlan plan = PlanBands(rate);
        for (const int channels : {1, 2}) {
            const auto ch = static_cast<std::size_t>(channels);
            for (const std::size_t count : counts) {
                for (const std::size_t lead : leads) {
                    const std::string where =
                        std::to_string(rate) + " Hz, " + std::to_string(channels) + " ch, " +
                        std::to_string(count) + " frames after " + std::to_string(lead);
                    const auto made = Make(channels, lead + count, value);
                    std::vector<std::int16_t> buffer(made.size() + 1);
                    std::copy(made.begin(), made.end(), buffer.begin() + 1);
                    const std::span<const std::int16_t> x = std::span(buffer).subspan(1);
                    const std::size_t blocks = (count + kBlock - 1) / kBlock;
                    const auto signedLead = static_cast<std::int64_t>(lead);

                    std::vector<BandSums> wantBands(blocks);
                    ScanBands(x, channels, signedLead, plan, wantBands);
                    std::vector<BlockSums> wantSums(blocks * ch);
                    sundrel::overview::ScanBlocks(x.subspan(lead * ch), channels, wantSums);
                    std::vector<BandSums> gotBands(blocks);
                    std::vector<BlockSums> gotSums(blocks * ch);
                    sundrel::overview::ScanBlocksAndBands(x, channels, signedLead, plan, gotBands,
                                                          gotSums);
                    for (std::size_t k = 0; k < gotSums.size(); ++k) {
                        const BlockSums &g = gotSums[k], &w = wantSums[k];
                        ASSERT_EQ(std::tuple(g.min, g.max, g.squares),
                                  std::tuple(w.min, w.max, w.squares))
                            << where << ", entry " << k;
                    }
                    for (std::size_t b = 0; b < blocks; ++b) {
                        const BandSums &g = gotBands[b], &w = wantBands[b];
                        ASSERT_EQ(std::tuple(g.low, g.mid, g.high),
                                  std::tuple(w.low, w.mid, w.high))
                            << where << ", block " << b;
                    }
                }
            }
        }
    }
}

TEST(BandScan, WrongSizesAndLeadInsAreRefused) {
    const auto x = Tone(2, 3 * kBlock, 100, 44100);
    std::vector<BandSums> out(2);
    EXPECT_THROW(ScanBands(x, 2, 0, PlanBands(44100), out), std::invalid_argument);
    // Room for the blocks of one channel only.
    std::vector<BandSums> three(3);
    std::vector<BlockSums> sums(3);
    EXPECT_THROW(sundrel::overview::ScanBlocksAndBands(x, 2, 0, PlanBands(44100), three, sums),
                 std::invalid_argument);
    MixSummary summary({1, 2, 44100, 16, false}, 3 * static_cast<std::int64_t>(kBlock));
    // Chunk 0 has nothing before it.
    EXPECT_THROW(summary.PublishChunk(0, x, 10), std::invalid_argument);
    EXPECT_NO_THROW(summary.PublishChunk(0, x, 0));
}

} // namespace
