#include "core/interop/TrackNames.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace sundrel {

namespace {

enum class Field { None, Nn, N, Title, Artist, Mix, Start };

struct FieldName {
    std::string_view name;
    Field field;
};
constexpr FieldName kFields[] = {{"nn", Field::Nn},       {"n", Field::N},
                                 {"title", Field::Title}, {"artist", Field::Artist},
                                 {"mix", Field::Mix},     {"start", Field::Start}};

// A template in pieces: literal text at even positions, fields at odd ones (the first and
// last pieces are literals, possibly empty).
struct Piece {
    Field field = Field::None;
    std::string text;
};

[[noreturn]] void Refuse(std::string_view nameTemplate, const std::string& reason) {
    throw NameTemplateError("name template \"" + std::string(nameTemplate) + "\": " + reason);
}

// `t` in pieces; `whole` is the template as given, for the messages.
std::vector<Piece> Parse(std::string_view t, std::string_view whole) {
    std::vector<Piece> pieces(1);
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '}') {
            if (i + 1 < t.size() && t[i + 1] == '}') {
                pieces.back().text += '}';
                ++i;
                continue;
            }
            Refuse(whole, "\"}\" at position " + std::to_string(i + 1) +
                              " closes no field (write \"}}\" for a brace in the name)");
        }
        if (c != '{') {
            pieces.back().text += c;
            continue;
        }
        if (i + 1 < t.size() && t[i + 1] == '{') {
            pieces.back().text += '{';
            ++i;
            continue;
        }
        const std::size_t close = t.find_first_of("{}", i + 1);
        if (close == std::string_view::npos || t[close] != '}') {
            Refuse(whole, "\"{\" at position " + std::to_string(i + 1) + " has no \"}\"");
        }
        const std::string_view name = t.substr(i + 1, close - i - 1);
        const auto known = std::find_if(std::begin(kFields), std::end(kFields),
                                        [&](const FieldName& f) { return f.name == name; });
        if (known == std::end(kFields)) {
            Refuse(whole, "unknown field {" + std::string(name) +
                              "} (known: {nn} {n} {title} {artist} {mix} {start})");
        }
        pieces.push_back({known->field, {}});
        pieces.push_back({});
        i = close;
    }
    return pieces;
}

bool EndsWithNoCase(std::string_view s, std::string_view end) {
    if (end.empty() || s.size() < end.size()) {
        return false;
    }
    return std::equal(end.begin(), end.end(), s.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) {
                          const auto lower = [](char x) {
                              return x >= 'A' && x <= 'Z' ? static_cast<char>(x - 'A' + 'a') : x;
                          };
                          return lower(a) == lower(b);
                      });
}

std::string Number(const char* format, std::uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<unsigned long long>(value));
    return text;
}

std::string Start(std::uint64_t second) {
    char text[48];
    std::snprintf(text, sizeof text, "%llu-%02u-%02u",
                  static_cast<unsigned long long>(second / 3600),
                  static_cast<unsigned>(second / 60 % 60), static_cast<unsigned>(second % 60));
    return text;
}

// Removes the empty fields and, with each, one separator (see TrackFileNames).
void DropEmptyFields(std::vector<Piece>& pieces) {
    for (std::size_t p = 1; p < pieces.size();) {
        if (!pieces[p].text.empty()) {
            p += 2;
            continue;
        }
        std::string& before = pieces[p - 1].text;
        std::string& after = pieces[p + 1].text;
        constexpr std::string_view open = "([";
        constexpr std::string_view close = ")]";
        if (!before.empty() && !after.empty()) {
            const std::size_t k = open.find(before.back());
            if (k != std::string_view::npos && after.front() == close[k]) {
                before.pop_back();
                after.erase(0, 1);
            }
        }
        if (p + 2 < pieces.size()) {
            // A field follows: the separator after this one goes.
            pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(p),
                         pieces.begin() + static_cast<std::ptrdiff_t>(p + 2));
        } else if (p >= 3) {
            // The last field: the separator before it goes; the text after it stays.
            pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(p - 1),
                         pieces.begin() + static_cast<std::ptrdiff_t>(p + 1));
            p -= 2;
        } else {
            // The only field: the text around it stays.
            before += after;
            pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(p),
                         pieces.begin() + static_cast<std::ptrdiff_t>(p + 2));
        }
    }
}

// The length of the UTF-8 character at s[i], or 0 when the bytes there are not one.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((at(i + k) & 0xC0u) != 0x80u) {
            return 0;
        }
        cp = (cp << 6) | (at(i + k) & 0x3Fu);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
        return 0;
    }
    return n;
}

