#include "core/decode/AudioDecoder.h"
#include "core/match/FileTags.h"
#include "support/Thrown.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace sundrel {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kRate = 8000;

void Shell(const std::string& command) {
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

// Three seconds of a 440 Hz tone, stereo at `rate`, as a 16-bit WAV.
fs::path ToneWav(const fixture::TempDir& dir, int rate) {
    const fs::path wav = dir / ("tone" + std::to_string(rate) + ".wav");
    Shell("ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=3:sample_rate=" +
          std::to_string(rate) + " -ac 2 -c:a pcm_s16le " + Quoted(wav));
    return wav;
}

// The frequency of a tone from its rising zero crossings over the middle second.
double ToneHz(const std::vector<float>& x) {
    int crossings = 0;
    for (std::size_t i = kRate + 1; i < 2 * kRate; ++i) {
        crossings += x[i - 1] < 0.0f && x[i] >= 0.0f;
    }
    return crossings;
}

TEST(AudioDecoder, DecodesEveryListedFormatToMonoAtTheAnalysisRateWholeOrInBlocks) {
    fixture::TempDir dir;
    const fs::path wav = ToneWav(dir, 44100);
    const fs::path wav48 = ToneWav(dir, 48000);
    const std::string ff = "ffmpeg -nostdin -v error -y -i ";
    const std::vector<std::pair<std::string, std::string>> made = {
        {"a.mp3", ff + "{in} -c:a libmp3lame -b:a 192k {out}"},
        {"a.m4a", ff + "{in} -c:a aac -b:a 160k {out}"},
        {"a.aac", ff + "{in} -c:a aac -b:a 160k {out}"},
        {"a.flac", "flac -s -f -o {out} {in}"},
        {"a.ogg", "oggenc -Q -o {out} {in}"},
        {"a.opus", ff + "{in} -c:a libopus -b:a 128k {out}"},
        {"a.wav", "cp {in} {out}"},
        {"a.aiff", ff + "{in} -c:a pcm_s16be {out}"},
        {"b48.mp3", ff + "{in48} -c:a libmp3lame {out}"},
        {"b48.flac", "flac -s -f -o {out} {in48}"},
    };
    for (const auto& [name, pattern] : made) {
        std::string command = pattern;
        const fs::path out = dir / name;
        for (const auto& [key, value] :
             {std::pair<std::string, fs::path>{"{in48}", wav48}, {"{in}", wav}, {"{out}", out}}) {
            const auto at = command.find(key);
            if (at != std::string::npos) {
                command.replace(at, key.size(), Quoted(value));
            }
        }
        Shell(command);
        DecodedInfo info;
        const std::vector<float> mono = DecodeMono(out, kRate, &info);
        // Encoder delay and padding are removed where the file says how much; an MP3
        // without that note (none of these) or an AAC may keep a few ms.
        EXPECT_NEAR(double(mono.size()) / kRate, 3.0, 0.06) << name;
        EXPECT_EQ(info.frames, std::int64_t(mono.size())) << name;
        EXPECT_EQ(info.sourceRate,
                  name[0] == 'b' ? 48000u : (std::string(name) == "a.opus" ? 48000u : 44100u))
            << name;
        EXPECT_NEAR(ToneHz(mono), 440.0, 3.0) << name;
    }
    // Streamed, the same samples come in blocks.
    std::vector<float> streamed;
    std::size_t blocks = 0;
    DecodeMonoStream(wav, kRate, [&](std::span<const float> block) {
        ++blocks;
        streamed.insert(streamed.end(), block.begin(), block.end());
    });
    EXPECT_GT(blocks, 1u);
    EXPECT_EQ(streamed, DecodeMono(wav, kRate));
}

std::string DecodeMessage(const fs::path& path) {
    return fixture::Refusal<DecodeError>([&] { DecodeMono(path, kRate); });
}

TEST(AudioDecoder, RefusesWhatIsNotAudioNamingTheFile) {
    fixture::TempDir dir;
    std::ofstream(dir / "notes.mp3") << "These are the set's notes, not audio.\n";
    std::ofstream(dir / "empty.flac");
    std::string noise(20000, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 7919u) % 251u);
    }
    std::ofstream(dir / "garbage.ogg", std::ios::binary) << noise;
    Shell("ffmpeg -nostdin -v error -y -f lavfi -i color=c=red:s=32x32:d=1 -frames:v 1 " +
          Quoted(dir / "cover.png"));
    for (const char* name : {"notes.mp3", "empty.flac", "garbage.ogg", "cover.png", "gone.wav"}) {
        const std::string message = DecodeMessage(dir / name);
        EXPECT_EQ(message.rfind((dir / name).string() + ": ", 0), 0u) << message;
        EXPECT_NE(message, "no error") << name;
    }
    EXPECT_NE(DecodeMessage(dir / "cover.png").find("has no audio"), std::string::npos);
    EXPECT_NE(DecodeMessage(dir / "gone.wav").find("cannot be opened"), std::string::npos);
}

TEST(FileTags, ReadsTheTagsOrFallsBackToTheFileName) {
    fixture::TempDir dir;
    const fs::path wav = ToneWav(dir, 44100);
    Shell("flac -s -f --tag=TITLE=Night\\ Drive --tag=ARTIST=Kai --tag=ALBUM=Roads "
          "--tag=BPM=124 --tag=INITIALKEY=8A --tag=DATE=2019 --tag=GENRE=House "
          "--tag=ISRC=GBAYE0601498 -o " +
          Quoted(dir / "t.flac") + " " + Quoted(wav));
    EXPECT_EQ(ReadFileTags(dir / "t.flac"), (FileTags{"Night Drive", "Kai", "Roads", "124", "8A",
                                                      "2019", "House", "GBAYE0601498"}));
    Shell("ffmpeg -nostdin -v error -y -i " + Quoted(wav) +
          " -c:a libmp3lame -metadata title=Über -metadata artist=Zoë -metadata album=Set " +
          Quoted(dir / "t.mp3"));
    const FileTags mp3 = ReadFileTags(dir / "t.mp3");
    EXPECT_EQ(std::tuple(mp3.title, mp3.artist, mp3.album), std::tuple("Über", "Zoë", "Set"));
    Shell("oggenc -Q -t 'Slow Burn' -a Mira -o " + Quoted(dir / "t.ogg") + " " + Quoted(wav));
    EXPECT_EQ(ReadFileTags(dir / "t.ogg").title, "Slow Burn");
    EXPECT_EQ(ReadFileTags(dir / "t.ogg").artist, "Mira");
    EXPECT_EQ(ReadFileTags(wav).title, "tone44100"); // no tags
    EXPECT_EQ(ReadFileTags(dir / "missing.mp3").title, "missing");
}

} // namespace
} // namespace sundrel
