// Split throughput on a 1 GiB mix (or MIB mebibytes), as a ratio against plain copies of the
// same bytes measured in the same run:
//   read/write   a cat/cp-like copy of the whole file through a 128 KiB buffer
//   kernel copy  copy_file_range of the whole file
// first Split's default (complete, atomically named tracks whose writeback is started, no
// wait for the disk) against copies left in the page cache, then Split with `sync` (every
// track and the folder flushed) against copies followed by fsync. Each time also Split with
// named tracks that carry tags (LIST/INFO and id3 chunks) against the same Split without.
//
// Usage: split_bench [DIR [MIB]]   (default: a new folder under $TMPDIR or /var/tmp, never
// tmpfs; 1024 MiB)

#include "BenchIo.h"
#include "core/audio/WaveFile.h"
#include "core/encode/WavTags.h"
#include "core/interop/TrackNames.h"
#include "core/io/PageCache.h"
#include "core/split/SplitPlan.h"
#include "core/split/TrackHeader.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <linux/magic.h>
#include <random>
#include <span>
#include <string>
#include <sys/statfs.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::uint64_t g_nDataSize = std::uint64_t{1} << 30;

using benchio::Die;
using benchio::WriteAll;

// The format of the benchmark mix: 16-bit stereo 44.1 kHz.
sundrel::WaveFormatEx MixFormat() {
    return sundrel::MakeWaveFormatEx({sundrel::kFormatPcm, 2, 44100, 16, false});
}

// A canonical 16-bit stereo 44.1 kHz WAV file with 1 GiB of noise.
void MakeMix(const fs::path& path) {
    const std::vector<std::byte> header = sundrel::MakeTrackHeader(MixFormat(), g_nDataSize);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        Die(path.string());
    }
    WriteAll(fd, header.data(), header.size());
    std::mt19937_64 rng(1);
    std::vector<std::uint64_t> block((8u << 20) / 8);
    for (std::uint64_t done = 0; done < g_nDataSize; done += block.size() * 8) {
        for (auto& v : block) {
            v = rng();
        }
        WriteAll(fd, block.data(), block.size() * 8);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        Die("close");
    }
}

void CopyReadWrite(const fs::path& from, const fs::path& to, bool flush) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) {
        Die("open");
    }
    std::vector<char> buffer(128 * 1024);
    for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;) {
        WriteAll(out, buffer.data(), static_cast<std::size_t>(n));
    }
    if (flush && ::fsync(out) != 0) {
        Die("fsync");
    }
    ::close(in);
    ::close(out);
}

void CopyKernel(const fs::path& from, const fs::path& to, bool flush) {
    const int in = ::open(from.c_str(), O_RDONLY);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) {
        Die("open");
    }
    for (ssize_t n; (n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0)) > 0;) {
    }
    if (flush && ::fsync(out) != 0) {
        Die("fsync");
    }
    ::close(in);
    ::close(out);
}

