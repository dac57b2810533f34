#include "core/match/Candidates.h"

#include "core/interop/MarkerSet.h"
#include "core/interop/TextLines.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>

namespace sundrel {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsPlaylist(const fs::path& path) {
    const std::string ext = Lower(path.extension().string());
    return ext == ".m3u" || ext == ".m3u8";
}

std::string Where(const fs::path& path, std::size_t line) {
    std::string text = path.string();
    text += ": line ";
    text += std::to_string(line);
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// "file:///music/a%20b.mp3" -> "/music/a b.mp3"; other text as it is.
std::string FromFileUrl(const std::string& entry) {
    const std::string prefix = "file://";
    if (entry.compare(0, prefix.size(), prefix) != 0) {
        return entry;
    }
    std::string path;
    for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
        if (entry[i] == '%' && i + 2 < entry.size() && HexValue(entry[i + 1]) >= 0 &&
            HexValue(entry[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(entry[i + 1]) * 16 + HexValue(entry[i + 2]));
            i += 2;
        } else {
            path += entry[i];
        }
    }
    return path;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void AddPlaylist(const fs::path& playlist, CandidateList& out, std::vector<fs::path>& found) {
    std::ifstream in(playlist, std::ios::binary);
    if (!in) {
        throw CandidateError(playlist.string() + ": the playlist cannot be read");
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    try {
        lines = DecodeLines(bytes);
    } catch (const InteropError& e) {
        throw CandidateError(playlist.string() + ": " + e.what());
    }
    std::size_t listed = 0;
    const std::size_t before = found.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string entry = Trimmed(lines[i]);
        if (entry.empty() || entry.front() == '#') {
            continue; // #EXTM3U, #EXTINF and other comments
        }
        ++listed;
        fs::path file = fs::path(FromFileUrl(entry));
        if (file.is_relative()) {
            file = playlist.parent_path() / file;
        }
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) {
            out.missing.push_back(Where(playlist, i + 1) + ": " + entry + ": no such file");
            continue;
        }
        found.push_back(file.lexically_normal());
    }
    if (listed == 0) {
        throw CandidateError(playlist.string() + ": the playlist names no files");
    }
    if (found.size() == before) {
        throw CandidateError(playlist.string() + ": none of the playlist's " +
                             std::to_string(listed) + " files exists");
    }
}

void AddFolder(const fs::path& folder, std::vector<fs::path>& found) {
    std::vector<fs::path> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        throw CandidateError(folder.string() + ": the folder cannot be read (" + ec.message() +
                             ")");
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) {
            break;
        }
        std::error_code typeError;
        if (it->is_regular_file(typeError) && HasAudioExtension(it->path())) {
            files.push_back(it->path());
        }
    }
    if (files.empty()) {
        throw CandidateError(folder.string() + ": no audio files in the folder");
    }
    std::sort(files.begin(), files.end());
    found.insert(found.end(), files.begin(), files.end());
}

} // namespace

bool HasAudioExtension(const fs::path& path) {
    static const std::set<std::string> known = {".mp3",  ".m4a",  ".aac",  ".mp4", ".flac",
                                                ".ogg",  ".oga",  ".opus", ".wav", ".aif",
                                                ".aiff", ".aifc", ".wma",  ".wv",  ".ape"};
    return known.count(Lower(path.extension().string())) > 0;
}

CandidateList ListCandidates(const std::vector<fs::path>& sources) {
    CandidateList out;
    std::vector<fs::path> found;
    for (const fs::path& source : sources) {
        std::error_code ec;
        if (fs::is_directory(source, ec)) {
            AddFolder(source, found);
        } else if (IsPlaylist(source) && fs::is_regular_file(source, ec)) {
            AddPlaylist(source, out, found);
        } else if (fs::is_regular_file(source, ec)) {
            found.push_back(source);
        } else {
            out.missing.push_back(source.string() + ": no such file or folder");
        }
    }
    std::set<fs::path> seen;
    for (const fs::path& file : found) {
        std::error_code ec;
        fs::path key = fs::weakly_canonical(file, ec);
        if (ec) {
            key = file;
        }
        if (seen.insert(key).second) {
            out.files.push_back(file);
        }
    }
    if (out.files.empty()) {
        throw CandidateError(out.missing.empty() ? std::string("no candidate track files")
                                                 : out.missing.front());
    }
    return out;
}

} // namespace sundrel
