#include "core/interop/ArtistTitle.h"

#include "core/interop/NameText.h"

#include <array>

namespace sundrel {

namespace {

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string Lower(std::string_view word) {
    std::string out(word);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Whether " by " at `by` in `name` belongs to the title: before a pronoun ("Stand by Me",
// "Stand by Your Man") or between two equal words ("Side by Side", "Step by Step").
bool ByInTitle(std::string_view name, std::size_t by) {
    const std::string_view after = name.substr(by + 4);
    const std::string next = Lower(after.substr(0, after.find(' ')));
    constexpr std::array<std::string_view, 14> kPronouns = {
        "me", "you",  "him", "her", "us",    "them",   "it",
        "my", "your", "his", "our", "their", "myself", "yourself"};
    for (const std::string_view pronoun : kPronouns) {
        if (next == pronoun) {
            return true;
        }
    }
    const std::string_view before = name.substr(0, by);
    const std::size_t space = before.rfind(' ');
    const std::string previous =
        Lower(space == std::string_view::npos ? before : before.substr(space + 1));
    return previous == next;
}

} // namespace

ArtistTitle SplitArtistTitle(std::string_view name, NameSeparators separators) {
    const std::string clean = CleanName(name);
    // Spaces at both ends let a dash at either end count as a separator.
    const std::string padded = " " + clean + " ";
    constexpr std::array<std::string_view, 3> kDashes = {" - ", " \u2013 ", " \u2014 "};
    std::size_t at = std::string::npos;
    std::size_t length = 0;
    for (const std::string_view dash : kDashes) {
        const std::size_t found = padded.find(dash);
        if (found < at) {
            at = found;
            length = dash.size();
        }
    }
    if (at != std::string::npos) {
        return {Trimmed(std::string_view(padded).substr(0, at)),
                Trimmed(std::string_view(padded).substr(at + length))};
    }
    if (separators == NameSeparators::DashesAndBy) {
        const std::size_t by = clean.rfind(" by ");
        if (by != std::string::npos && by > 0 && by + 4 < clean.size() && !ByInTitle(clean, by)) {
            return {Trimmed(clean.substr(by + 4)), Trimmed(clean.substr(0, by))};
        }
    }
    return {{}, clean};
}

std::string JoinArtistTitle(std::string_view artist, std::string_view title,
                            NameSeparators separators) {
    const std::string a = CleanName(artist);
    const std::string t = CleanName(title);
    if (a.empty()) {
        if (t.empty() || SplitArtistTitle(t, separators) == ArtistTitle{{}, t}) {
            return t;
        }
        return "- " + t;
    }
    return t.empty() ? a + " -" : a + " - " + t;
}

} // namespace sundrel
