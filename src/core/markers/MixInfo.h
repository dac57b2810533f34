#pragma once

#include <string>

namespace sundrel {

// What the mix itself is called: its title (the album its tracks belong to) and its artist
// (the DJ), UTF-8; empty when unknown. Cue sheets carry them; tags and exports use them.
struct MixInfo {
    std::string title;
    std::string artist;
    // When the mix was recorded and its genre, as a cue sheet's REM DATE and REM GENRE give
    // them; written as tags, not kept in a project file.
    std::string date{};
    std::string genre{};
    bool Empty() const { return title.empty() && artist.empty(); }
    friend bool operator==(const MixInfo&, const MixInfo&) = default;
};

} // namespace sundrel
