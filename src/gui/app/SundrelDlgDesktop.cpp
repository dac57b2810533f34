// The window as a desktop program: files opened from outside (command line, drops, Open
// Recent) by what they contain, what is remembered between runs, and Edit > Preferences.

#include "gui/app/AppSettings.h"
#include "gui/app/ControlIds.h"
#include "gui/app/LocalPath.h"
#include "gui/app/PreferencesDlg.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "sound/MakeWaveOut.h"
#include "sound/OutputDevices.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <system_error>

using sundrel::app::FileKind;
using sundrel::gui::AppSettings;
using sundrel::gui::Prompt;
namespace ids = sundrel::gui::ids;

namespace {

QString TextOf(const std::filesystem::path& path) {
    return sundrel::gui::ShownPath(path);
}

// A folder as a menu shows it: the home folder as "~".
QString ShortFolder(const std::filesystem::path& folder) {
    const QString text = TextOf(folder);
    const QString home = QDir::homePath();
    if (home.size() > 1 && (text == home || text.startsWith(home + QLatin1Char('/')))) {
        return QLatin1Char('~') + text.mid(home.size());
    }
    return text;
}

// The one local file a drag carries, when it carries exactly one; empty otherwise.
std::filesystem::path DraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile()) {
        return {};
    }
    return sundrel::gui::LocalPath(url.toLocalFile());
}

} // namespace

void CSundrelDlg::SetUpDesktop() {
    setAcceptDrops(true);
    AppSettings settings;
    m_prefs = settings.Preferences();
    m_previewBefore = m_prefs.previewBefore;
    m_previewAfter = m_prefs.previewAfter;
    m_recent = sundrel::app::RecentFiles(settings.RecentFiles());
    m_openingZoom = settings.ZoomSpan();
    if (const QByteArray geometry = settings.WindowGeometry(); !geometry.isEmpty()) {
        restoreGeometry(geometry);
    }

    // File > Open Recent, under Open.
    m_pMenuRecent = new QMenu(QStringLiteral("Open &Recent"), this);
    m_pMenuRecent->setObjectName(QStringLiteral("menuRecent"));
    QAction* before = Command(ids::kCmdSaveAs);
    m_pMenuFile->insertMenu(before, m_pMenuRecent);
    connect(m_pMenuRecent, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
    FillRecentMenu(); // the Clear Menu command exists from the start

    // Edit > Preferences, last in the menu.
    m_pMenuEdit->addSeparator();
    QAction* prefs = m_pMenuEdit->addAction(QStringLiteral("Pr&eferences..."));
    prefs->setData(ids::kCmdPreferences);
    prefs->setObjectName(QStringLiteral("cmd%1").arg(ids::kCmdPreferences));
    // The desktop's key for it where it has one (none on most Linux desktops), else Ctrl+,.
    prefs->setShortcuts(QKeySequence::keyBindings(QKeySequence::Preferences).isEmpty()
                            ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Comma)}
                            : QKeySequence::keyBindings(QKeySequence::Preferences));
    prefs->setShortcutContext(Qt::WindowShortcut);
    connect(prefs, &QAction::triggered, this, [this] { OnPreferences(); });
}

void CSundrelDlg::SaveDesktopState() {
    AppSettings settings;
    settings.SetWindowGeometry(saveGeometry());
    // Without a mix there was no zoom to choose: the remembered one stays.
    if (m_session.IsLoaded()) {
        // The minute the preview commands show is theirs, not a zoom the user chose: the next
        // mix opens at the classic two seconds after it.
        const bool chosen = !m_session.IsDefaultZoom() && m_session.ZoomSpan() != m_judgeSpan;
        settings.SetZoomSpan(chosen ? m_session.ZoomSpan() : 0.0);
    }
}

void CSundrelDlg::SavePreferences() {
    m_prefs.previewBefore = m_previewBefore;
    m_prefs.previewAfter = m_previewAfter;
    AppSettings().SetPreferences(m_prefs);
}

