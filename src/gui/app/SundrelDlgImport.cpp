// Marker files in the window: File > Import Markers (a cue sheet, a label file, a tracklist,
// or the clipboard's text), File > Export Markers, Edit > Mix Title and Artist, and a cue
// sheet opened with the mix it names. The session applies an import as one undo step and
// tells the views; the handlers here ask the questions and report what happened.

#include "gui/app/ControlIds.h"
#include "gui/app/LocalPath.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/app/CountText.h"

#include "core/interop/InteropLimits.h"
#include "core/interop/MarkerImport.h"
#include "core/interop/MarkerTextKind.h"
#include "core/io/FileIdentity.h"
#include "core/markers/MarkerMath.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <algorithm>
#include <sys/stat.h>
#include <system_error>

using sundrel::MarkerFileKind;
using sundrel::gui::Prompt;
using sundrel::gui::ShownPath;
namespace ids = sundrel::gui::ids;

namespace {

const QString kImportCaption = QStringLiteral("Import Markers");
const QString kExportCaption = QStringLiteral("Export Markers");

QString KindName(MarkerFileKind kind) {
    return QString::fromLatin1(sundrel::MarkerFileKindName(kind));
}

QString Filter(MarkerFileKind kind) {
    switch (kind) {
    case MarkerFileKind::Cue:
        return QStringLiteral("Cue sheets (*.cue);;All files (*)");
    case MarkerFileKind::Labels:
        return QStringLiteral("Audacity label files (*.txt);;All files (*)");
    case MarkerFileKind::Tracklist:
        break;
    }
    return QStringLiteral("Tracklists (*.txt);;All files (*)");
}

// The name offered for an export beside `mix`: "<mix>.cue", "<mix> labels.txt",
// "<mix> tracklist.txt".
std::filesystem::path ExportName(const std::filesystem::path& mix, MarkerFileKind kind) {
    std::string name = mix.stem().string();
    switch (kind) {
    case MarkerFileKind::Cue:
        name += ".cue";
        break;
    case MarkerFileKind::Labels:
        name += " labels.txt";
        break;
    case MarkerFileKind::Tracklist:
        name += " tracklist.txt";
        break;
    }
    return mix.parent_path() / name;
}

// "1 marker", "12 markers".
QString Count(std::size_t n, const char* noun) {
    return QString::fromStdString(sundrel::app::CountText(n, noun));
}

QString FromError(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

// Shows "<what> <file>" in the status label, the file's name shortened in the middle when the
// whole does not fit; the tooltip has all of it and `more`.
void ShowStatus(QLabel* label, const QString& what, const QString& file, const QString& more) {
    const QFontMetrics metrics = label->fontMetrics();
    const QString prefix = what + QLatin1Char(' ');
    QString shown = prefix + file;
    // Measured whole: parts measured apart do not add up to the width of the whole exactly.
    const int width = label->width();
    for (int room = width - metrics.horizontalAdvance(prefix);
         room > 0 && metrics.horizontalAdvance(shown) > width; room -= 2) {
        shown = prefix + metrics.elidedText(file, Qt::ElideMiddle, room);
    }
    // A name cut to a few letters says nothing: the count alone then, the file in the tooltip.
    if (shown != prefix + file && shown.size() < prefix.size() + 8) {
        shown = what.section(QLatin1Char(' '), 0, -2); // "14 tracks from" → "14 tracks"
    }
    if (metrics.horizontalAdvance(shown) > width) {
        shown = metrics.elidedText(shown, Qt::ElideRight, width);
    }
    label->setText(shown);
    label->setToolTip(prefix + file + more);
}

} // namespace

void CSundrelDlg::CreateMarkerFileMenus() {
    const auto command = [this](QMenu* menu, const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        action->setObjectName(QStringLiteral("cmd%1").arg(id));
        return action;
    };
    // Into the File menu after Load Wave file, before the separator above Exit.
    QAction* beforeExit = nullptr;
    const QList<QAction*> fileItems = m_pMenuFile->actions();
    for (qsizetype i = 1; i < fileItems.size(); ++i) {
        if (fileItems[i]->data().toInt() == ids::kCmdExit) {
            beforeExit = fileItems[i - 1];
        }
    }
    auto* import = new QMenu(QStringLiteral("&Import Markers"), m_pMenuFile);
    import->setObjectName(QStringLiteral("menuImport"));
    auto* exportMenu = new QMenu(QStringLiteral("E&xport Markers"), m_pMenuFile);
    exportMenu->setObjectName(QStringLiteral("menuExport"));
    struct Entry {
        MarkerFileKind kind;
        const char* text;
        int importId;
        int exportId;
    };
    const Entry entries[] = {
        {MarkerFileKind::Cue, "&Cue Sheet...", ids::kCmdImportCue, ids::kCmdExportCue},
        {MarkerFileKind::Labels, "&Label File...", ids::kCmdImportLabels, ids::kCmdExportLabels},
        {MarkerFileKind::Tracklist, "&Tracklist...", ids::kCmdImportTracklist,
         ids::kCmdExportTracklist},
    };
    for (const Entry& entry : entries) {
        const QString text = QString::fromLatin1(entry.text);
        connect(command(import, text, entry.importId), &QAction::triggered, this,
                [this, kind = entry.kind] { OnImportMarkers(kind); });
        connect(command(exportMenu, text, entry.exportId), &QAction::triggered, this,
                [this, kind = entry.kind] { OnExportMarkers(kind); });
    }
    import->addSeparator();
    QAction* paste = command(import, QStringLiteral("&Paste Tracklist"), ids::kCmdPasteTracklist);
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
    connect(paste, &QAction::triggered, this, [this] { OnPasteTracklist(); });
    m_pMenuFile->insertMenu(beforeExit, import);
    m_pMenuFile->insertMenu(beforeExit, exportMenu);

    // Into the Edit menu after Rename Marker.
    QAction* afterRename = nullptr;
    const QList<QAction*> editItems = m_pMenuEdit->actions();
    for (qsizetype i = 0; i + 1 < editItems.size(); ++i) {
        if (editItems[i]->data().toInt() == ids::kCmdRenameMarker) {
            afterRename = editItems[i + 1];
        }
    }
    auto* names = new QAction(QStringLiteral("Mix &Title and Artist..."), m_pMenuEdit);
    names->setData(ids::kCmdMixNames);
    names->setObjectName(QStringLiteral("cmd%1").arg(ids::kCmdMixNames));
    m_pMenuEdit->insertAction(afterRename, names);

    // Everything but a cue sheet's import (which can bring its mix) needs a mix. Paste keeps
    // its key at all times and says so itself.
    const auto update = [this, exportMenu] {
        const bool loaded = m_session.IsLoaded();
        for (const int id : {ids::kCmdImportLabels, ids::kCmdImportTracklist}) {
            Command(id)->setEnabled(loaded);
        }
        exportMenu->menuAction()->setEnabled(loaded);
        Command(ids::kCmdMixNames)->setEnabled(loaded);
    };
    for (QMenu* menu : {m_pMenuFile, import, m_pMenuEdit}) {
        connect(menu, &QMenu::aboutToShow, this, update);
    }

    connect(names, &QAction::triggered, this, [this] { OnMixNames(); });
}

void CSundrelDlg::OnImportMarkers(MarkerFileKind kind) {
    if (!m_session.IsLoaded() && kind != MarkerFileKind::Cue) {
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return;
    }
    // Marker files usually lie beside the mix.
    const std::optional<QString> chosen = m_prompt.OpenFile(
        this, Filter(kind),
        m_session.IsLoaded() ? ShownPath(m_session.WavePath().parent_path()) : QString());
    if (!chosen) {
        return;
    }
    const std::filesystem::path path = sundrel::gui::LocalPath(*chosen);
    if (!m_session.IsLoaded()) {
        OpenCueSheet(path); // the sheet brings its mix
        return;
    }
    sundrel::MarkerSet set;
    try {
        set = sundrel::ReadMarkerFile(path, kind);
    } catch (const sundrel::MarkerFileError& e) {
        m_prompt.Message(this, FromError(e), kImportCaption, Prompt::Buttons::Ok,
                         Prompt::Icon::Stop);
        return;
    }
    ImportMarkerSet(set, ShownPath(path.filename()), kind == MarkerFileKind::Cue);
}

void CSundrelDlg::OnPasteTracklist() {
    if (!m_session.IsLoaded()) {
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return;
    }
    const QString text = QGuiApplication::clipboard()->text();
    if (text.trimmed().isEmpty()) {
        m_prompt.Message(this,
                         QStringLiteral("The clipboard holds no text. Copy a tracklist (one "
                                        "track a line, \"03:15 Artist - Title\"), a cue sheet or "
                                        "a label file, then paste it again."),
                         kImportCaption, Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    const std::string bytes = text.toStdString();
    // Text shaped like a cue sheet or a label file is read as one; anything else as a
    // tracklist.
    const MarkerFileKind kind = sundrel::GuessMarkerTextKind(bytes);
    sundrel::MarkerSet set;
    try {
        set = sundrel::ParseMarkerText(bytes, kind);
    } catch (const sundrel::InteropError& e) {
        m_prompt.Message(this,
                         QStringLiteral("The pasted text is not a usable %1: %2")
                             .arg(KindName(kind), FromError(e)),
                         kImportCaption, Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    ImportMarkerSet(set, QStringLiteral("the pasted %1").arg(KindName(kind)),
                    kind == MarkerFileKind::Cue);
}

bool CSundrelDlg::ImportMarkerSet(const sundrel::MarkerSet& set, const QString& source,
                                  bool checkFile) {
    const QString mix = ShownPath(m_session.WavePath().filename());
    if (checkFile && sundrel::NamesOtherFile(set, m_session.WavePath())) {
        if (m_prompt.Choose(this,
                            QStringLiteral("%1 is a cue sheet for \"%2\", not for %3. Use its "
                                           "markers for %3 anyway?")
                                .arg(source, QString::fromStdString(set.file), mix),
                            kImportCaption,
                            {QStringLiteral("&Use Anyway"), QStringLiteral("Cancel")}) != 0) {
            return false;
        }
    }
    const bool timed = sundrel::HasTimes(set);
    const std::size_t existing = m_session.Markers().Count() - 1; // beyond the start
    if (timed && existing > 0 &&
        m_prompt.Choose(
            this,
            QStringLiteral("Replace the %1 with the %2 of %3?")
                .arg(Count(existing, "marker"), Count(set.tracks.size(), "track"), source),
            kImportCaption, {QStringLiteral("&Replace"), QStringLiteral("Cancel")}) != 0) {
        return false;
    }
    FinishMarkerDrag();
    std::optional<sundrel::MixSession::ImportOutcome> outcome;
    try {
        outcome = m_session.Import(set);
    } catch (const sundrel::InteropError& e) {
        // Nothing has changed. Names for a mix without markers yet can wait for the
        // boundaries the analysis finds for that many tracks.
        const std::size_t names = set.tracks.size();
        if (!timed && existing == 0 && names > 1 && names <= sundrel::kMaxMarkers &&
            !IsSuggesting()) {
            if (m_prompt.Choose(this,
                                QStringLiteral("%1 names %2, but the mix has no markers yet. Find "
                                               "the boundaries of %2 (Tool > Suggest "
                                               "Boundaries)? Accept All Suggestions then gives "
                                               "the tracks these names.")
                                    .arg(source, Count(names, "track")),
                                kImportCaption,
                                {QStringLiteral("&Find Boundaries"), QStringLiteral("Cancel")}) ==
                0) {
                m_session.HoldNames(set);
                sundrel::SuggestOptions options;
                options.tracks = static_cast<int>(names);
                StartSuggest(options);
            }
            return false;
        }
        m_prompt.Message(
            this,
            QStringLiteral("The markers of %1 do not fit %2: %3").arg(source, mix, FromError(e)),
            kImportCaption, Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return false;
    }
    if (!outcome) {
        return false;
    }
    if (outcome->timed) {
        FeedControls(sundrel::app::Event::TimedImport);
    }
    // The tracks the markers now make; what the reader read past or guessed goes into the
    // status's tooltip.
    const QString tracks = Count(outcome->tracks, "track");
    QString more = QStringLiteral("\nEdit > Undo takes it back.");
    for (const std::string& note : set.notes) {
        more += QStringLiteral("\n") + QString::fromStdString(note);
    }
    m_bSuggestionStatus = false;
    ShowStatus(m_stStatus,
               outcome->timed ? QStringLiteral("%1 from").arg(tracks)
                              : QStringLiteral("Named %1 from").arg(tracks),
               source, more);
    return true;
}

void CSundrelDlg::OnExportMarkers(MarkerFileKind kind) {
    if (!m_session.IsLoaded()) {
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return;
    }
    const std::optional<QString> chosen = m_prompt.SaveFile(
        this, Filter(kind),
        kind == MarkerFileKind::Cue ? QStringLiteral("cue") : QStringLiteral("txt"),
        ShownPath(ExportName(m_session.WavePath(), kind)));
    if (!chosen) {
        return;
    }
    const std::filesystem::path path = sundrel::gui::LocalPath(*chosen);
    if (sundrel::io::SameFile(path, m_session.WavePath())) {
        m_prompt.Message(this,
                         QStringLiteral("%1 is the mix. Choose another file for the markers.")
                             .arg(QDir::toNativeSeparators(ShownPath(path))),
                         kExportCaption, Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    const sundrel::MarkerSet set = m_session.ExportSet();
    try {
        sundrel::WriteMarkerFile(path, set, kind);
    } catch (const sundrel::MarkerFileError& e) {
        m_prompt.Message(this, FromError(e), kExportCaption, Prompt::Buttons::Ok,
                         Prompt::Icon::Stop);
        return;
    }
    m_bSuggestionStatus = false;
    ShowStatus(
        m_stStatus, QStringLiteral("%1 to").arg(Count(set.tracks.size(), "track")),
        ShownPath(path.filename()),
        QStringLiteral(" (%1)").arg(QDir::toNativeSeparators(ShownPath(path.parent_path()))));
}

void CSundrelDlg::OnMixNames() {
    if (!m_session.IsLoaded()) {
        return; // the item is enabled only with a mix
    }
    const sundrel::MixInfo& now = m_session.Names();
    const std::optional<QStringList> names =
        m_prompt.EditTexts(this, QStringLiteral("Mix Title and Artist"),
                           {QStringLiteral("&Title:"), QStringLiteral("&Artist:")},
                           {QString::fromStdString(now.title), QString::fromStdString(now.artist)});
    if (!names || names->size() != 2) {
        return;
    }
    // The date and genre a cue sheet gave stay.
    sundrel::MixInfo typed{names->at(0).trimmed().toStdString(),
                           names->at(1).trimmed().toStdString(), now.date, now.genre};
    // A project and a marker file hold names up to a bound: longer ones are refused here
    // rather than when the project is saved.
    if (std::max(typed.title.size(), typed.artist.size()) > sundrel::kMaxNameBytes) {
        m_prompt.Message(this,
                         QStringLiteral("A title or artist can be at most %1 bytes long.")
                             .arg(sundrel::kMaxNameBytes),
                         QStringLiteral("Mix Title and Artist"), Prompt::Buttons::Ok,
                         Prompt::Icon::Stop);
        return;
    }
    m_session.SetNames(std::move(typed));
}

bool CSundrelDlg::OpenCueSheet(const std::filesystem::path& path) {
    sundrel::MarkerSet set;
    try {
        set = sundrel::ReadMarkerFile(path, MarkerFileKind::Cue);
    } catch (const sundrel::MarkerFileError& e) {
        m_prompt.Message(this, FromError(e), kImportCaption, Prompt::Buttons::Ok,
                         Prompt::Icon::Stop);
        return false;
    }
    const QString sheet = ShownPath(path.filename());
    if (set.file.empty()) {
        m_prompt.Message(this,
                         QStringLiteral("%1 names no audio file (it has no FILE line). Load the "
                                        "mix, then import the cue sheet.")
                             .arg(sheet),
                         kImportCaption, Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return false;
    }
    std::error_code ec;
    std::filesystem::path sheetPath = std::filesystem::absolute(path, ec);
    if (ec) {
        sheetPath = path;
    }
    const std::filesystem::path mix = sundrel::FileNamedBy(set, sheetPath);
    if (!std::filesystem::is_regular_file(mix, ec)) {
        // Something else under the name (a FIFO, a folder) is named for what it is.
        struct stat st {};
        const QString what =
            ::stat(mix.c_str(), &st) == 0
                ? QStringLiteral("which is %1, not a regular file")
                      .arg(QString::fromStdString(sundrel::io::KindOfFile(st.st_mode)))
                : QStringLiteral("which is not there");
        m_prompt.Message(this,
                         QStringLiteral("%1 is the cue sheet of %2, %3. Load the mix, then "
                                        "import the cue sheet.")
                             .arg(sheet, QDir::toNativeSeparators(ShownPath(mix)), what),
                         kImportCaption, Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return false;
    }
    const bool loaded =
        m_session.IsLoaded() && std::filesystem::equivalent(m_session.WavePath(), mix, ec) && !ec;
    if (!loaded && !LoadWaveFile(mix)) {
        return false; // the mix was refused (and reported) or the user cancelled
    }
    return ImportMarkerSet(set, sheet, false);
}
