#include "core/trackinfo/TrackInfoTuning.h"

#include "support/Thrown.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace sundrel {
namespace {

TEST(TrackInfoTuning, ReadsEveryNameAndRefusesWholeOnABadPart) {
    TrackInfoTuning t;
    ParseTrackInfoTuning("salience=1.5,onset-cap=3,harmonics=5,prior-width=0.8,tonal-share=0.2", t);
    EXPECT_EQ(
        (std::tuple{t.minBeatSalience, t.onsetCap, t.harmonics, t.priorWidth, t.minTonalShare}),
        (std::tuple{1.5, 3.0, 5.0, 0.8, 0.2}));
    ParseTrackInfoTuning("", t); // nothing to change
    EXPECT_DOUBLE_EQ(t.minBeatSalience, 1.5);

    for (const std::string bad : {"salience=2,speed=2", "salience", "salience=", "salience=-1",
                                  "salience=1e999", "salience=2x", "salience=nan", "=3"}) {
        SCOPED_TRACE(bad);
        TrackInfoTuning kept;
        EXPECT_THAT(
            fixture::Refusal<std::invalid_argument>([&] { ParseTrackInfoTuning(bad, kept); }),
            testing::StartsWith("tuning: "));
        EXPECT_EQ(kept.minBeatSalience, TrackInfoTuning{}.minBeatSalience);
    }
}

} // namespace
} // namespace sundrel
