#include "core/match/FileTags.h"

#include <taglib/fileref.h>
#include <taglib/tpropertymap.h>

namespace sundrel {

namespace {

std::string First(const TagLib::PropertyMap& map, const char* key) {
    const auto found = map.find(key);
    if (found == map.end() || found->second.isEmpty()) {
        return {};
    }
    return found->second.front().to8Bit(true);
}

} // namespace

FileTags ReadFileTags(const std::filesystem::path& path) {
    FileTags tags;
    const TagLib::FileRef file(path.c_str(), false);
    if (!file.isNull() && file.file()) {
        const TagLib::PropertyMap map = file.file()->properties();
        tags.title = First(map, "TITLE");
        tags.artist = First(map, "ARTIST");
        tags.album = First(map, "ALBUM");
        tags.bpm = First(map, "BPM");
        tags.key = First(map, "INITIALKEY");
        tags.year = First(map, "DATE");
        tags.genre = First(map, "GENRE");
        tags.isrc = First(map, "ISRC");
    }
    if (tags.title.empty()) {
        tags.title = path.stem().string();
    }
    return tags;
}

} // namespace sundrel
