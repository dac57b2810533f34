#include "core/project/ProjectVersion3.h"

#include "core/project/ProjectFields.h"
#include "core/project/ProjectSections.h"

#include <bit>
#include <cstdint>
#include <utility>

namespace sundrel {

namespace {

using Kind = ProjectError::Kind;
using project::FieldReader;
using project::NameFault;
using project::PutLe;
using project::PutText;

constexpr char kMagic[5] = {'S', 'n', 'd', 'r', 'l'};
constexpr std::byte kHasPercent{1};

bool IsPercent(float p) {
    return p >= 0.0f && p <= 100.0f;
} // false for NaN

} // namespace

std::vector<std::byte> EncodeProjectV3(const std::string& wavePath, std::span<const Marker> markers,
                                       const MixInfo& mix, const MatchResult* match) {
    auto unsaveable = [](const std::string& why) { return ProjectError(Kind::Unsaveable, why); };
    if (wavePath.size() > kProjectV3MaxPath) {
        throw unsaveable("The path of the Wave file is " + std::to_string(wavePath.size()) +
                         " bytes long; a project file can hold at most " +
                         std::to_string(kProjectV3MaxPath) + ": " + wavePath);
    }
    if (wavePath.find('\0') != std::string::npos) {
        throw unsaveable("The path of the Wave file holds a zero byte and cannot be saved");
    }
    if (markers.size() > kProjectMaxMarkers) {
        throw unsaveable("A project file can hold at most " + std::to_string(kProjectMaxMarkers) +
                         " markers, not " + std::to_string(markers.size()));
    }
    std::vector<std::byte> out;
    for (char c : kMagic) {
        out.push_back(static_cast<std::byte>(c));
    }
    const bool sections = NeedsSections(markers, match);
    out.push_back(std::byte{sections      ? std::uint8_t{5}
                            : mix.Empty() ? std::uint8_t{3}
                                          : std::uint8_t{4}});
    PutText(out, wavePath);
    out.push_back(static_cast<std::byte>(markers.size()));
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const Marker& m = markers[i];
        const std::string which = "Marker " + std::to_string(i);
        if (m.frame < 0) {
            throw unsaveable(which + " lies before the start of the mix");
        }
        if (m.percent && !IsPercent(*m.percent)) {
            throw unsaveable(which + " is not a percentage in 0..100");
        }
        for (const auto& [text, field] : {std::pair{&m.title, "title"}, {&m.artist, "artist"}}) {
            if (const char* fault = NameFault(*text)) {
                throw unsaveable("The " + std::string(field) + " of " + which + " " + fault);
            }
        }
        PutLe(out, static_cast<std::uint64_t>(m.frame), 8);
        out.push_back(m.percent ? kHasPercent : std::byte{0});
        PutLe(out, m.percent ? std::bit_cast<std::uint32_t>(*m.percent) : 0, 4);
        PutText(out, m.title);
        PutText(out, m.artist);
    }
    if (sections || !mix.Empty()) {
        for (const auto& [text, field] :
             {std::pair{&mix.title, "title"}, {&mix.artist, "artist"}}) {
            if (const char* fault = NameFault(*text)) {
                throw unsaveable("The mix's " + std::string(field) + " " + fault);
            }
        }
        PutText(out, mix.title);
        PutText(out, mix.artist);
    }
    if (sections) {
        EncodeSections(out, markers, match);
    }
    return out;
}

ProjectFile DecodeProjectV3(std::span<const std::byte> bytes, const std::string& name) {
    FieldReader in(bytes, name);
    ProjectFile project;
    in.Le(sizeof kMagic); // the magic is not compared, as in versions 1 and 2
    project.version = static_cast<int>(in.Le(1));
    project.wavePath = in.Text(kProjectV3MaxPath, "its Wave file path");
    if (project.wavePath.find('\0') != std::string::npos) {
        throw in.Malformed("its Wave file path holds a zero byte");
    }
    const auto count = static_cast<std::size_t>(in.Le(1));
    project.markers.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string which = "marker " + std::to_string(i);
        Marker m;
        m.frame = static_cast<std::int64_t>(in.Le(8));
        if (m.frame < 0) {
            throw in.Malformed(which + " has a negative frame");
        }
        const auto flags = static_cast<std::byte>(in.Le(1));
        const auto bits = static_cast<std::uint32_t>(in.Le(4));
        if ((flags & ~kHasPercent) != std::byte{0}) {
            throw in.Malformed(which + " has unknown flags");
        }
        if (flags == kHasPercent) {
            m.percent = std::bit_cast<float>(bits);
            if (!IsPercent(*m.percent)) {
                throw in.Malformed(which + " is not a percentage in 0..100");
            }
        } else if (bits != 0) {
            throw in.Malformed(which + " has a percentage but no flag for it");
        }
        m.title = in.Text(kProjectMaxName, "the title of " + which);
        m.artist = in.Text(kProjectMaxName, "the artist of " + which);
        for (const auto& [text, field] : {std::pair{&m.title, "title"}, {&m.artist, "artist"}}) {
            if (const char* fault = NameFault(*text)) {
                throw in.Malformed("the " + std::string(field) + " of " + which + " " + fault);
            }
        }
        project.markers.push_back(std::move(m));
    }
    if (project.version >= 4) {
        project.mix.title = in.Text(kProjectMaxName, "the mix's title");
        project.mix.artist = in.Text(kProjectMaxName, "the mix's artist");
        for (const auto& [text, field] :
             {std::pair{&project.mix.title, "title"}, {&project.mix.artist, "artist"}}) {
            if (const char* fault = NameFault(*text)) {
                throw in.Malformed("the mix's " + std::string(field) + " " + fault);
            }
        }
    }
    if (project.version == 5) {
        DecodeSections(in, project);
    }
    if (in.Left() != 0) {
        throw in.Malformed(std::to_string(in.Left()) + " bytes follow its last " +
                           (project.version >= 4 ? "field" : "marker"));
    }
    return project;
}

} // namespace sundrel
