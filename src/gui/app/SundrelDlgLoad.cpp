// Loading a mix: the "Load Wave file..." command and the start-up argument.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/time/TimeCode.h"

#include <QFile>
#include <QLabel>
#include <system_error>

void CSundrelDlg::OnLoadWave() {
    const std::optional<QString> chosen =
        m_prompt.OpenFile(this, QStringLiteral("Windows PCM (*.wav)"));
    if (!chosen) {
        return;
    }
    LoadWaveFile(std::filesystem::path(QFile::encodeName(*chosen).toStdString()));
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
    // The player reads the current mix: end it before the mix is replaced.
    StopPlayback();
    m_szWavePath = full;
    m_pWaveFile = std::move(file);
    m_bLoaded = true;
    ApplyControlStates(sundrel::app::Action::LoadWave);
    ShowDuration();
    // Tracks are written into the current directory: make it the mix's folder.
    std::filesystem::current_path(full.parent_path(), ec);
    ApplyTimeView(0.0f, 2.0f);
    return true;
}

void CSundrelDlg::ShowDuration() {
    if (m_pWaveFile) {
        m_stDuration->setText(
            QString::fromStdString(sundrel::FormatDuration(m_pWaveFile->GetDuration())));
    }
}
