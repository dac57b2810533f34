#include "core/project/ProjectFile.h"

#include "core/io/AtomicFile.h"
#include "core/io/ErrorText.h"
#include "core/io/OpenRegular.h"
#include "core/io/UniqueFd.h"
#include "core/project/ProjectSections.h"
#include "core/project/ProjectVersion3.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sundrel {

namespace {

constexpr char kMagic[5] = {'S', 'n', 'd', 'r', 'l'};
constexpr std::size_t kVersion1Header = 7;                         // magic, version, count
constexpr std::size_t kVersion2Header = 6 + kProjectPathField + 1; // 267
// Nothing longer than a full version 3 file can be a project.
constexpr std::size_t kLargestProject = kProjectLargest;
static_assert(kProjectV3Largest > kVersion2Header + 4 * kProjectMaxMarkers);

using Kind = ProjectError::Kind;

bool IsPercent(float p) {
    return p >= 0.0f && p <= 100.0f;
} // false for NaN

} // namespace

namespace {

// The bytes of a version 2 file; throws ProjectError (Unsaveable) for what it cannot hold.
std::vector<std::byte> EncodeVersion2(const std::string& wavePath, std::span<const float> markers) {
    if (wavePath.size() > kProjectMaxPath) {
        throw ProjectError(Kind::Unsaveable, "The path of the Wave file is " +
                                                 std::to_string(wavePath.size()) +
                                                 " bytes long; a project file can hold at most " +
                                                 std::to_string(kProjectMaxPath) + ": " + wavePath);
    }
    if (wavePath.find('\0') != std::string::npos) {
        throw ProjectError(Kind::Unsaveable,
                           "The path of the Wave file holds a zero byte and cannot be saved");
    }
    if (markers.size() > kProjectMaxMarkers) {
        throw ProjectError(Kind::Unsaveable, "A project file can hold at most " +
                                                 std::to_string(kProjectMaxMarkers) +
                                                 " markers, not " + std::to_string(markers.size()));
    }
    if (!std::all_of(markers.begin(), markers.end(), IsPercent)) {
        throw ProjectError(Kind::Unsaveable, "A marker is not a percentage in 0..100");
    }

    std::vector<std::byte> bytes;
    bytes.reserve(kVersion2Header + 4 * markers.size());
    for (char c : kMagic) {
        bytes.push_back(static_cast<std::byte>(c));
    }
    bytes.push_back(std::byte{2});
    for (std::size_t i = 0; i < kProjectPathField; ++i) {
        bytes.push_back(i < wavePath.size() ? static_cast<std::byte>(wavePath[i]) : std::byte{0});
    }
    bytes.push_back(static_cast<std::byte>(markers.size()));
    for (float p : markers) {
        const auto bits = std::bit_cast<std::uint32_t>(p);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::byte>((bits >> shift) & 0xFF));
        }
    }
    return bytes;
}

} // namespace

std::vector<std::byte> EncodeProject(const std::string& wavePath, std::span<const Marker> markers,
                                     const MixInfo& mix, const MatchResult* match) {
    if (!AllPercentUnnamed(markers) || wavePath.size() > kProjectMaxPath || !mix.Empty() ||
        match != nullptr) {
        if (match != nullptr) {
            const MatchResult kept = MatchToKeep(*match);
            return EncodeProjectV3(wavePath, markers, mix, &kept);
        }
        return EncodeProjectV3(wavePath, markers, mix);
    }
    std::vector<float> percents;
    percents.reserve(markers.size());
    for (const Marker& m : markers) {
        percents.push_back(*m.percent);
    }
    return EncodeVersion2(wavePath, percents);
}

