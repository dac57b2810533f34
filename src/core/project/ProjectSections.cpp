#include "core/project/ProjectSections.h"

#include "core/project/ProjectVersion3.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <utf8cpp/utf8.h>

namespace sundrel {

namespace {

using project::FieldReader;
using project::PutDouble;
using project::PutLe;
using project::PutText;

constexpr std::array<char, 4> kTracksTag = {'T', 'R', 'K', 'S'};
constexpr std::array<char, 4> kMatchTag = {'M', 'T', 'C', 'H'};
constexpr std::uint64_t kNoPlay = 0xFFFF;

// The tags of a file in the order the section stores them.
std::array<std::string*, 8> TagFields(FileTags& t) {
    return {&t.title, &t.artist, &t.album, &t.bpm, &t.key, &t.year, &t.genre, &t.isrc};
}
std::array<const std::string*, 8> TagFields(const FileTags& t) {
    return {&t.title, &t.artist, &t.album, &t.bpm, &t.key, &t.year, &t.genre, &t.isrc};
}
constexpr std::array<const char*, 8> kTagNames = {"title", "artist", "album", "BPM",
                                                  "key",   "year",   "genre", "ISRC"};

const char* PathFault(const std::string& path) {
    if (path.size() > kProjectV3MaxPath) {
        return "is longer than the 4096 bytes a project file can hold";
    }
    if (path.find('\0') != std::string::npos) {
        return "holds a zero byte";
    }
    return nullptr;
}

bool Finite(double v) {
    return std::isfinite(v);
}

std::string PlayFault(const FilePlay& p, std::size_t files) {
    const TrackPlay& t = p.play;
    if (p.file >= files) {
        return "names no file of the match";
    }
    if (p.id > 0xFFFFFFFFu || t.matches < 0) {
        return "has a number out of range";
    }
    if (!Finite(t.start) || !Finite(t.end) || !Finite(t.offset) || !Finite(t.ratio) ||
        !Finite(t.confidence) || (p.middle && !Finite(*p.middle))) {
        return "holds a time that is not a number";
    }
    if (!(t.start >= 0.0 && t.end >= t.start)) {
        return "ends before it starts";
    }
    if (!(t.ratio > 0.0)) {
        return "has a speed ratio that is not above 0";
    }
    if (!(t.confidence >= 0.0 && t.confidence <= 1.0)) {
        return "has a confidence outside 0..1";
    }
    return {};
}

void PutSection(std::vector<std::byte>& out, const std::array<char, 4>& tag,
                const std::vector<std::byte>& body) {
    for (char c : tag) {
        out.push_back(static_cast<std::byte>(c));
    }
    PutLe(out, body.size(), 4);
    out.insert(out.end(), body.begin(), body.end());
}

void DecodeTracks(FieldReader& in, ProjectFile& project) {
    for (std::size_t i = 0; i < project.markers.size(); ++i) {
        Marker& m = project.markers[i];
        const std::string which = "marker " + std::to_string(i);
        const auto number = in.Le(2);
        if (number > static_cast<std::uint64_t>(kProjectMaxTrackNumber)) {
            throw in.Malformed("the track number of " + which + " is " + std::to_string(number) +
                               " (at most " + std::to_string(kProjectMaxTrackNumber) + ")");
        }
        m.number = static_cast<int>(number);
        m.sourceFile = in.Text(kProjectV3MaxPath, "the source file of " + which);
        if (m.sourceFile.find('\0') != std::string::npos) {
            throw in.Malformed("the source file of " + which + " holds a zero byte");
        }
    }
}

MatchResult DecodeMatch(FieldReader& in) {
    MatchResult match;
    const auto count = [&in](std::size_t limit, const std::string& what) {
        const auto n = static_cast<std::size_t>(in.Le(2));
        if (n > limit) {
            throw in.Malformed("the match holds " + std::to_string(n) + " " + what + " (at most " +
                               std::to_string(limit) + ")");
        }
        return n;
    };
    match.mixSeconds = in.Double();
    const std::size_t files = count(kProjectMaxMatchFiles, "files");
    for (std::size_t i = 0; i < files; ++i) {
        const std::string which = "file " + std::to_string(i) + " of the match";
        match.files.emplace_back(in.Text(kProjectV3MaxPath, "the path of " + which));
        FileTags tags;
        const auto fields = TagFields(tags);
        for (std::size_t k = 0; k < fields.size(); ++k) {
            *fields[k] =
                in.Text(kProjectMaxName, std::string("the ") + kTagNames[k] + " of " + which);
        }
        match.tags.push_back(std::move(tags));
    }
    const std::size_t plays = count(kProjectMaxMatchItems, "plays");
    for (std::size_t i = 0; i < plays; ++i) {
        FilePlay p;
        p.file = static_cast<std::size_t>(in.Le(2));
        p.id = static_cast<std::size_t>(in.Le(4));
        p.play.start = in.Double();
        p.play.end = in.Double();
        p.play.offset = in.Double();
        p.play.ratio = in.Double();
        p.play.confidence = in.Double();
        const auto keyLock = in.Le(1);
        const auto matches = in.Le(4);
        const auto hasMiddle = in.Le(1);
        const double middle = in.Double();
        const std::string which = "play " + std::to_string(i) + " of the match";
        if (keyLock > 1 || hasMiddle > 1 || matches > 0x7FFFFFFFu ||
            (hasMiddle == 0 && std::bit_cast<std::uint64_t>(middle) != 0)) {
            throw in.Malformed(which + " has a flag or a count out of range");
        }
        p.play.keyLock = keyLock == 1;
        p.play.matches = static_cast<int>(matches);
        if (hasMiddle == 1) {
            p.middle = middle;
        }
        match.layout.plays.push_back(p);
    }
    const std::size_t stretches = count(kProjectMaxMatchItems, "unknown stretches");
    for (std::size_t i = 0; i < stretches; ++i) {
        Stretch s;
        s.start = in.Double();
        s.end = in.Double();
        match.layout.unknown.push_back(s);
    }
    const std::size_t boundaries = count(kProjectMaxMatchItems, "boundaries");
    for (std::size_t i = 0; i < boundaries; ++i) {
        Boundary b;
        b.seconds = in.Double();
        const auto play = in.Le(2);
        if (play != kNoPlay) {
            b.play = static_cast<std::size_t>(play);
        }
        match.layout.boundaries.push_back(b);
    }
    if (const std::string fault = MatchFault(match); !fault.empty()) {
        throw in.Malformed(fault);
    }
    return match;
}

} // namespace

bool NeedsSections(std::span<const Marker> markers, const MatchResult* match) {
    return match != nullptr || std::any_of(markers.begin(), markers.end(), [](const Marker& m) {
               return m.number != 0 || !m.sourceFile.empty();
           });
}

std::string MatchFault(const MatchResult& match) {
    if (!Finite(match.mixSeconds) || match.mixSeconds < 0.0) {
        return "the match's mix length is not a time";
    }
    if (match.files.size() > kProjectMaxMatchFiles || match.tags.size() != match.files.size()) {
        return "the match holds more files than a project file can (" +
               std::to_string(kProjectMaxMatchFiles) + ") or files without tags";
    }
    for (std::size_t i = 0; i < match.files.size(); ++i) {
        const std::string which = "file " + std::to_string(i) + " of the match";
        const std::string path = match.files[i].string();
        if (path.empty()) {
            return "the path of " + which + " is empty";
        }
        if (const char* fault = PathFault(path)) {
            return "the path of " + which + " " + fault;
        }
        const auto fields = TagFields(match.tags[i]);
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (const char* fault = project::NameFault(*fields[k])) {
                return std::string("the ") + kTagNames[k] + " of " + which + " " + fault;
            }
        }
    }
    const Layout& layout = match.layout;
    if (layout.plays.size() > kProjectMaxMatchItems ||
        layout.unknown.size() > kProjectMaxMatchItems ||
        layout.boundaries.size() > kProjectMaxMatchItems) {
        return "the match holds more plays, stretches or boundaries than a project file can (" +
               std::to_string(kProjectMaxMatchItems) + " each)";
    }
    std::vector<bool> played(match.files.size(), false);
    for (std::size_t i = 0; i < layout.plays.size(); ++i) {
        if (const std::string fault = PlayFault(layout.plays[i], match.files.size());
            !fault.empty()) {
            return "play " + std::to_string(i) + " of the match " + fault;
        }
        played[layout.plays[i].file] = true;
    }
    // Only the files that play are kept (MatchToKeep), so that a project has one encoding.
    for (std::size_t i = 0; i < played.size(); ++i) {
        if (!played[i]) {
            return "file " + std::to_string(i) + " of the match plays nowhere";
        }
    }
    for (std::size_t i = 0; i < layout.unknown.size(); ++i) {
        const Stretch& s = layout.unknown[i];
        if (!Finite(s.start) || !Finite(s.end) || s.end < s.start) {
            return "unknown stretch " + std::to_string(i) +
                   " of the match is not a stretch of time";
        }
    }
    for (std::size_t i = 0; i < layout.boundaries.size(); ++i) {
        const Boundary& b = layout.boundaries[i];
        if (!Finite(b.seconds) || (b.play && *b.play >= layout.plays.size())) {
            return "boundary " + std::to_string(i) + " of the match names no time or no play";
        }
    }
    return {};
}

