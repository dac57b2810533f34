#pragma once

#include "core/app/FileKind.h"
#include "core/app/Preferences.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <filesystem>
#include <string>
#include <vector>

namespace sundrel::gui {

// What the program remembers between runs, through QSettings under the organisation and
// application "Sundrel" (on Linux $XDG_CONFIG_HOME/Sundrel/Sundrel.conf). Values that are
// missing or cannot be used read as the defaults. Paths are stored as the file system's bytes
// as UTF-8 text (a name that is not UTF-8 is found again through LocalPath).
class AppSettings {
  public:
    AppSettings();

    app::Preferences Preferences() const;
    void SetPreferences(const app::Preferences& preferences);

    // File > Open Recent, newest first, as UTF-8 text.
    std::vector<std::string> RecentFiles() const;
    void SetRecentFiles(const std::vector<std::string>& paths);

    // The folder the file dialogs for mixes and for projects last used; empty when none.
    QString LastFolder(app::FileKind kind) const;
    void SetLastFolder(app::FileKind kind, const QString& folder);

    // The folder File > Match Tracks last took its track files from (the playlist's folder
    // for a playlist); empty when none.
    QString TracksFolder() const;
    void SetTracksFolder(const QString& folder);

    // The main window's size and place (QWidget::saveGeometry).
    QByteArray WindowGeometry() const;
    void SetWindowGeometry(const QByteArray& geometry);

    // The view's zoom: the width of the window in seconds, 0 for the default zoom.
    double ZoomSpan() const;
    void SetZoomSpan(double seconds);

    // View > Colours by Frequency (on unless turned off) and View > Dark (off unless turned
    // on, so that a first start shows the usual colours).
    bool ColoursByFrequency() const;
    void SetColoursByFrequency(bool on);
    bool DarkTheme() const;
    void SetDarkTheme(bool on);

    // Writes what was set to the file now (QSettings otherwise writes it later or on exit).
    void Sync() { m_settings.sync(); }

  private:
    mutable QSettings m_settings;
};

} // namespace sundrel::gui
