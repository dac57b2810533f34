// Decodes arbitrary bytes as a project file. A file that decodes must hold only what the
// encoder would write, and encoding it again must give a file that decodes to the same; a
// version 3 or 4 file that is written as the same version again must come back byte for byte.
// Version 5 reads its sections in any order (and one that holds nothing), so there the bytes
// written must be a fixed point: what they decode to is written as the same bytes.
#include "core/markers/Marker.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectSections.h"
#include "core/project/ProjectVersion3.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utf8cpp/utf8.h>

namespace {

bool GoodName(const std::string& text) {
    return text.size() <= sundrel::kProjectMaxName && text.find('\0') == std::string::npos &&
           utf8::is_valid(text.begin(), text.end());
}

bool GoodMarker(const sundrel::Marker& m, int version) {
    if (m.percent && !(*m.percent >= 0.0f && *m.percent <= 100.0f)) {
        return false;
    }
    if (version < 3) {
        // Percentages alone: no frame until a mix is loaded, no names.
        return m.percent && m.frame == 0 && m.title.empty() && m.artist.empty();
    }
    if (version < 5 && (m.number != 0 || !m.sourceFile.empty())) {
        return false;
    }
    return m.frame >= 0 && GoodName(m.title) && GoodName(m.artist) && m.number >= 0 &&
           m.number <= sundrel::kProjectMaxTrackNumber &&
           m.sourceFile.size() <= sundrel::kProjectV3MaxPath &&
           m.sourceFile.find('\0') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    sundrel::ProjectFile project;
    try {
        project = sundrel::DecodeProject(bytes, "fuzz.sdr");
    } catch (const sundrel::ProjectError&) {
        return 0;
    }
    const std::size_t maxPath =
        project.version < 3 ? sundrel::kProjectMaxPath : sundrel::kProjectV3MaxPath;
    if (project.version < 1 || project.version > 5 ||
        (project.version < 4 && !project.mix.Empty()) ||
        (project.version >= 4 && !(GoodName(project.mix.title) && GoodName(project.mix.artist))) ||
        (project.version < 5 && (project.match || !project.notes.empty())) ||
        (project.match && !sundrel::MatchFault(*project.match).empty()) ||
        project.markers.size() > sundrel::kProjectMaxMarkers || project.wavePath.size() > maxPath ||
        project.wavePath.find('\0') != std::string::npos) {
        std::abort();
    }
    for (const sundrel::Marker& m : project.markers) {
        if (!GoodMarker(m, project.version)) {
            std::abort();
        }
    }
    const sundrel::MatchResult* match = project.match ? &*project.match : nullptr;
    const auto encoded =
        sundrel::EncodeProject(project.wavePath, project.markers, project.mix, match);
    const auto again = sundrel::DecodeProject(encoded, "again.sdr");
    if (again.wavePath != project.wavePath || again.markers.size() != project.markers.size() ||
        again.mix != project.mix || again.match.has_value() != project.match.has_value() ||
        !again.notes.empty()) {
        std::abort();
    }
    if (sundrel::EncodeProject(again.wavePath, again.markers, again.mix,
                               again.match ? &*again.match : nullptr) != encoded) {
        std::abort(); // the markers or the match did not come back whole
    }
    for (std::size_t i = 0; i < again.markers.size(); ++i) {
        sundrel::Marker expected = project.markers[i];
        if (again.version < 3) {
            expected.frame = 0; // version 2 stores the percentage alone
        }
        if (again.markers[i] != expected) {
            std::abort();
        }
    }
    // Versions 3 and 4 have one encoding of each project (the magic aside, which is not
    // compared).
    if (project.version >= 3 && project.version <= 4 && again.version == project.version &&
        (encoded.size() != size ||
         !std::equal(encoded.begin() + 5, encoded.end(), bytes.begin() + 5))) {
        std::abort();
    }
    return 0;
}