namespace {

// A file's tag as a project can hold it: valid UTF-8 without zero bytes, cut at a character
// boundary to the longest name a project keeps. Tags come from the files as they are, so a
// long comment-like title must not make the whole project unsaveable.
std::string FitTag(const std::string& tag) {
    std::string text;
    utf8::replace_invalid(tag.begin(), tag.end(), std::back_inserter(text));
    std::erase(text, '\0');
    if (text.size() > kProjectMaxName) {
        std::size_t end = kProjectMaxName;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            --end; // a continuation byte: the character starts earlier
        }
        text.resize(end);
    }
    return text;
}

} // namespace

MatchResult MatchToKeep(const MatchResult& match) {
    MatchResult kept;
    kept.mixSeconds = match.mixSeconds;
    kept.layout = match.layout;
    std::vector<bool> played(match.files.size(), false);
    for (const FilePlay& p : match.layout.plays) {
        if (p.file < played.size()) {
            played[p.file] = true;
        }
    }
    // The files that play keep their order; each play then names its file's new place.
    std::vector<std::size_t> place(match.files.size(), 0);
    for (std::size_t i = 0; i < match.files.size(); ++i) {
        if (played[i]) {
            place[i] = kept.files.size();
            kept.files.push_back(match.files[i]);
            kept.tags.push_back(i < match.tags.size() ? match.tags[i] : FileTags{});
            for (std::string* field : TagFields(kept.tags.back())) {
                *field = FitTag(*field);
            }
        }
    }
    for (FilePlay& p : kept.layout.plays) {
        // Neighbouring handovers can meet inside a short play; it then lasts no time at all.
        p.play.end = std::max(p.play.end, p.play.start);
        if (p.file < place.size()) {
            p.file = place[p.file];
        } else {
            p.file = kept.files.size(); // MatchFault refuses it when saved
        }
    }
    return kept;
}