ProjectFile DecodeProject(std::span<const std::byte> bytes, const std::string& name) {
    auto malformed = [&name](const std::string& why) {
        return ProjectError(Kind::Malformed, name + ": not a usable project file: " + why);
    };
    if (bytes.size() < 6) {
        throw malformed("it is cut short (" + std::to_string(bytes.size()) + " bytes)");
    }
    ProjectFile project;
    project.version = std::to_integer<int>(bytes[5]);
    std::size_t at = 6;
    if (project.version >= 3 && project.version <= 5) {
        return DecodeProjectV3(bytes, name);
    }
    if (project.version == 2) {
        if (bytes.size() < kVersion2Header) {
            throw malformed("it is cut short (" + std::to_string(bytes.size()) + " bytes)");
        }
        const auto field = bytes.subspan(at, kProjectPathField);
        const auto zero = std::find(field.begin(), field.end(), std::byte{0});
        if (zero == field.end()) {
            throw malformed("its Wave file path has no end");
        }
        project.wavePath.assign(reinterpret_cast<const char*>(field.data()),
                                static_cast<std::size_t>(zero - field.begin()));
        at += kProjectPathField;
    } else if (project.version != 1) {
        throw malformed("unknown version " + std::to_string(project.version));
    } else if (bytes.size() < kVersion1Header) {
        throw malformed("it is cut short (" + std::to_string(bytes.size()) + " bytes)");
    }

    const std::size_t count = std::to_integer<std::size_t>(bytes[at++]);
    const std::size_t expected = at + 4 * count;
    if (bytes.size() < expected) {
        throw malformed("it is cut short (" + std::to_string(bytes.size()) + " bytes; " +
                        std::to_string(count) + " markers need " + std::to_string(expected) + ")");
    }
    if (bytes.size() > expected) {
        throw malformed(std::to_string(bytes.size() - expected) + " bytes follow its last marker");
    }
    project.markers.reserve(count);
    for (std::size_t i = 0; i < count; ++i, at += 4) {
        std::uint32_t bits = 0;
        for (std::size_t b = 0; b < 4; ++b) {
            bits |= std::to_integer<std::uint32_t>(bytes[at + b]) << (8 * b);
        }
        const float p = std::bit_cast<float>(bits);
        if (!IsPercent(p)) {
            throw malformed("marker " + std::to_string(i) + " is not a percentage in 0..100");
        }
        project.markers.push_back(PercentMarker(p));
    }
    return project;
}

ProjectFile ReadProject(const std::filesystem::path& path) {
    io::UniqueFd fd;
    try {
        fd = io::OpenRegularFile(path);
    } catch (const std::runtime_error& e) {
        throw ProjectError(Kind::Unreadable, e.what());
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        throw ProjectError(Kind::Unreadable, io::FileErrorText(path, "cannot read", errno));
    }
    // Read up to one byte past the largest project, so that anything longer is recognised; the
    // buffer grows as the file fills it.
    std::vector<std::byte> bytes(std::min<std::size_t>(kLargestProject + 1, 64 * 1024));
    std::size_t got = 0;
    while (got < kLargestProject + 1) {
        if (got == bytes.size()) {
            bytes.resize(std::min(bytes.size() * 2, kLargestProject + 1));
        }
        const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw ProjectError(Kind::Unreadable, io::FileErrorText(path, "cannot read", errno));
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got > kLargestProject) {
        // Decoding the first bytes would count only those past the last marker among them.
        const auto size = std::max<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), got);
        throw ProjectError(Kind::Malformed, path.string() + ": not a usable project file: it is " +
                                                std::to_string(size) +
                                                " bytes long; no project file is longer than " +
                                                std::to_string(kLargestProject));
    }
    bytes.resize(got);
    ProjectFile project = DecodeProject(bytes, path.string());
    // A relative WAV path counts from the project file's folder, wherever the program runs.
    const std::filesystem::path wave = project.wavePath;
    if (!project.wavePath.empty() && wave.is_relative()) {
        project.wavePath = (path.parent_path() / wave).string();
    }
    return project;
}

void WriteProject(const std::filesystem::path& path, const std::string& wavePath,
                  std::span<const Marker> markers, const MixInfo& mix, const MatchResult* match) {
    const std::vector<std::byte> bytes = EncodeProject(wavePath, markers, mix, match);

    try {
        io::WriteFileAtomically(path, bytes);
    } catch (const io::IoError& e) {
        throw ProjectError(Kind::Unwritable, e.what());
    }
}

} // namespace sundrel