bool CSundrelDlg::OpenPath(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec) {
        full = path;
    }
    switch (sundrel::app::KindOfFile(full)) {
    case FileKind::Wave:
        return LoadWaveFile(full);
    case FileKind::Project:
        return OpenProjectFile(full);
    case FileKind::Cue:
        return OpenCueSheet(full);
    case FileKind::Unknown:
        break;
    }
    m_prompt.Message(this,
                     std::filesystem::exists(full, ec)
                         ? QStringLiteral("%1 is not a WAV mix, a Sundrel project or a cue sheet.")
                               .arg(TextOf(full))
                         : QStringLiteral("%1 does not exist.").arg(TextOf(full)),
                     QStringLiteral("Sundrel"), Prompt::Buttons::Ok, Prompt::Icon::Stop);
    return false;
}

void CSundrelDlg::dragEnterEvent(QDragEnterEvent* event) {
    const std::filesystem::path file = DraggedFile(event->mimeData());
    if (!file.empty() && sundrel::app::KindOfFile(file) != FileKind::Unknown) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CSundrelDlg::dropEvent(QDropEvent* event) {
    const std::filesystem::path file = DraggedFile(event->mimeData());
    if (file.empty() || sundrel::app::KindOfFile(file) == FileKind::Unknown) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The questions (unsaved changes, keep the markers) are modal: ask them once the drag
    // has ended, not inside the drop.
    QMetaObject::invokeMethod(
        this, [this, file] { OpenPath(file); }, Qt::QueuedConnection);
}

void CSundrelDlg::RememberFile(const std::filesystem::path& path, FileKind kind) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec) {
        full = path;
    }
    m_recent.Add(full.string());
    AppSettings settings;
    settings.SetRecentFiles(m_recent.Entries());
    settings.SetLastFolder(kind, TextOf(full.parent_path()));
}

QString CSundrelDlg::StartFolder(FileKind kind) const {
    const QString folder = AppSettings().LastFolder(kind);
    return QFileInfo(folder).isDir() ? folder : QString();
}

void CSundrelDlg::ApplyZoomToNewMix() {
    if (m_session.IsLoaded() && m_openingZoom > 0.0) {
        m_session.SetZoomSpan(std::min(m_openingZoom, m_session.Duration()));
        ApplyTimeView(m_session.WindowAt(0.0));
    }
}

void CSundrelDlg::FillRecentMenu() {
    m_pMenuRecent->clear();
    int number = 1;
    for (const std::string& entry : m_recent.Entries()) {
        const std::filesystem::path path = sundrel::gui::LocalPath(QString::fromStdString(entry));
        // "&1 mix.wav  (/music/sets)": the name to find it by, the folder to tell it apart.
        const QString text = QStringLiteral("%1%2  (%3)")
                                 .arg(number <= 9 ? QStringLiteral("&%1 ").arg(number) : QString(),
                                      TextOf(path.filename()), ShortFolder(path.parent_path()));
        QAction* action = m_pMenuRecent->addAction(text);
        action->setObjectName(QStringLiteral("recent%1").arg(number));
        action->setToolTip(TextOf(path));
        std::error_code ec;
        action->setEnabled(std::filesystem::is_regular_file(path, ec));
        connect(action, &QAction::triggered, this, [this, path] { OpenPath(path); });
        ++number;
    }
    m_pMenuRecent->addSeparator();
    QAction* clear = m_pMenuRecent->addAction(QStringLiteral("&Clear Menu"));
    clear->setData(ids::kCmdClearRecent);
    clear->setObjectName(QStringLiteral("cmd%1").arg(ids::kCmdClearRecent));
    clear->setEnabled(!m_recent.Entries().empty());
    connect(clear, &QAction::triggered, this, [this] { OnClearRecent(); });
}

void CSundrelDlg::OnClearRecent() {
    m_recent.Clear();
    AppSettings().SetRecentFiles(m_recent.Entries());
    // The menu is filled again as it next opens (this command's own entry is in it now).
}

void CSundrelDlg::OnPreferences() {
    m_prefs.previewBefore = m_previewBefore;
    m_prefs.previewAfter = m_previewAfter;
    CPreferencesDlg dlg(
        m_prompt, m_prefs, sundrel::audio::ListOutputDevices(),
        [](const std::string& id) { return sundrel::audio::MakeWaveOut(id); }, this);
    if (dlg.exec() != QDialog::Accepted) {
        return;
    }
    m_prefs = dlg.Chosen();
    m_previewBefore = m_prefs.previewBefore;
    m_previewAfter = m_prefs.previewAfter;
    // The next Play opens the chosen device; a playback running now keeps its device.
    SavePreferences();
}
