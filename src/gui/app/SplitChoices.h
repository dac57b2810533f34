#pragma once

// What the user chooses before a split (output folder, track name template, format), where
// the last choice is kept, and how a choice becomes the split's options for the session's
// markers.

#include "core/interop/TrackTags.h"
#include "core/split/SplitTypes.h"
#include "core/split/TrackFiles.h"

#include <QString>
#include <filesystem>
#include <string>
#include <vector>

namespace sundrel {
class MixSession;
}

namespace sundrel::gui {

struct SplitChoice {
    QString folder;
    // The track file name pattern with {nn} {n} {title} {artist} {mix} {start}; empty for
    // the classic names track01.wav, track02.wav, ...
    QString nameTemplate;
    TrackFormat format = TrackFormat::Wav;
    friend bool operator==(const SplitChoice&, const SplitChoice&) = default;
};

// The choice to offer for splitting `mix`: the last template and format, and the folder last
// chosen for this same mix, else `defaultFolder`. Read from the program's settings
// (organisation and application "Sundrel").
SplitChoice LoadSplitChoice(const std::filesystem::path& mix, const QString& defaultFolder);
// Keeps `choice`, made for `mix`, as the last one.
void SaveSplitChoice(const std::filesystem::path& mix, const SplitChoice& choice);

// The file name of each track the session's markers cut (track order) for the template and
// format. It gives the classic names for now, "track01" ... with the format's extension,
// whatever the template says; the template is expanded here once the expansion exists.
std::vector<std::string> TrackFileNamesFor(const MixSession& session, const QString& nameTemplate,
                                           TrackFormat format);

// The tags of each track in track order: the title and artist of the marker that starts it,
// the mix's file name without extension as album, the track's number and the count.
std::vector<TrackTags> TrackTagsFor(const MixSession& session);

// The format, names and tags of a split of the session's markers as `choice` says.
SplitOptions SplitOptionsFor(const MixSession& session, const SplitChoice& choice);

// The files of `folder` that tracks named `names` (track order) would replace.
std::vector<TrackFile> ExistingTrackFiles(const std::filesystem::path& folder,
                                          const std::vector<std::string>& names);

// The names the template placeholders stand for, as the split dialog explains them.
QString NameTemplateHelp();

} // namespace sundrel::gui