template <class F> double Seconds(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

using benchio::Clear;
using benchio::Median;

fs::path WorkFolder(int argc, char** argv) {
    fs::path base = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    struct statfs st {};
    if (argc <= 1 && ::statfs(base.c_str(), &st) == 0 && st.f_type == TMPFS_MAGIC) {
        base = "/var/tmp"; // a copy inside RAM would not measure the disk
    }
    std::string tmpl = (base / "split-bench-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        Die(tmpl);
    }
    return tmpl;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        // Whole blocks of 8 MiB, as MakeMix writes them.
        g_nDataSize = (std::strtoull(argv[2], nullptr, 10) + 7) / 8 * 8 << 20;
    }
    const fs::path dir = WorkFolder(argc, argv);
    const fs::path mix = dir / "mix.wav";
    const fs::path out = dir / "out";
    std::printf("folder %s\ngenerating a mix of %llu MiB ...\n", dir.c_str(),
                static_cast<unsigned long long>(g_nDataSize >> 20));
    MakeMix(mix);

    const std::vector<float> percents = benchio::UnevenPercents();

    // Names and tags as a tracklist would give them.
    std::vector<sundrel::TrackNameFields> fields;
    std::vector<sundrel::TrackTags> tags;
    for (int i = 1; i < static_cast<int>(percents.size()); ++i) {
        fields.push_back({"Title of track " + std::to_string(i), "Artist " + std::to_string(i), 0});
        tags.push_back({fields.back().title, fields.back().artist, "Live at the benchmark", i,
                        static_cast<int>(percents.size()) - 1});
    }
    const std::vector<std::string> names =
        sundrel::TrackFileNames("{nn} {artist} - {title}", fields, "mix", ".wav");

    // What the tags add besides a few KiB of writes: rendering them (TagLib), once per track.
    std::size_t tagBytes = 0;
    const int renders = 200;
    const double render = Seconds([&] {
                              for (int r = 0; r < renders; ++r) {
                                  for (const sundrel::TrackTags& t : tags) {
                                      tagBytes += sundrel::WavTagChunks(t).size();
                                  }
                              }
                          }) /
                          renders;
    std::printf("rendering the tags of %zu tracks: %.1f us, %zu bytes\n", tags.size(), render * 1e6,
                tagBytes / renders);

    CWaveFile wave(mix);
    // Split copies tracks side by side only when the mix is in the page cache, as the copies
    // find it here; say so, since from the disk it copies one track at a time.
    {
        const int fd = ::open(mix.c_str(), O_RDONLY | O_CLOEXEC);
        std::printf("mix in the page cache: %.0f %%\n",
                    100.0 * sundrel::io::CachedShare(fd, 0, g_nDataSize + 44));
        ::close(fd);
    }
    for (bool flush : {false, true}) {
        const int rounds = flush ? 3 : 6;
        std::vector<double> readWrite, kernel, split, tagged;
        for (int round = 0; round < rounds; ++round) {
            // The four take turns going first, so no one always meets a busier disk, and every
            // other round runs in the opposite order, so no one always follows the same one.
            for (int turn = 0; turn < 4; ++turn) {
                Clear(out);
                switch (round % 2 == 0 ? (round + turn) % 4 : (round + 4 - turn) % 4) {
                case 0:
                    readWrite.push_back(
                        Seconds([&] { CopyReadWrite(mix, out / "copy.wav", flush); }));
                    break;
                case 1:
                    kernel.push_back(Seconds([&] { CopyKernel(mix, out / "copy.wav", flush); }));
                    break;
                case 2: {
                    sundrel::SplitOptions options;
                    options.sync = flush;
                    options.names = names;
                    options.tags = tags;
                    tagged.push_back(Seconds([&] {
                        wave.Split(percents.data(), static_cast<int>(percents.size()), out,
                                   options);
                    }));
                    break;
                }
                default: {
                    sundrel::SplitOptions options;
                    options.sync = flush;
                    split.push_back(Seconds([&] {
                        wave.Split(percents.data(), static_cast<int>(percents.size()), out,
                                   options);
                    }));
                }
                }
            }
        }
        const double mib = static_cast<double>(g_nDataSize >> 20);
        const double rw = Median(readWrite), kc = Median(kernel), sp = Median(split),
                     tg = Median(tagged);
        std::printf("\n%s (median of %d)\n",
                    flush ? "Split --sync vs copy + fsync"
                          : "Split (default) vs copy through the page cache",
                    rounds);
        std::printf("  read/write copy   %7.3f s  %7.0f MiB/s\n", rw, mib / rw);
        std::printf("  kernel copy       %7.3f s  %7.0f MiB/s\n", kc, mib / kc);
        std::printf("  Split, 16 tracks  %7.3f s  %7.0f MiB/s\n", sp, mib / sp);
        std::printf("  Split, tagged     %7.3f s  %7.0f MiB/s\n", tg, mib / tg);
        std::printf("  Split / read-write copy = %.2fx   Split / kernel copy = %.2fx\n", sp / rw,
                    sp / kc);
        std::printf("  Split with names and tags / Split = %.3fx\n", tg / sp);
    }
    fs::remove_all(dir);
    return 0;
}
