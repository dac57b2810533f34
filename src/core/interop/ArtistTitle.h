#pragma once

#include <string>
#include <string_view>

namespace sundrel {

struct ArtistTitle {
    std::string artist;
    std::string title;
    friend bool operator==(const ArtistTitle&, const ArtistTitle&) = default;
};

// Which separators a name may use between artist and title.
enum class NameSeparators {
    Dashes,      // "Artist - Title", also with an en dash or an em dash (label files)
    DashesAndBy, // those, and "Title by Artist" (tracklist text)
};

// Splits a track's name as DJs write it. The name is cleaned first (CleanName). A dash (-, –
// or —) with a space on each side separates artist and title, the first such dash counting,
// so that "Artist - Song - Radio Edit" keeps the title whole; a dash at either end splits too
// ("- Title" is a title alone, "Artist -" an artist alone). Dashes inside words ("Jay-Z") do
// not split. With DashesAndBy and no dash, the last lower-case " by " between two non-empty
// parts splits "Title by Artist", unless a pronoun follows it or the same word stands on
// either side ("Stand by Me", "Side by Side" are titles). Without a separator the whole name is the
// title.
ArtistTitle SplitArtistTitle(std::string_view name, NameSeparators separators);

// The name SplitArtistTitle reads back as the cleaned `artist` and `title`: "Artist - Title",
// the title alone when there is no artist, and "- Title" when the title alone would be split
// ("Stand by Me" without an artist). An artist that itself holds " - " cannot be told apart
// from the title and reads back split at its own dash.
std::string JoinArtistTitle(std::string_view artist, std::string_view title,
                            NameSeparators separators);

} // namespace sundrel
