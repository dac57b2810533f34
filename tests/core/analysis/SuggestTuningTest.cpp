#include "core/analysis/SuggestTuning.h"
#include "core/analysis/Calibration.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(SuggestTuning, ReadsEveryNameAndRefusesWholeOnABadPart) {
    sundrel::SuggestTuning t;
    sundrel::ParseTuning("penalty=14,length-prior=0.5,novelty-bonus=1,sudden-bonus=2,"
                         "tile-bonus=5,key-bonus=6,tempo-bonus=0.25,blend-bonus=1.5,"
                         "min-share=0.34,silence-mix=3,"
                         "silence-evidence=0.7,"
                         "sharpness=4",
                         t);
    EXPECT_DOUBLE_EQ(t.penaltyPerLogHop, 14.0);
    EXPECT_DOUBLE_EQ(t.lengthPrior, 0.5);
    EXPECT_DOUBLE_EQ(t.noveltyBonus, 1.0);
    EXPECT_DOUBLE_EQ(t.suddenBonus, 2.0);
    EXPECT_DOUBLE_EQ(t.tileBonus, 5.0);
    EXPECT_DOUBLE_EQ(t.keyBonus, 6.0);
    EXPECT_DOUBLE_EQ(t.tempoBonus, 0.25);
    EXPECT_DOUBLE_EQ(t.blendBonus, 1.5);
    EXPECT_DOUBLE_EQ(t.minShareOfMean, 0.34);
    EXPECT_DOUBLE_EQ(t.silenceMixFactor, 3.0);
    EXPECT_DOUBLE_EQ(t.silenceEvidence, 0.7);
    EXPECT_DOUBLE_EQ(t.sharpness, 4.0);
    sundrel::ParseTuning("", t); // nothing to change
    EXPECT_DOUBLE_EQ(t.penaltyPerLogHop, 14.0);

    for (const std::string bad : {"penalty=20,speed=2", "penalty", "penalty=", "penalty=-1",
                                  "penalty=1e999", "penalty=2x", "penalty=nan", "=3"}) {
        SCOPED_TRACE(bad);
        sundrel::SuggestTuning kept;
        try {
            sundrel::ParseTuning(bad, kept);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("tuning: "), std::string::npos);
        }
        EXPECT_EQ(kept.penaltyPerLogHop, sundrel::SuggestTuning{}.penaltyPerLogHop);
    }
}

// The confidence is read from a fitted table: it must stay a chance and never fall as the
// evidence grows, for either kind, also for scores outside 0..1.
TEST(Calibration, ConfidenceIsAChanceThatRisesWithTheScore) {
    for (const bool countKnown : {true, false}) {
        for (const auto kind :
             {sundrel::SuggestionKind::Transition, sundrel::SuggestionKind::Silence}) {
            double last = -1.0;
            for (int i = -10; i <= 110; ++i) {
                const double c = sundrel::CalibratedConfidence(kind, i / 100.0, countKnown);
                EXPECT_GE(c, 0.0);
                EXPECT_LE(c, 1.0);
                EXPECT_GE(c, last) << "score " << i / 100.0 << " count known " << countKnown;
                last = c;
            }
        }
    }
}

} // namespace