void EncodeSections(std::vector<std::byte>& out, std::span<const Marker> markers,
                    const MatchResult* match) {
    const bool tracks = std::any_of(markers.begin(), markers.end(), [](const Marker& m) {
        return m.number != 0 || !m.sourceFile.empty();
    });
    PutLe(out, (tracks ? 1u : 0u) + (match != nullptr ? 1u : 0u), 2);
    if (tracks) {
        std::vector<std::byte> body;
        for (std::size_t i = 0; i < markers.size(); ++i) {
            const Marker& m = markers[i];
            const std::string which = "Marker " + std::to_string(i);
            if (m.number < 0 || m.number > kProjectMaxTrackNumber) {
                throw ProjectError(ProjectError::Kind::Unsaveable,
                                   "The track number of " + which + " is not 0..999");
            }
            if (const char* fault = PathFault(m.sourceFile)) {
                throw ProjectError(ProjectError::Kind::Unsaveable,
                                   "The source file of " + which + " " + fault);
            }
            PutLe(body, static_cast<std::uint64_t>(m.number), 2);
            PutText(body, m.sourceFile);
        }
        PutSection(out, kTracksTag, body);
    }
    if (match != nullptr) {
        if (const std::string fault = MatchFault(*match); !fault.empty()) {
            std::string why = "The match cannot be saved: ";
            why += fault;
            throw ProjectError(ProjectError::Kind::Unsaveable, why);
        }
        std::vector<std::byte> body;
        PutDouble(body, match->mixSeconds);
        PutLe(body, match->files.size(), 2);
        for (std::size_t i = 0; i < match->files.size(); ++i) {
            PutText(body, match->files[i].string());
            for (const std::string* tag : TagFields(match->tags[i])) {
                PutText(body, *tag);
            }
        }
        const Layout& layout = match->layout;
        PutLe(body, layout.plays.size(), 2);
        for (const FilePlay& p : layout.plays) {
            PutLe(body, p.file, 2);
            PutLe(body, p.id, 4);
            for (const double v :
                 {p.play.start, p.play.end, p.play.offset, p.play.ratio, p.play.confidence}) {
                PutDouble(body, v);
            }
            PutLe(body, p.play.keyLock ? 1 : 0, 1);
            PutLe(body, static_cast<std::uint64_t>(p.play.matches), 4);
            PutLe(body, p.middle ? 1 : 0, 1);
            PutDouble(body, p.middle.value_or(0.0));
        }
        PutLe(body, layout.unknown.size(), 2);
        for (const Stretch& s : layout.unknown) {
            PutDouble(body, s.start);
            PutDouble(body, s.end);
        }
        PutLe(body, layout.boundaries.size(), 2);
        for (const Boundary& b : layout.boundaries) {
            PutDouble(body, b.seconds);
            PutLe(body, b.play ? *b.play : kNoPlay, 2);
        }
        PutSection(out, kMatchTag, body);
    }
}

