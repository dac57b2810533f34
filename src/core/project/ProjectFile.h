#pragma once

#include "core/markers/Marker.h"

#include "core/markers/MarkerMath.h"
#include "core/markers/MixInfo.h"
#include "core/match/MatchTracks.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace sundrel {

// The .sdr project file: "Sndrl", a version byte, (version 2) a 260-byte zero-terminated WAV
// path, a marker count byte, then the markers as little-endian floats. Version 3 (see
// ProjectVersion3.h) stores each marker's frame, percentage, title and artist, version 4 the
// mix's names too, version 5 (ProjectSections.h) the tracks' numbers and source files and the
// match of the DJ's files.
inline constexpr std::size_t kProjectPathField = 260;
inline constexpr std::size_t kProjectMaxPath =
    kProjectPathField - 1;                                     // version 2: bytes before the zero
inline constexpr std::size_t kProjectMaxMarkers = kMaxMarkers; // one count byte

// Raised when a project file cannot be read, used or written. For WaveMissing the message is
// exactly "Wave file doesn't exist" (what the window shows, caption "error"); Path() is then
// the WAV path and Detail() the reason it could not be opened. For the other kinds the
// message names the project file and says what is wrong.
class ProjectError : public std::runtime_error {
  public:
    enum class Kind {
        Unreadable,   // the project file cannot be opened or read
        Malformed,    // its contents are not a project this program can use
        Unsaveable,   // the path or the markers cannot be stored in a project file
        Unwritable,   // the project file cannot be written
        WaveMissing,  // the WAV it names cannot be opened
        WaveUnusable, // the WAV it names is not a mix this program can use
    };
    ProjectError(Kind kind, const std::string& message, std::filesystem::path path = {},
                 std::string detail = {})
        : std::runtime_error(message), m_kind(kind), m_path(std::move(path)),
          m_detail(std::move(detail)) {}
    Kind GetKind() const { return m_kind; }
    const std::filesystem::path& Path() const { return m_path; }
    const std::string& Detail() const { return m_detail; }

  private:
    Kind m_kind;
    std::filesystem::path m_path;
    std::string m_detail;
};

inline constexpr const char* kWaveMissingMessage = "Wave file doesn't exist";

struct ProjectFile {
    int version = 2;
    std::string wavePath; // empty for version 1, which stores none
    // In the file's order. The markers of versions 1 and 2 are percentage markers whose
    // frames are 0 until ResolvePercentFrames sets them for a mix.
    std::vector<Marker> markers;
    MixInfo mix; // versions 4 and 5
    // Version 5: the match of the DJ's files that the markers came from, when it was saved.
    std::optional<MatchResult> match{};
    // What the reader passed over (a section of a later version), one sentence each.
    std::vector<std::string> notes{};
};

// The bytes of a project file. A list of percentage markers without names (AllPercentUnnamed)
// is written as version 2, byte for byte as before markers had frames and names, unless its
// path does not fit there (over kProjectMaxPath bytes); every other list as version 3.
// Throws ProjectError (Unsaveable) for a path that no version can hold (too long or holding a
// zero byte), more than kProjectMaxMarkers markers, or a marker the version would not store
// (see EncodeProjectV3): nothing is encoded that the reader would refuse. The mix's names,
// when it has any, need version 4; the markers' numbers and source files and a match (kept as
// MatchToKeep gives it) version 5, the only parts that need it, so that a project without
// them stays readable by older versions of the program.
std::vector<std::byte> EncodeProject(const std::string& wavePath, std::span<const Marker> markers,
                                     const MixInfo& mix = {}, const MatchResult* match = nullptr);

// Reads a whole version 1, 2, 3, 4 or 5 file held in memory. The magic is not compared. Throws
// ProjectError (Malformed) for an unknown version, a file cut short or longer than its
// marker count says, a path field without a zero byte, a marker outside 0..100 or NaN, or (in
// version 3) a field beyond its bound; `name` goes into the message.
ProjectFile DecodeProject(std::span<const std::byte> bytes, const std::string& name);

// Reads and decodes the file; nothing is returned unless the whole file is good. A relative
// WAV path is returned joined to the project file's folder ("sets/p.sdr" naming "mix.wav"
// gives "sets/mix.wav"), so that it names the same file from any current folder; an absolute
// one as stored. Refuses anything but a regular file without blocking on it (a FIFO).
ProjectFile ReadProject(const std::filesystem::path& path);

// Encodes first (refusing what cannot be stored), then writes a temporary file beside `path`,
// flushes it to disk and renames it over `path`, so that `path` holds either its old contents
// or the whole new file. Throws ProjectError (Unsaveable or Unwritable).
void WriteProject(const std::filesystem::path& path, const std::string& wavePath,
                  std::span<const Marker> markers, const MixInfo& mix = {},
                  const MatchResult* match = nullptr);

} // namespace sundrel
