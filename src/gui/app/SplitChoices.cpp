#include "gui/app/SplitChoices.h"

#include "core/session/MixSession.h"
#include "core/split/SplitPlan.h"

#include <QSettings>

namespace sundrel::gui {

namespace {

const QString kTemplateKey = QStringLiteral("split/template");
const QString kFormatKey = QStringLiteral("split/format");
const QString kFolderKey = QStringLiteral("split/folder");
const QString kMixKey = QStringLiteral("split/mix");

QSettings Settings() {
    return QSettings(QStringLiteral("Sundrel"), QStringLiteral("Sundrel"));
}

QString FormatKey(TrackFormat format) {
    return format == TrackFormat::Flac ? QStringLiteral("flac") : QStringLiteral("wav");
}

// The mix as the settings keep it: its path's bytes, so a name that is not UTF-8 still
// matches itself.
QByteArray MixKey(const std::filesystem::path& mix) {
    return QByteArray::fromStdString(mix.lexically_normal().string());
}

} // namespace

SplitChoice LoadSplitChoice(const std::filesystem::path& mix, const QString& defaultFolder) {
    QSettings settings = Settings();
    SplitChoice choice;
    choice.nameTemplate = settings.value(kTemplateKey).toString();
    choice.format = settings.value(kFormatKey).toString() == FormatKey(TrackFormat::Flac)
                        ? TrackFormat::Flac
                        : TrackFormat::Wav;
    const QString folder = settings.value(kFolderKey).toString();
    // Another mix's tracks go beside that mix by default, as they always did.
    choice.folder = !folder.isEmpty() && settings.value(kMixKey).toByteArray() == MixKey(mix)
                        ? folder
                        : defaultFolder;
    return choice;
}

void SaveSplitChoice(const std::filesystem::path& mix, const SplitChoice& choice) {
    QSettings settings = Settings();
    settings.setValue(kTemplateKey, choice.nameTemplate);
    settings.setValue(kFormatKey, FormatKey(choice.format));
    settings.setValue(kFolderKey, choice.folder);
    settings.setValue(kMixKey, MixKey(mix));
}

std::vector<std::string> TrackFileNamesFor(const MixSession& session,
                                           const QString& /*nameTemplate*/, TrackFormat format) {
    std::vector<std::string> names;
    const std::size_t count = session.TrackCount();
    for (std::size_t track = 1; track <= count; ++track) {
        std::string name = TrackName(static_cast<int>(track)); // "trackNN.wav"
        if (format == TrackFormat::Flac) {
            name.replace(name.size() - 3, 3, "flac");
        }
        names.push_back(std::move(name));
    }
    return names;
}

std::vector<TrackTags> TrackTagsFor(const MixSession& session) {
    // Split cuts at the markers in this order, and the start marker begins the first track.
    const std::vector<std::size_t> order = session.Markers().TimeOrder();
    const int count = static_cast<int>(order.size());
    const std::string album = session.WavePath().stem().string();
    std::vector<TrackTags> tags;
    for (int track = 0; track < count; ++track) {
        const Marker& marker = *session.Markers().At(order[static_cast<std::size_t>(track)]);
        tags.push_back({marker.title, marker.artist, album, track + 1, count});
    }
    return tags;
}

SplitOptions SplitOptionsFor(const MixSession& session, const SplitChoice& choice) {
    SplitOptions options;
    options.format = choice.format;
    options.names = TrackFileNamesFor(session, choice.nameTemplate, choice.format);
    options.tags = TrackTagsFor(session);
    return options;
}

std::vector<TrackFile> ExistingTrackFiles(const std::filesystem::path& folder,
                                          const std::vector<std::string>& names) {
    std::vector<TrackFile> existing;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::filesystem::path path = folder / names[i];
        std::error_code ec;
        if (std::filesystem::exists(path, ec) && !std::filesystem::is_directory(path, ec)) {
            existing.push_back({static_cast<int>(i + 1), path});
        }
    }
    return existing;
}

QString NameTemplateHelp() {
    return QStringLiteral("{nn} the track number in two digits, {n} the track number,\n"
                          "{title} and {artist} of the track, {mix} the mix's file name,\n"
                          "{start} where the track starts (h-mm-ss).\n"
                          "Empty: track01, track02, ...");
}

} // namespace sundrel::gui
