#include "core/project/ProjectVersion3.h"

#include <bit>
#include <cstdint>
#include <utf8cpp/utf8.h>
#include <utility>

namespace sundrel {

namespace {

using Kind = ProjectError::Kind;

constexpr char kMagic[5] = {'S', 'n', 'd', 'r', 'l'};
constexpr std::byte kHasPercent{1};

bool IsPercent(float p) {
    return p >= 0.0f && p <= 100.0f;
} // false for NaN

// Why a title or artist cannot be stored, or nullptr when it can.
const char* NameFault(const std::string& text) {
    if (text.size() > kProjectMaxName) {
        return "is longer than the 1024 bytes a project file can hold";
    }
    if (text.find('\0') != std::string::npos) {
        return "holds a zero byte";
    }
    if (!utf8::is_valid(text.begin(), text.end())) {
        return "is not UTF-8";
    }
    return nullptr;
}

void PutLe(std::vector<std::byte>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::byte>((value >> (8 * i)) & 0xFF));
    }
}

void PutText(std::vector<std::byte>& out, const std::string& text) {
    PutLe(out, text.size(), 2);
    for (char c : text) {
        out.push_back(static_cast<std::byte>(c));
    }
}

// Reads the fields of a file in order; every read past the end throws.
class FieldReader {
  public:
    FieldReader(std::span<const std::byte> bytes, const std::string& name)
        : m_bytes(bytes), m_name(name) {}

    ProjectError Malformed(const std::string& why) const {
        return ProjectError(Kind::Malformed, m_name + ": not a usable project file: " + why);
    }

    std::uint64_t Le(std::size_t count) {
        Need(count);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            value |= std::to_integer<std::uint64_t>(m_bytes[m_at + i]) << (8 * i);
        }
        m_at += count;
        return value;
    }

    // A length-prefixed text of at most `limit` bytes; `what` names it in messages.
    std::string Text(std::size_t limit, const std::string& what) {
        const auto length = static_cast<std::size_t>(Le(2));
        if (length > limit) {
            throw Malformed(what + " is " + std::to_string(length) + " bytes long (at most " +
                            std::to_string(limit) + ")");
        }
        Need(length);
        std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
        m_at += length;
        return text;
    }

    std::size_t Left() const { return m_bytes.size() - m_at; }

  private:
    void Need(std::size_t count) const {
        if (Left() < count) {
            throw Malformed("it is cut short (" + std::to_string(m_bytes.size()) + " bytes)");
        }
    }

    std::span<const std::byte> m_bytes;
    const std::string& m_name;
    std::size_t m_at = 0;
};

} // namespace

std::vector<std::byte> EncodeProjectV3(const std::string& wavePath, std::span<const Marker> markers,
                                       const MixInfo& mix) {
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
    out.push_back(std::byte{mix.Empty() ? std::uint8_t{3} : std::uint8_t{4}});
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
    if (!mix.Empty()) {
        for (const auto& [text, field] :
             {std::pair{&mix.title, "title"}, {&mix.artist, "artist"}}) {
            if (const char* fault = NameFault(*text)) {
                throw unsaveable("The mix's " + std::string(field) + " " + fault);
            }
        }
        PutText(out, mix.title);
        PutText(out, mix.artist);
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
    if (project.version == 4) {
        project.mix.title = in.Text(kProjectMaxName, "the mix's title");
        project.mix.artist = in.Text(kProjectMaxName, "the mix's artist");
        for (const auto& [text, field] :
             {std::pair{&project.mix.title, "title"}, {&project.mix.artist, "artist"}}) {
            if (const char* fault = NameFault(*text)) {
                throw in.Malformed("the mix's " + std::string(field) + " " + fault);
            }
        }
    }
    if (in.Left() != 0) {
        throw in.Malformed(std::to_string(in.Left()) + " bytes follow its last " +
                           (project.version == 4 ? "field" : "marker"));
    }
    return project;
}

} // namespace sundrel