// Replaces what a file system refuses or a FAT/SMB share cannot hold.
std::string Sanitize(std::string_view s) {
    constexpr std::string_view refused = "/\\:*?\"<>|";
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8Length(s, i);
        const auto c = static_cast<unsigned char>(s[i]);
        if (n == 0) {
            out += '_';
            ++i;
            continue;
        }
        const bool c1Control = n == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0;
        if ((n == 1 && (c < 0x20 || c == 0x7F || refused.find(s[i]) != std::string_view::npos)) ||
            c1Control) {
            out += '_';
        } else {
            out.append(s.substr(i, n));
        }
        i += n;
    }
    return out;
}

void TrimEnds(std::string& s) {
    constexpr std::string_view junk = " .";
    const std::size_t first = s.find_first_not_of(junk);
    if (first == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(s.find_last_not_of(junk) + 1);
    s.erase(0, first);
}

// `s` cut to at most `bytes` bytes on a character boundary (s is valid UTF-8).
void CutTo(std::string& s, std::size_t bytes) {
    if (s.size() <= bytes) {
        return;
    }
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0u) == 0x80u) {
        --end;
    }
    s.erase(end);
    TrimEnds(s);
}

std::string ClassicStem(std::uint64_t number) {
    return Number("track%02llu", number);
}

} // namespace

std::string FoldNameCase(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

void CheckNameTemplate(std::string_view nameTemplate) {
    Parse(nameTemplate, nameTemplate);
}

std::vector<std::string> TrackFileNames(std::string_view nameTemplate,
                                        std::span<const TrackNameFields> tracks,
                                        std::string_view mixName, std::string_view extension) {
    std::string_view body = nameTemplate;
    if (EndsWithNoCase(body, extension)) {
        body.remove_suffix(extension.size());
    }
    const std::vector<Piece> parsed = Parse(body, nameTemplate);
    const std::size_t room = kMaxTrackNameBytes - std::min(extension.size(), kMaxTrackNameBytes);

    std::vector<std::string> stems;
    stems.reserve(tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const std::uint64_t place = i + 1;
        const std::uint64_t number = tracks[i].number.value_or(place);
        std::string stem;
        if (!nameTemplate.empty()) {
            std::vector<Piece> pieces = parsed;
            for (Piece& piece : pieces) {
                switch (piece.field) {
                case Field::None:
                    break;
                case Field::Nn:
                    piece.text = Number("%02llu", number);
                    break;
                case Field::N:
                    piece.text = Number("%llu", number);
                    break;
                case Field::Title:
                    piece.text = tracks[i].title;
                    break;
                case Field::Artist:
                    piece.text = tracks[i].artist;
                    break;
                case Field::Mix:
                    piece.text = mixName;
                    break;
                case Field::Start:
                    piece.text = Start(tracks[i].startSecond);
                    break;
                }
                // A field of nothing but spaces is as good as empty.
                if (piece.field != Field::None &&
                    piece.text.find_first_not_of(" \t") == std::string::npos) {
                    piece.text.clear();
                }
            }
            DropEmptyFields(pieces);
            for (const Piece& piece : pieces) {
                stem += piece.text;
            }
            stem = Sanitize(stem);
            TrimEnds(stem);
            if (!stem.empty() && stem.front() == '-') {
                stem.front() = '_';
            }
        }
        if (stem.empty()) {
            stem = ClassicStem(place);
        }
        CutTo(stem, room);
        stems.push_back(std::move(stem));
    }

    // Tell apart the names that a case-insensitive file system would take for one, without
    // taking a name another track has by itself.
    const std::string ext(extension);
    std::set<std::string> taken;
    for (const std::string& stem : stems) {
        taken.insert(FoldNameCase(stem + ext));
    }
    std::set<std::string> given;
    std::vector<std::string> names;
    names.reserve(stems.size());
    for (std::string& stem : stems) {
        std::string name = stem + ext;
        if (given.contains(FoldNameCase(name))) {
            for (std::uint64_t k = 2;; ++k) {
                const std::string suffix = " (" + std::to_string(k) + ")";
                std::string cut = stem;
                CutTo(cut, room - suffix.size());
                name = cut + suffix + ext;
                const std::string key = FoldNameCase(name);
                if (!taken.contains(key) && !given.contains(key)) {
                    break;
                }
            }
        }
        given.insert(FoldNameCase(name));
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace sundrel
