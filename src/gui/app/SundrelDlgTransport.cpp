// The transport: Play, Stop and Pause, the position tick, and the playback worker's results
// arriving on the UI thread.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/play/Transport.h"

#include <QLabel>
#include <QMetaObject>
#include <QSlider>
#include <algorithm>

void CSundrelDlg::OnPlay() {
    if (!m_bLoaded || !m_pWaveFile) {
        return;
    }
    HaltPlayer(); // one player at a time
    const std::uint64_t generation = m_nPlayGeneration;
    // Both callbacks run on the worker: they only post to this thread and never wait.
    auto label = [this, generation](const std::string& text) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, t = QString::fromStdString(text)] { OnPlayLabel(generation, t); },
            Qt::QueuedConnection);
    };
    auto ended = [this, generation](const sundrel::PlayResult& result) {
        QMetaObject::invokeMethod(
            this, [this, generation, result] { OnPlayEnded(generation, result); },
            Qt::QueuedConnection);
    };
    m_pPlayThread->Start(*m_pWaveFile, m_fPosition, std::move(label), std::move(ended));
    m_bPlaying = true;
    ApplyControlStates(sundrel::app::Action::Play);
}

void CSundrelDlg::OnStop() {
    HaltPlayer();
    m_bPlaying = false;
    const sundrel::StopOutcome out = sundrel::StopTransport(m_bAutoJump);
    m_fPosition = out.position;
    m_slider->setValue(out.trackbar);
    ApplyControlStates(sundrel::app::Action::Stop);
    m_stPosition->setText(QString::fromStdString(out.label));
    if (out.window) {
        ApplyTimeView(out.window->from, out.window->to);
    }
}

void CSundrelDlg::OnPause() {
    if (!m_bPlaying) {
        return;
    }
    std::optional<double> stoppedAt = HaltPlayer();
    if (stoppedAt && m_pWaveFile) {
        stoppedAt = std::min(*stoppedAt, m_pWaveFile->GetDuration());
    }
    m_bPlaying = false;
    ApplyControlStates(sundrel::app::Action::Pause);
    // Where the sound stopped becomes the label's text, and the position is read back from it.
    const sundrel::PauseOutcome out = sundrel::PauseTransport(m_stPosition->text().toStdString(),
                                                              m_fPosition, m_bAutoJump, stoppedAt);
    if (out.label) {
        m_stPosition->setText(QString::fromStdString(*out.label));
    }
    m_fPosition = out.position;
    if (out.window) {
        ApplyTimeView(out.window->from, out.window->to);
    }
}

void CSundrelDlg::OnPositionTick() {
    if (!m_pWaveFile) {
        return;
    }
    // While playing, the position follows the frames the device has actually played.
    const std::optional<double> played =
        m_bPlaying ? m_pPlayThread->Position() : std::optional<double>();
    const sundrel::TickOutcome out = sundrel::PositionTick(m_bLoaded, m_bPlaying, m_fPosition,
                                                           m_pWaveFile->GetDuration(), played);
    if (!out.moved) {
        return;
    }
    m_fPosition = out.position;
    m_slider->setValue(out.trackbar);
    if (out.label) {
        m_stPosition->setText(QString::fromStdString(*out.label));
    }
}

void CSundrelDlg::StopPlayback() {
    HaltPlayer();
    if (m_bPlaying) {
        m_bPlaying = false;
        ApplyControlStates(sundrel::app::Action::Stop);
    }
}

void CSundrelDlg::done(int result) {
    StopPlayback();
    QDialog::done(result);
}

std::optional<double> CSundrelDlg::HaltPlayer() {
    ++m_nPlayGeneration;
    return m_pPlayThread ? m_pPlayThread->Stop() : std::nullopt;
}

void CSundrelDlg::OnPlayLabel(std::uint64_t generation, const QString& text) {
    // The worker's text is the time read so far, ahead of the sound; the tick's text from the
    // device clock wins whenever there is one.
    if (generation != m_nPlayGeneration || !m_bPlaying || m_pPlayThread->Position()) {
        return;
    }
    m_stPosition->setText(text);
}

void CSundrelDlg::OnPlayEnded(std::uint64_t generation, const sundrel::PlayResult& result) {
    if (generation != m_nPlayGeneration || !m_bPlaying) {
        return; // a player that was stopped or replaced in the meantime
    }
    using sundrel::PlayEnd;
    if (result.end == PlayEnd::DeviceError) {
        // Nothing was played: the transport is idle again, position, window and markers stay.
        StopPlayback();
        m_prompt.Message(this, QStringLiteral("error sound"), QString(),
                         sundrel::gui::Prompt::Buttons::Ok, sundrel::gui::Prompt::Icon::None);
        return;
    }
    if (result.end == PlayEnd::ReadError) {
        StopPlayback();
        m_prompt.Message(this, QString::fromStdString(result.message), QStringLiteral("Sundrel"),
                         sundrel::gui::Prompt::Buttons::Ok, sundrel::gui::Prompt::Icon::Stop);
    }
    // At the end of the mix the transport returns to the start, as Stop leaves it.
    OnStop();
}
