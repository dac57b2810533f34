// Decodes arbitrary bytes as a project file. A file that decodes must hold only what the
// encoder would write, and encoding it again must give a file that decodes to the same.
#include "core/project/ProjectFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    sundrel::ProjectFile project;
    try {
        project = sundrel::DecodeProject(bytes, "fuzz.sdr");
    } catch (const sundrel::ProjectError&) {
        return 0;
    }
    if (project.markers.size() > sundrel::kProjectMaxMarkers ||
        project.wavePath.size() > sundrel::kProjectMaxPath) {
        std::abort();
    }
    for (float m : project.markers) {
        if (!(m >= 0.0f && m <= 100.0f)) {
            std::abort();
        }
    }
    const auto encoded = sundrel::EncodeProject(project.wavePath, project.markers);
    const auto again = sundrel::DecodeProject(encoded, "again.sdr");
    if (again.wavePath != project.wavePath || again.markers != project.markers) {
        std::abort();
    }
    return 0;
}
