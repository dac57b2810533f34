// The block read of SampleReader against its element read, for every sample format.

#include "core/audio/SampleReader.h"
#include "support/WavFixture.h"

#include <gtest/gtest.h>

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(SampleReader, ElementsMatchElementInEveryFormat) {
    struct Case {
        std::string name;
        fixture::Format format;
    };
    const std::vector<Case> cases{
        {"8-bit", {1, 2, 22050, 8}},   {"16-bit", {1, 2, 44100, 16}}, {"24-bit", {1, 1, 48000, 24}},
        {"32-bit", {1, 2, 44100, 32}}, {"float", {3, 2, 44100, 32}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fixture::Bytes audio = fixture::TestSignal(c.format, 2001, 3);
        const sundrel::SampleReader reader(
            audio, {c.format.tag, c.format.channels, c.format.rate, c.format.bits, false});
        const std::int64_t count = reader.ElementCount();
        for (const std::int64_t first : {std::int64_t{0}, std::int64_t{5}}) {
            std::vector<std::int32_t> block(static_cast<std::size_t>(count - first));
            reader.Elements(first, block);
            for (std::size_t i = 0; i < block.size(); ++i) {
                ASSERT_EQ(block[i], reader.Element(first + static_cast<std::int64_t>(i))) << i;
            }
        }
        std::vector<std::int32_t> two(2);
        EXPECT_THROW(reader.Elements(count - 1, two), std::out_of_range);
        EXPECT_THROW(reader.Elements(-1, two), std::out_of_range);
        reader.Elements(count, std::span<std::int32_t>{}); // an empty read at the end is fine
    }
}

} // namespace
