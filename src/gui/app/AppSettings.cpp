#include "gui/app/AppSettings.h"

#include <QStringList>
#include <cmath>

namespace sundrel::gui {

namespace {

const QString kOrganisation = QStringLiteral("Sundrel");
const QString kApplication = QStringLiteral("Sundrel");

QString FolderKey(app::FileKind kind) {
    return kind == app::FileKind::Project ? QStringLiteral("folders/project")
                                          : QStringLiteral("folders/mix");
}

double ReadSeconds(const QSettings& settings, const QString& key, double fallback) {
    bool ok = false;
    const double value = settings.value(key).toDouble(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}

} // namespace

AppSettings::AppSettings() : m_settings(kOrganisation, kApplication) {}

app::Preferences AppSettings::Preferences() const {
    app::Preferences p;
    p.outputDevice = m_settings.value(QStringLiteral("audio/device")).toString().toStdString();
    const double before =
        ReadSeconds(m_settings, QStringLiteral("preview/before"), p.previewBefore);
    const double after = ReadSeconds(m_settings, QStringLiteral("preview/after"), p.previewAfter);
    if (app::ValidPreviewLengths(before, after)) {
        p.previewBefore = before;
        p.previewAfter = after;
    }
    p.confirmAddMarker =
        m_settings.value(QStringLiteral("markers/confirmAdd"), p.confirmAddMarker).toBool();
    p.splitSync = m_settings.value(QStringLiteral("split/sync"), p.splitSync).toBool();
    return p;
}

void AppSettings::SetPreferences(const app::Preferences& p) {
    m_settings.setValue(QStringLiteral("audio/device"), QString::fromStdString(p.outputDevice));
    m_settings.setValue(QStringLiteral("preview/before"), p.previewBefore);
    m_settings.setValue(QStringLiteral("preview/after"), p.previewAfter);
    m_settings.setValue(QStringLiteral("markers/confirmAdd"), p.confirmAddMarker);
    m_settings.setValue(QStringLiteral("split/sync"), p.splitSync);
}

std::vector<std::string> AppSettings::RecentFiles() const {
    std::vector<std::string> paths;
    for (const QString& stored : m_settings.value(QStringLiteral("recent/files")).toStringList()) {
        paths.push_back(stored.toStdString());
    }
    return paths;
}

void AppSettings::SetRecentFiles(const std::vector<std::string>& paths) {
    QStringList stored;
    for (const std::string& path : paths) {
        stored << QString::fromStdString(path);
    }
    m_settings.setValue(QStringLiteral("recent/files"), stored);
}

QString AppSettings::LastFolder(app::FileKind kind) const {
    return m_settings.value(FolderKey(kind)).toString();
}

void AppSettings::SetLastFolder(app::FileKind kind, const QString& folder) {
    m_settings.setValue(FolderKey(kind), folder);
}

QString AppSettings::TracksFolder() const {
    return m_settings.value(QStringLiteral("folders/tracks")).toString();
}

void AppSettings::SetTracksFolder(const QString& folder) {
    m_settings.setValue(QStringLiteral("folders/tracks"), folder);
}

QByteArray AppSettings::WindowGeometry() const {
    return m_settings.value(QStringLiteral("window/geometry")).toByteArray();
}

void AppSettings::SetWindowGeometry(const QByteArray& geometry) {
    m_settings.setValue(QStringLiteral("window/geometry"), geometry);
}

double AppSettings::ZoomSpan() const {
    const double span = ReadSeconds(m_settings, QStringLiteral("view/zoomSpan"), 0.0);
    return span > 0.0 ? span : 0.0;
}

void AppSettings::SetZoomSpan(double seconds) {
    m_settings.setValue(QStringLiteral("view/zoomSpan"), seconds > 0.0 ? seconds : 0.0);
}

bool AppSettings::ColoursByFrequency() const {
    return m_settings.value(QStringLiteral("view/coloursByFrequency"), true).toBool();
}

void AppSettings::SetColoursByFrequency(bool on) {
    m_settings.setValue(QStringLiteral("view/coloursByFrequency"), on);
}

bool AppSettings::DarkTheme() const {
    return m_settings.value(QStringLiteral("view/dark"), false).toBool();
}

void AppSettings::SetDarkTheme(bool on) {
    m_settings.setValue(QStringLiteral("view/dark"), on);
}

} // namespace sundrel::gui