void DecodeSections(FieldReader& in, ProjectFile& project) {
    bool tracksSeen = false;
    bool matchSeen = false;
    // The count makes a file cut after a whole section as plainly cut short as any other.
    const auto count = static_cast<std::size_t>(in.Le(2));
    for (std::size_t k = 0; k < count; ++k) {
        std::array<char, 4> tag{};
        for (char& c : tag) {
            c = static_cast<char>(in.Le(1));
        }
        const std::string name(tag.begin(), tag.end());
        const auto length = static_cast<std::size_t>(in.Le(4));
        FieldReader body(in.Take(length), in.Name(), "its section \"" + name + "\"");
        if (tag == kTracksTag || tag == kMatchTag) {
            bool& seen = tag == kTracksTag ? tracksSeen : matchSeen;
            if (seen) {
                throw in.Malformed("its section \"" + name + "\" comes twice");
            }
            seen = true;
        }
        if (tag == kTracksTag) {
            DecodeTracks(body, project);
        } else if (tag == kMatchTag) {
            project.match = DecodeMatch(body);
        } else {
            std::string note = "a section this version does not know (";
            for (const char c : tag) {
                note += c >= 0x20 && c < 0x7F ? c : '?';
            }
            note += ", " + std::to_string(length) + " bytes) was passed over";
            project.notes.push_back(std::move(note));
            continue;
        }
        if (body.Left() != 0) {
            throw in.Malformed("its section \"" + name + "\" holds " + std::to_string(body.Left()) +
                               " bytes past its last field");
        }
    }
}

} // namespace sundrel
