#pragma once

// A session (no sound device) with a 100-second mix open: 16-bit mono at 1 kHz, so frame n is
// n milliseconds in. The fixture of the session's tests.

#include "core/session/MixSession.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>
#include <memory>

namespace fixture {

class SessionOnMix : public ::testing::Test {
  protected:
    TempDir dir;
    sundrel::MixSession session{{}};

    void SetUp() override {
        const Format format{1, 1, 1000, 16};
        WriteFile(dir / "mix.wav", CanonicalWav(format, Counting(100'000 * 2)));
        session.Load(std::make_shared<CWaveFile>(dir / "mix.wav"), false);
    }
};

} // namespace fixture
