#include "sound/OutputDevices.h"
#include "sound/MakeWaveOut.h"
#include "sound/NullOut.h"
#include "sound/PortAudioOut.h"

#include "core/riff/WaveLayout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

// Sets SUNDREL_AUDIO for one test and puts back what was there.
class AudioEnv {
  public:
    explicit AudioEnv(const char* value) {
        if (const char* old = std::getenv("SUNDREL_AUDIO")) {
            m_old = old;
            m_had = true;
        }
        if (value != nullptr) {
            ::setenv("SUNDREL_AUDIO", value, 1);
        } else {
            ::unsetenv("SUNDREL_AUDIO");
        }
    }
    ~AudioEnv() {
        if (m_had) {
            ::setenv("SUNDREL_AUDIO", m_old.c_str(), 1);
        } else {
            ::unsetenv("SUNDREL_AUDIO");
        }
    }

  private:
    std::string m_old;
    bool m_had = false;
};

TEST(OutputDevices, TheNullDeviceIsListedAloneAndMadeForAnyChoice) {
    const AudioEnv env("null");
    const auto devices = sundrel::audio::ListOutputDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_TRUE(devices[0].id.empty());
    EXPECT_NE(devices[0].label.find("Null"), std::string::npos);
    // A device remembered from a machine with sound still plays (silently) here.
    for (const char* id : {"", "ALSA: USB Audio CODEC: - (hw:1,0)"}) {
        const auto out = sundrel::audio::MakeWaveOut(id);
        EXPECT_NE(dynamic_cast<sundrel::audio::NullOut*>(out.get()), nullptr) << id;
    }
}

TEST(OutputDevices, PortAudioListsTheDefaultFirstAndEachDeviceOnce) {
    const AudioEnv env(nullptr);
    EXPECT_EQ(dynamic_cast<sundrel::audio::NullOut*>(sundrel::audio::MakeWaveOut().get()), nullptr);
    const auto devices = sundrel::audio::ListOutputDevices();
    ASSERT_FALSE(devices.empty());
    EXPECT_TRUE(devices[0].id.empty());
    EXPECT_EQ(devices[0].label.rfind("System default", 0), 0u) << devices[0].label;
    std::set<std::string> ids;
    for (std::size_t i = 1; i < devices.size(); ++i) {
        EXPECT_FALSE(devices[i].id.empty());
        EXPECT_TRUE(ids.insert(devices[i].id).second) << "listed twice: " << devices[i].id;
    }
}

TEST(OutputDevices, AChosenDeviceThatIsGoneIsNotReplacedByTheDefault) {
    const AudioEnv env(nullptr);
    sundrel::audio::PortAudioOut out("Nowhere: a card that was unplugged");
    const sundrel::WaveOutStatus status =
        out.Open(sundrel::MakeWaveFormatEx({sundrel::kFormatPcm, 2, 44100, 16, false}), [] {});
    if (status.error == sundrel::WaveOutError::Failed) {
        GTEST_SKIP() << "PortAudio did not start here: " << status.message;
    }
    EXPECT_EQ(status.error, sundrel::WaveOutError::NoDevice);
    EXPECT_NE(status.message.find("a card that was unplugged"), std::string::npos)
        << status.message;
}

} // namespace
