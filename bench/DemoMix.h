#pragma once

// The analyses' benchmark mix: 2 hours of 16-bit stereo at the demo's rate, ten copies of
// twelve one-minute demo tracks with 8-s crossfades, so tempo, key and boundaries vary.

#include "BenchIo.h"
#include "core/demo/DemoMix.h"
#include "core/split/TrackHeader.h"

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace benchio {

inline constexpr double kDemoMixSeconds = 2 * 3600.0;

inline void WriteDemoMix(const std::filesystem::path& path) {
    sundrel::demo::DemoPlan plan;
    for (int i = 0; i < 12; ++i) {
        plan.tracks.push_back(
            {100.0 + 4.0 * i, 41.2 * (1.0 + 0.09 * (i % 7)), 0.2 + 0.07 * (i % 11), 60.0});
    }
    plan.crossfadeSeconds = 8.0;
    const std::vector<std::int16_t> block = sundrel::demo::GenerateDemoMix(plan);
    const auto frames = static_cast<std::uint64_t>(kDemoMixSeconds * sundrel::demo::kDemoRate);
    const std::uint64_t dataSize = frames * 4;
    const auto header = sundrel::MakeTrackHeader(
        sundrel::MakeWaveFormatEx({sundrel::kFormatPcm, 2, sundrel::demo::kDemoRate, 16, false}),
        dataSize);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        Die(path.string());
    }
    WriteAll(fd, header.data(), header.size());
    for (std::uint64_t done = 0; done < dataSize;) {
        const std::uint64_t n = std::min<std::uint64_t>(block.size() * 2, dataSize - done);
        WriteAll(fd, block.data(), static_cast<std::size_t>(n));
        done += n;
    }
    if (::close(fd) != 0) {
        Die("close");
    }
}

} // namespace benchio
