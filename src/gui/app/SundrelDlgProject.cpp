// File > Save As... and File > Open...: the project file that keeps the mix path and the
// markers. Open reads and checks the whole file and loads its mix before anything changes.

#include "gui/app/LocalPath.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/project/ProjectFile.h"

#include <QComboBox>
#include <system_error>

using sundrel::gui::LocalPath;
using sundrel::gui::Prompt;

namespace {

const QString kProjectFilter = QStringLiteral("Sundrel (*.sdr)");
// File > Open: projects first (the default), then everything the window opens by content.
const QString kOpenFilter =
    kProjectFilter + QStringLiteral(";;Mix, project or cue sheet (*.sdr *.wav *.cue *.SDR *.WAV "
                                    "*.CUE)");

} // namespace

void CSundrelDlg::OnFileSaveAs() {
    SaveProject(true);
}

bool CSundrelDlg::SaveProject(bool ask) {
    if (!m_session.IsLoaded()) {
        // The menu item is enabled only with a mix: a project names its mix.
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return false;
    }
    std::filesystem::path path = m_session.ProjectPath();
    if (ask || path.empty()) {
        const std::optional<QString> chosen =
            m_prompt.SaveFile(this, kProjectFilter, QStringLiteral("sdr"),
                              StartFolder(sundrel::app::FileKind::Project));
        if (!chosen) {
            return false;
        }
        path = LocalPath(*chosen);
    }
    try {
        m_session.SaveProject(path);
    } catch (const std::exception& e) {
        m_prompt.Message(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Sundrel"),
                         Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return false;
    }
    RememberFile(path, sundrel::app::FileKind::Project);
    return true;
}

void CSundrelDlg::OnFileOpen() {
    const std::optional<QString> chosen =
        m_prompt.OpenFile(this, kOpenFilter, StartFolder(sundrel::app::FileKind::Project));
    if (!chosen) {
        return;
    }
    // A mix or a cue sheet opens as a drop does; anything else is read as a project, which
    // reports what is wrong with it.
    const std::filesystem::path path = LocalPath(*chosen);
    switch (sundrel::app::KindOfFile(path)) {
    case sundrel::app::FileKind::Wave:
    case sundrel::app::FileKind::Cue:
        OpenPath(path);
        break;
    case sundrel::app::FileKind::Project:
    case sundrel::app::FileKind::Unknown:
        OpenProjectFile(path);
        break;
    }
}

bool CSundrelDlg::OpenProjectFile(const std::filesystem::path& path) {
    if (!MayDiscardChanges()) {
        return false;
    }
    bool withMix = false;
    const bool wasPlaying = m_session.IsPlaying();
    try {
        withMix = m_session.OpenProject(path);
    } catch (const sundrel::ProjectError& e) {
        if (e.GetKind() == sundrel::ProjectError::Kind::WaveMissing) {
            m_prompt.Message(this, QString::fromLatin1(sundrel::kWaveMissingMessage),
                             QStringLiteral("error"), Prompt::Buttons::Ok, Prompt::Icon::Stop);
        } else {
            m_prompt.Message(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Sundrel"),
                             Prompt::Buttons::Ok, Prompt::Icon::Stop);
        }
        return false; // nothing has changed
    }
    if (wasPlaying && !m_session.IsPlaying()) {
        FeedControls(sundrel::app::Event::Stop); // the new mix replaced the playing one
    }
    // A version 1 project names no mix: it replaces the markers only.
    FeedControls(withMix ? sundrel::app::Event::OpenProjectWithWave
                         : sundrel::app::Event::OpenProjectWithoutWave);
    // The header entry is selected: "ANP" would move the start marker.
    FeedControls(sundrel::app::Event::HeaderSelected);
    RememberFile(path, sundrel::app::FileKind::Project);
    if (!m_session.ProjectNotes().empty()) {
        QString text = QStringLiteral("A later version of Sundrel wrote this project; this one "
                                      "opened what it knows:");
        for (const std::string& note : m_session.ProjectNotes()) {
            text += QStringLiteral("\n") + QString::fromStdString(note);
        }
        text += QStringLiteral("\nSaving the project leaves that out.");
        m_prompt.Message(this, text, QStringLiteral("Sundrel"), Prompt::Buttons::Ok,
                         Prompt::Icon::Information);
    }
    if (!withMix) {
        return true;
    }
    ShowDuration();
    // Tracks are written into the current directory: make it the mix's folder.
    std::error_code ec;
    std::filesystem::current_path(m_session.WavePath().parent_path(), ec);
    // The first two seconds; the position, the trackbar and the cursor line stay. A mix
    // shorter than that gets the view's warning and a blank view, as loading it does.
    m_session.SetView(sundrel::kOpeningWindow);
    ShowViewWindow();
    ApplyZoomToNewMix();
    update();
    return true;
}
