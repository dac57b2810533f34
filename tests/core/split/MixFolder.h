#pragma once

// A folder for a split test: mix.wav, a canonical file of test audio, and an empty out/.

#include "support/WavFixture.h"

#include <filesystem>

namespace splittest {

struct MixFolder {
    fixture::TempDir dir;
    fixture::Format format;
    fixture::Bytes audio;
    std::filesystem::path mix = dir / "mix.wav";
    std::filesystem::path out = dir / "out";
    explicit MixFolder(std::size_t frames, const fixture::Format& f = {})
        : format(f), audio(fixture::TestSignal(f, frames)) {
        fixture::WriteFile(mix, fixture::CanonicalWav(f, audio));
        std::filesystem::create_directory(out);
    }
};

} // namespace splittest
