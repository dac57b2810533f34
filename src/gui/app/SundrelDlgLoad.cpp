// Loading a mix: the "Load Wave file..." command and the start-up argument.

#include "gui/app/LocalPath.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/app/CountText.h"

#include "core/time/TimeCode.h"

#include <QLabel>
#include <system_error>

void CSundrelDlg::OnLoadWave() {
    const std::optional<QString> chosen = m_prompt.OpenFile(
        this, QStringLiteral("Windows PCM (*.wav)"), StartFolder(sundrel::app::FileKind::Wave));
    if (!chosen) {
        return;
    }
    LoadWaveFile(sundrel::gui::LocalPath(*chosen));
}

bool CSundrelDlg::LoadWaveFile(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    if (ec) {
        full = path;
    }
    std::shared_ptr<CWaveFile> file;
    try {
        file = std::make_shared<CWaveFile>(full);
    } catch (const std::exception& e) {
        // Nothing changes: the previous mix, its path and its view stay.
        m_prompt.Message(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Sundrel"),
                         sundrel::gui::Prompt::Buttons::Ok, sundrel::gui::Prompt::Icon::Stop);
        return false;
    }
    // Markers placed on another mix rarely fit this one: the user says whether they stay.
    bool keep = true;
    if (m_session.Markers().Count() > 1) {
        const int answer = m_prompt.Choose(
            this,
            QStringLiteral("The marker list holds %1. Keep them for %2, or start with "
                           "no markers?")
                .arg(QString::fromStdString(
                         sundrel::app::CountText(m_session.Markers().Count() - 1, "marker")),
                     sundrel::gui::ShownPath(full.filename())),
            QStringLiteral("Load Wave file"),
            {QStringLiteral("&Keep markers"), QStringLiteral("&Start fresh"),
             QStringLiteral("Cancel")});
        if (answer != 0 && answer != 1) {
            return false;
        }
        keep = answer == 0;
        if (!keep && !MayDiscardChanges()) {
            return false;
        }
    } else if (!MayDiscardChanges()) {
        return false; // unsaved removals of a project's markers would go unnoticed
    }
    // The player reads the current mix: end it before the mix is replaced.
    StopPlayback();
    m_session.Load(std::move(file), keep);
    FeedControls(sundrel::app::Event::LoadWave);
    if (!keep) {
        FeedControls(sundrel::app::Event::HeaderSelected);
    }
    ShowDuration();
    // Tracks are written into the current directory: make it the mix's folder.
    std::filesystem::current_path(full.parent_path(), ec);
    ApplyTimeView(sundrel::kOpeningWindow);
    ApplyZoomToNewMix();
    RememberFile(full, sundrel::app::FileKind::Wave);
    ShowStatusLine(QStringLiteral("Loaded %1: %2.")
                       .arg(sundrel::gui::ShownPath(full.filename()),
                            QString::fromStdString(sundrel::FormatFrameTime(
                                m_session.Frames(), m_session.Wave()->m_wfx.nSamplesPerSec))));
    return true;
}

void CSundrelDlg::ShowDuration() {
    if (m_session.IsLoaded()) {
        m_stDuration->setText(
            QString::fromStdString(sundrel::FormatDuration(m_session.Duration())));
    }
}
