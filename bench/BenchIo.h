#pragma once

// What the benchmark programs share: setting up their files (a benchmark that cannot write its
// input has nothing to measure, so every failure ends it with the reason) and the timings and
// the plain read pass their ratios are measured against.

#include "core/io/WriteAll.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace benchio {

[[noreturn]] inline void Die(const std::string& what) {
    std::perror(what.c_str());
    std::exit(1);
}

// The load average of the machine, printed beside the timings: the ratios are only comparable
// between runs under a similar load.
inline void PrintLoad(const char* when) {
    double load[3] = {};
    if (::getloadavg(load, 3) == 3) {
        std::printf("load average %s: %.2f %.2f %.2f (%u cores)\n", when, load[0], load[1], load[2],
                    std::thread::hardware_concurrency());
    }
}

// The processor seconds this process has used so far, all its threads together. On a machine
// other work shares, wall times stretch with the load; processor times much less.
inline double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

// The seconds since `since`.
inline double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One plain pass over the file: read() through a 1 MiB buffer, touching every byte; the
// baseline the analyses' times are measured against.
inline double ReadPass(const std::filesystem::path& path) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        Die(path.string());
    }
    std::vector<unsigned char> buffer(1 << 20);
    unsigned long sum = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
        for (ssize_t i = 0; i < n; i += 64) {
            sum += buffer[static_cast<std::size_t>(i)];
        }
    }
    ::close(fd);
    const double elapsed = Seconds(start);
    std::fprintf(stderr, "(checksum %lu)\n", sum);
    return elapsed;
}

// The sum of a piece as fast as plain code gets it: 8 int32 lanes side by side (one vector of
// int16; a piece of 1 MiB gives each lane 65536 values, which cannot overflow), kept in
// registers by GCC's vectoriser at -O2 (SSE2). The same loop built for AVX2 is no faster: the
// pass is bound by the copy out of the page cache, not by the sum.
inline std::int64_t Sum(std::span<const std::int16_t> values) {
    std::int32_t lanes[8] = {};
    const std::int16_t* x = values.data();
    for (std::size_t i = 0; i + 8 <= values.size(); i += 8) {
        for (std::size_t l = 0; l < 8; ++l) {
            lanes[l] += x[i + l];
        }
    }
    std::int64_t sum = 0;
    for (const std::int32_t lane : lanes) {
        sum += lane;
    }
    return sum;
}

// The percentages of a split into sixteen tracks of uneven lengths (0 and 100 included), the
// same in every benchmark so that their figures compare.
inline std::vector<float> UnevenPercents() {
    std::vector<float> percents{0.0f};
    std::mt19937 rng(3);
    for (int i = 0; i < 15; ++i) {
        percents.push_back(static_cast<float>(rng() % 10000) / 100.0f);
    }
    std::sort(percents.begin(), percents.end());
    percents.push_back(100.0f);
    return percents;
}

// The middle of the timings.
inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Empties the output folder and lets the disk settle, outside the timed part.
inline void Clear(const std::filesystem::path& out) {
    std::filesystem::remove_all(out);
    std::filesystem::create_directory(out);
    ::sync();
}

inline void WriteAll(int fd, const void* data, std::size_t size) {
    const int error =
        sundrel::io::WriteAll(fd, std::span(static_cast<const std::byte*>(data), size));
    if (error != 0) {
        errno = error;
        Die("write");
    }
}

} // namespace benchio
