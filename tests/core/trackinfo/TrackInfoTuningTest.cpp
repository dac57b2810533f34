#include "core/trackinfo/TrackInfoTuning.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace sundrel {
namespace {

TEST(TrackInfoTuning, ReadsEveryNameAndRefusesWholeOnABadPart) {
    TrackInfoTuning t;
    ParseTrackInfoTuning("salience=1.5,onset-cap=3,harmonics=5,"
                         "prior-width=0.8,tonal-share=0.2",
                         t);
    EXPECT_DOUBLE_EQ(t.minBeatSalience, 1.5);
    EXPECT_DOUBLE_EQ(t.onsetCap, 3.0);
    EXPECT_DOUBLE_EQ(t.harmonics, 5.0);
    EXPECT_DOUBLE_EQ(t.priorWidth, 0.8);
    EXPECT_DOUBLE_EQ(t.minTonalShare, 0.2);
    ParseTrackInfoTuning("", t); // nothing to change
    EXPECT_DOUBLE_EQ(t.minBeatSalience, 1.5);

    for (const std::string bad : {"salience=2,speed=2", "salience", "salience=", "salience=-1",
                                  "salience=1e999", "salience=2x", "salience=nan", "=3"}) {
        SCOPED_TRACE(bad);
        TrackInfoTuning kept;
        try {
            ParseTrackInfoTuning(bad, kept);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("tuning: "), std::string::npos);
        }
        EXPECT_EQ(kept.minBeatSalience, TrackInfoTuning{}.minBeatSalience);
    }
}

} // namespace
} // namespace sundrel
