#pragma once

// Split tracks as independent readers see them: every sample as libsndfile (or, where it stops
// at 24 bits, the flac tool) decodes it, and the tags as ffprobe shows them.

#include "ChildProcess.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <string>
#include <vector>

namespace trackread {

inline std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// Every sample of a file as libsndfile reads it: left-justified to 32 bits, so 8-bit WAV
// (unsigned) and 8-bit FLAC (signed) samples of the same value read the same. Files libsndfile
// cannot read (FLAC deeper than 24 bits) are decoded to WAV by the flac tool first.
inline std::vector<int> Samples(const std::filesystem::path& path, int* channels = nullptr) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (sf == nullptr && path.extension() == ".flac") {
        const std::filesystem::path wav = path.string() + ".decoded.wav";
        const auto [out, status] =
            childproc::Shell("flac -d -s -f -o " + Quoted(wav) + " " + Quoted(path) + " 2>&1");
        EXPECT_EQ(status, 0) << path << ": " << out;
        std::vector<int> samples = Samples(wav, channels);
        std::filesystem::remove(wav);
        return samples;
    }
    EXPECT_NE(sf, nullptr) << path << ": " << sf_strerror(nullptr);
    if (sf == nullptr) {
        return {};
    }
    // Read to the end: a FLAC stream without samples says its length is unknown.
    std::vector<int> samples;
    std::vector<int> block(std::size_t{4096} * static_cast<std::size_t>(info.channels));
    for (sf_count_t n; (n = sf_readf_int(sf, block.data(), 4096)) > 0;) {
        samples.insert(samples.end(), block.begin(), block.begin() + n * info.channels);
    }
    sf_close(sf);
    if (channels != nullptr) {
        *channels = info.channels;
    }
    return samples;
}

// The samples of `mix` from element `first`, `count` of them.
inline std::vector<int> SamplesOf(const std::vector<int>& mix, std::size_t first,
                                  std::size_t count) {
    return {mix.begin() + static_cast<std::ptrdiff_t>(first),
            mix.begin() + static_cast<std::ptrdiff_t>(first + count)};
}

inline bool HaveTool(const char* name) {
    return childproc::Shell(std::string("command -v ") + name).second == 0;
}

// The format tags ffprobe reads from a file, as JSON.
inline std::string Ffprobe(const std::filesystem::path& path) {
    return childproc::Shell("ffprobe -v error -show_entries format_tags -of json " + Quoted(path))
        .first;
}

} // namespace trackread
