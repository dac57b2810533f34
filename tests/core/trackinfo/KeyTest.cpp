#include "core/trackinfo/MusicalKey.h"

#include "TestMusic.h"
#include "core/trackinfo/TrackChroma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

namespace sundrel {
namespace {

TEST(MusicalKey, NamesInStandardAndCamelotNotation) {
    const struct {
        MusicalKey key;
        const char* name;
        const char* shortName;
        const char* camelot;
    } cases[] = {
        {{0, false}, "C major", "C", "8B"},   {{9, true}, "A minor", "Am", "8A"},
        {{7, false}, "G major", "G", "9B"},   {{4, true}, "E minor", "Em", "9A"},
        {{4, false}, "E major", "E", "12B"},  {{1, true}, "C# minor", "C#m", "12A"},
        {{1, false}, "Db major", "Db", "3B"}, {{10, true}, "Bb minor", "Bbm", "3A"},
        {{6, false}, "F# major", "F#", "2B"}, {{3, true}, "Eb minor", "Ebm", "2A"},
        {{8, true}, "G# minor", "G#m", "1A"}, {{11, false}, "B major", "B", "1B"},
        {{5, false}, "F major", "F", "7B"},   {{2, true}, "D minor", "Dm", "7A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KeyName(c.key), c.name);
        EXPECT_EQ(KeyShortName(c.key), c.shortName);
        EXPECT_EQ(CamelotName(c.key), c.camelot);
    }
    // Every number and letter of the wheel once.
    std::set<std::string> wheel;
    for (int tonic = 0; tonic < 12; ++tonic) {
        wheel.insert(CamelotName({tonic, false}));
        wheel.insert(CamelotName({tonic, true}));
    }
    EXPECT_EQ(wheel.size(), 24u);
}

// Every key, three progressions each, as the chroma of one track.
TEST(MusicalKey, SynthesizedProgressionsInEveryKey) {
    const double rate = 11025;
    int right = 0, total = 0;
    std::string wrong;
    for (int tonic = 0; tonic < 12; ++tonic) {
        for (const bool minor : {false, true}) {
            for (int variant = 0; variant < 3; ++variant) {
                const auto music = testmusic::ChordProgression(tonic, minor, variant, 2.0, rate);
                const auto key = TrackKey(music, rate);
                ++total;
                const MusicalKey expected{tonic, minor};
                if (key && *key == expected) {
                    ++right;
                } else {
                    wrong += " " + KeyShortName(expected) + "/" + std::to_string(variant) + "->" +
                             (key ? KeyShortName(*key) : std::string("none"));
                }
            }
        }
    }
    RecordProperty("right", right);
    EXPECT_GE(right * 100, total * 80) << right << " of " << total << " right; wrong:" << wrong;
}

TEST(MusicalKey, TheChromaOfASingleNoteIsItsPitchClass) {
    const double rate = 11025;
    // A 440 Hz tone and its octave: pitch class A (9).
    const auto tone = testmusic::Mix(testmusic::Sine(440, 0, 0.5, 3, rate),
                                     testmusic::Sine(880, 0, 0.2, 3, rate));
    const Chroma c = TrackHarmony(tone, rate).chroma;
    EXPECT_EQ(std::max_element(c.begin(), c.end()) - c.begin(), 9);
    EXPECT_EQ(TrackHarmony(std::vector<float>(10), rate).chroma, Chroma{})
        << "shorter than a frame";
    EXPECT_EQ(TrackHarmony(std::vector<float>(44100), rate).frames, 0u) << "silence";
}

// No pitch (no chroma, a flat one, a negative one) is no key; noise and drums alone spread
// over every semitone: no key. Drums over chords keep the chords' key.
TEST(MusicalKey, NoKeyWithoutPitchNorInNoiseOrDrumsAlone) {
    EXPECT_FALSE(KeyOfChroma(Chroma{}));
    Chroma flat;
    flat.fill(3.0);
    EXPECT_FALSE(KeyOfChroma(flat));
    Chroma bad{};
    bad[0] = -1;
    EXPECT_FALSE(KeyOfChroma(bad));
    const double rate = 11025;
    EXPECT_FALSE(TrackKey(testmusic::PinkNoise(30, rate, 0.1), rate));
    const auto drums = testmusic::DrumLoop(128, 30, rate);
    EXPECT_FALSE(TrackKey(drums, rate));
    testmusic::Signal chords;
    while (chords.size() < drums.size()) {
        const auto bar = testmusic::ChordProgression(7, false, 1, 2.0, rate);
        chords.insert(chords.end(), bar.begin(), bar.end());
    }
    EXPECT_EQ(TrackKey(testmusic::Mix(drums, chords, 0.6f), rate), (MusicalKey{7, false}));
}

} // namespace
} // namespace sundrel
