#pragma once

// What the user chooses before a split (output folder, track name template, format), where
// the last choice is kept, and how a choice becomes the split's options for the session's
// markers.

#include "core/split/SplitTypes.h"

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

// The template offered for tracks that have names when none was ever chosen.
inline const QString kNamedTracksTemplate = QStringLiteral("{nn} {artist} - {title}");

// The choice to offer for splitting `mix`: the last template and format, and the folder last
// chosen for this same mix, else `defaultFolder`. Read from the program's settings
// (organisation and application "Sundrel"). When no template was ever chosen and the tracks
// have names (`named`), kNamedTracksTemplate.
SplitChoice LoadSplitChoice(const std::filesystem::path& mix, const QString& defaultFolder,
                            bool named = false);
// Keeps `choice`, made for `mix`, as the last one.
void SaveSplitChoice(const std::filesystem::path& mix, const SplitChoice& choice);

// The names the template placeholders stand for, as the split dialog explains them.
QString NameTemplateHelp();

} // namespace sundrel::gui
