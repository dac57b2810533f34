// File > Save As... and File > Open...: the project file that keeps the mix path and the
// markers. Open reads and checks the whole file and loads its mix before anything changes.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/project/ProjectLoader.h"

#include <QComboBox>
#include <QFile>
#include <system_error>

using sundrel::gui::Prompt;

namespace {

const QString kProjectFilter = QStringLiteral("Sundrel (*.sdr)");

std::filesystem::path LocalPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

} // namespace

void CSundrelDlg::OnFileSaveAs() {
    if (!m_bLoaded) {
        // The menu item is enabled only with a mix: a project names its mix.
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return;
    }
    const std::optional<QString> chosen =
        m_prompt.SaveFile(this, kProjectFilter, QStringLiteral("sdr"));
    if (!chosen) {
        return;
    }
    try {
        sundrel::WriteProject(LocalPath(*chosen), m_szWavePath.string(), m_markers.Values());
    } catch (const std::exception& e) {
        m_prompt.Message(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Sundrel"),
                         Prompt::Buttons::Ok, Prompt::Icon::Stop);
    }
}

void CSundrelDlg::OnFileOpen() {
    const std::optional<QString> chosen = m_prompt.OpenFile(this, kProjectFilter);
    if (!chosen) {
        return;
    }
    sundrel::OpenedProject project;
    try {
        project = sundrel::OpenProject(LocalPath(*chosen));
    } catch (const sundrel::ProjectError& e) {
        if (e.GetKind() == sundrel::ProjectError::Kind::WaveMissing) {
            m_prompt.Message(this, QString::fromLatin1(sundrel::kWaveMissingMessage),
                             QStringLiteral("error"), Prompt::Buttons::Ok, Prompt::Icon::Stop);
        } else {
            m_prompt.Message(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Sundrel"),
                             Prompt::Buttons::Ok, Prompt::Icon::Stop);
        }
        return; // nothing has changed
    }

    // A version 1 project names no mix: it replaces the markers only.
    const bool withMix = project.wave != nullptr;
    if (withMix) {
        StopPlayback(); // the player reads the mix being replaced
        m_szWavePath = project.wave->m_strPath;
        m_pWaveFile = std::move(project.wave);
        m_bLoaded = true;
    }
    m_markers.Replace(project.file.markers);
    FillMarkerBox();
    ApplyControlStates(withMix ? sundrel::app::Action::OpenProjectWithWave
                               : sundrel::app::Action::OpenProjectWithoutWave);
    // The header entry is selected: "ANP" would move the start marker.
    ApplyControlStates(sundrel::app::Action::HeaderSelected);
    if (!withMix) {
        return;
    }
    ShowDuration();
    // Tracks are written into the current directory: make it the mix's folder.
    std::error_code ec;
    std::filesystem::current_path(m_szWavePath.parent_path(), ec);
    // The first two seconds; the position, the trackbar and the cursor line stay. A mix
    // shorter than that gets the view's warning and a blank view, as loading it does.
    m_fViewFrom = 0.0f;
    m_fViewTo = 2.0f;
    ShowViewWindow();
    update();
}
