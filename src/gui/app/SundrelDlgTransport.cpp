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
    if (!m_session.IsLoaded()) {
        return;
    }
    // Both callbacks run on the worker: they only post to this thread and never wait.
    m_session.Play([this](std::uint64_t generation) {
        sundrel::MixSession::PlayCallbacks callbacks;
        callbacks.label = [this, generation](const std::string& text) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, t = QString::fromStdString(text)] {
                    OnPlayLabel(generation, t);
                },
                Qt::QueuedConnection);
        };
        callbacks.ended = [this, generation](const sundrel::PlayResult& result) {
            QMetaObject::invokeMethod(
                this, [this, generation, result] { OnPlayEnded(generation, result); },
                Qt::QueuedConnection);
        };
        return callbacks;
    });
    ApplyControlStates(sundrel::app::Action::Play);
}

void CSundrelDlg::OnStop() {
    m_session.StopPlayback();
    const sundrel::StopOutcome out = sundrel::StopTransport(m_session.AutoJump());
    m_session.SetPosition(out.position);
    m_slider->setValue(out.trackbar);
    ApplyControlStates(sundrel::app::Action::Stop);
    m_stPosition->setText(QString::fromStdString(out.label));
    if (out.window) {
        ApplyTimeView(out.window->from, out.window->to);
    }
}

void CSundrelDlg::OnPause() {
    if (!m_session.IsPlaying()) {
        return;
    }
    std::optional<double> stoppedAt = m_session.HaltPlayer();
    m_session.StopPlayback();
    if (stoppedAt) {
        stoppedAt = std::min(*stoppedAt, m_session.Duration());
    }
    ApplyControlStates(sundrel::app::Action::Pause);
    // Where the sound stopped becomes the label's text, and the position is read back from it.
    const sundrel::PauseOutcome out = sundrel::PauseTransport(
        m_stPosition->text().toStdString(), m_session.Position(), m_session.AutoJump(), stoppedAt);
    if (out.label) {
        m_stPosition->setText(QString::fromStdString(*out.label));
    }
    m_session.SetPosition(out.position);
    if (out.window) {
        ApplyTimeView(out.window->from, out.window->to);
    }
}

void CSundrelDlg::OnPositionTick() {
    if (!m_session.IsLoaded()) {
        return;
    }
    // While playing, the position follows the frames the device has actually played.
    const sundrel::TickOutcome out =
        sundrel::PositionTick(true, m_session.IsPlaying(), m_session.Position(),
                              m_session.Duration(), m_session.PlayedPosition());
    if (!out.moved) {
        return;
    }
    m_session.SetPosition(out.position);
    m_slider->setValue(out.trackbar);
    if (out.label) {
        m_stPosition->setText(QString::fromStdString(*out.label));
    }
}

void CSundrelDlg::StopPlayback() {
    if (m_session.IsPlaying()) {
        m_session.StopPlayback();
        ApplyControlStates(sundrel::app::Action::Stop);
    } else {
        m_session.HaltPlayer(); // a player that ended by itself, not yet told here
    }
}

void CSundrelDlg::OnPlayLabel(std::uint64_t generation, const QString& text) {
    // The worker's text is the time read so far, ahead of the sound; the tick's text from the
    // device clock wins whenever there is one.
    if (!m_session.IsCurrentPlay(generation) || !m_session.IsPlaying() ||
        m_session.PlayedPosition()) {
        return;
    }
    m_stPosition->setText(text);
}

void CSundrelDlg::OnPlayEnded(std::uint64_t generation, const sundrel::PlayResult& result) {
    if (!m_session.IsCurrentPlay(generation) || !m_session.IsPlaying()) {
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
