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

SplitChoice LoadSplitChoice(const std::filesystem::path& mix, const QString& defaultFolder,
                            bool named) {
    QSettings settings = Settings();
    SplitChoice choice;
    choice.nameTemplate = settings.contains(kTemplateKey) || !named
                              ? settings.value(kTemplateKey).toString()
                              : kNamedTracksTemplate;
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

QString NameTemplateHelp() {
    return QStringLiteral("{nn} the track number in two digits, {n} the track number,\n"
                          "{title} and {artist} of the track, {mix} the mix's file name,\n"
                          "{start} where the track starts (h-mm-ss).\n"
                          "Empty: track01, track02, ...");
}

} // namespace sundrel::gui
