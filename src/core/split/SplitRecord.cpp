#include "core/split/SplitRecord.h"

#include "core/interop/TrackNames.h"
#include "core/io/ErrorText.h"
#include "core/io/FileIdentity.h"
#include "core/io/FolderLock.h"
#include "core/io/ReadAll.h"
#include "core/io/UniqueFd.h"
#include "core/io/WriteAll.h"
#include "core/split/NameLines.h"
#include "core/split/SplitTypes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace sundrel {

namespace {

constexpr const char* kRecordHead = "sundrel split record 1";
constexpr std::uint64_t kDigestSpan = 64 * 1024;

// FNV-1a, 64 bits: a fingerprint, not a defence against forgery.
void Mix(std::uint64_t& hash, std::span<const std::byte> bytes) {
    for (const std::byte b : bytes) {
        hash = (hash ^ static_cast<std::uint64_t>(b)) * 0x100000001b3ull;
    }
}

} // namespace

std::filesystem::path SplitRecordPath(const std::filesystem::path& folder) {
    return folder / ".sundrel-split";
}

std::optional<RecordedTrack> Fingerprint(const std::filesystem::path& folder,
                                         const std::string& name) {
    const std::filesystem::path path = folder / name;
    io::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t hash = 0xcbf29ce484222325ull;
    std::vector<std::byte> buffer(static_cast<std::size_t>(std::min(size, kDigestSpan)));
    for (const std::uint64_t at : {std::uint64_t{0}, size - buffer.size()}) {
        const io::ReadResult r = io::ReadAllAt(fd.Get(), buffer, at);
        if (r.error != 0 || r.bytes != buffer.size()) {
            return std::nullopt;
        }
        Mix(hash, buffer);
    }
    return RecordedTrack{name, size, hash};
}

std::vector<RecordedTrack> ReadSplitRecord(const std::filesystem::path& folder) {
    std::ifstream in(SplitRecordPath(folder), std::ios::binary);
    std::string line;
    std::vector<RecordedTrack> tracks;
    if (!in || !std::getline(in, line) || line != kRecordHead) {
        return {};
    }
    while (std::getline(in, line)) {
        unsigned long long size = 0;
        unsigned long long digest = 0;
        int used = 0;
        char kind = 0;
        if (std::sscanf(line.c_str(), "%c %llu %llx %n", &kind, &size, &digest, &used) != 3 ||
            (kind != 'T' && kind != 'L')) {
            return {};
        }
        tracks.push_back({UnescapedName(line.substr(static_cast<std::size_t>(used))), size, digest,
                          kind == 'L'});
    }
    return tracks;
}

int WriteSplitRecord(const std::filesystem::path& folder, std::span<const RecordedTrack> tracks) {
    std::string text = std::string(kRecordHead) + "\n";
    for (const RecordedTrack& t : tracks) {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%c %llu %016llx ", t.leftover ? 'L' : 'T',
                      static_cast<unsigned long long>(t.size),
                      static_cast<unsigned long long>(t.digest));
        text += numbers;
        text += EscapedName(t.name) + "\n";
    }
    const std::filesystem::path record = SplitRecordPath(folder);
    std::filesystem::path next = record;
    next += ".new";
    io::UniqueFd fd(::open(next.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) {
        return errno;
    }
    int error = io::WriteAll(fd.Get(), std::as_bytes(std::span(text.data(), text.size())));
    if (error == 0) {
        error = fd.Close();
    }
    if (error == 0 && ::rename(next.c_str(), record.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(next.c_str());
    }
    return error;
}

std::vector<RecordedTrack> Leftovers(const std::filesystem::path& folder,
                                     std::span<const RecordedTrack> recorded,
                                     std::span<const std::string> names,
                                     std::span<const std::filesystem::path> keep) {
    std::set<std::string> current;
    for (const std::string& name : names) {
        current.insert(FoldNameCase(name));
    }
    std::vector<RecordedTrack> out;
    for (const RecordedTrack& t : recorded) {
        if (!current.insert(FoldNameCase(t.name)).second) {
            continue; // among the new tracks, or listed twice
        }
        if (std::any_of(keep.begin(), keep.end(), [&](const std::filesystem::path& k) {
                return io::SameFile(folder / t.name, k);
            })) {
            continue;
        }
        if (const auto now = Fingerprint(folder, t.name); now && now->SameAs(t)) {
            out.push_back(t);
            out.back().leftover = true;
        }
    }
    return out;
}

LeftoverTracks RemoveLeftovers(const std::filesystem::path& folder,
                               std::span<const std::filesystem::path> files) {
    LeftoverTracks result;
    bool opened = false;
    const io::UniqueFd lock = io::LockFolder(folder, true, {}, opened);
    std::vector<RecordedTrack> record = ReadSplitRecord(folder);
    for (const std::filesystem::path& file : files) {
        const std::string name = file.filename().string();
        const auto entry = std::find_if(record.begin(), record.end(), [&](const RecordedTrack& t) {
            return t.leftover && t.name == name;
        });
        const auto now = Fingerprint(folder, name);
        if (entry == record.end() || !now || !now->SameAs(*entry)) {
            result.remaining.push_back(file);
            continue;
        }
        if (::unlink((folder / name).c_str()) != 0) {
            if (result.error.empty()) {
                result.error = io::FileErrorText(folder / name, "cannot remove", errno);
            }
            result.remaining.push_back(file);
            continue;
        }
        record.erase(entry);
        result.removed.push_back(file);
    }
    if (!result.removed.empty()) {
        WriteSplitRecord(folder, record);
    }
    return result;
}

} // namespace sundrel
