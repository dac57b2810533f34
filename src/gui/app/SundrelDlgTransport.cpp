// The transport: Play, Stop and Pause, the position tick, and the playback worker's results
// arriving on the UI thread.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/MarkedSlider.h"

#include "core/play/Transport.h"
#include "core/view/ScrollMath.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/WaveViewCtrl.h"

#include <QLabel>
#include <QMetaObject>
#include <QSlider>
#include <QTimer>
#include <algorithm>

sundrel::MixSession::PlayCallbacks CSundrelDlg::PlayCallbacksFor(std::uint64_t generation) {
    // Both callbacks run on the worker: they only post to this thread and never wait.
    sundrel::MixSession::PlayCallbacks callbacks;
    callbacks.label = [this, generation](const std::string& text) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, t = QString::fromStdString(text)] { OnPlayLabel(generation, t); },
            Qt::QueuedConnection);
    };
    callbacks.ended = [this, generation](const sundrel::PlayResult& result) {
        QMetaObject::invokeMethod(
            this, [this, generation, result] { OnPlayEnded(generation, result); },
            Qt::QueuedConnection);
    };
    return callbacks;
}

void CSundrelDlg::OnPlay() {
    if (!m_session.IsLoaded()) {
        return;
    }
    m_session.Play([this](std::uint64_t generation) { return PlayCallbacksFor(generation); });
    FeedControls(sundrel::app::Event::Play);
}

bool CSundrelDlg::EndRangePlay() {
    if (!IsPlayingRange()) {
        return false;
    }
    // A preview or a play from the position: the sound stops, the position stays.
    m_session.StopPlayback();
    // The view followed the sound: it returns to the position.
    const sundrel::TimeWindow window = m_session.View();
    if (m_session.Position() < window.from || m_session.Position() > window.to) {
        m_session.SetView(m_session.WindowAt(m_session.Position()));
        ShowViewWindow();
    }
    ShowPosition();
    FeedControls(sundrel::app::Event::Pause);
    return true;
}

void CSundrelDlg::OnStop() {
    if (EndRangePlay()) {
        return;
    }
    m_session.StopPlayback();
    const sundrel::StopOutcome out = sundrel::StopTransport(m_session.AutoJump());
    m_session.SetPosition(out.position);
    m_slider->setValue(out.trackbar);
    FeedControls(sundrel::app::Event::Stop);
    m_stPosition->setText(QString::fromStdString(out.label));
    if (out.window) {
        ApplyTimeView(m_session.IsDefaultZoom() ? *out.window : m_session.WindowAt(out.position));
    }
}

void CSundrelDlg::OnPause() {
    if (!m_session.IsPlaying() || EndRangePlay()) {
        return;
    }
    std::optional<double> stoppedAt = m_session.HaltPlayer();
    m_session.StopPlayback();
    if (stoppedAt) {
        stoppedAt = std::min(*stoppedAt, m_session.Duration());
    }
    FeedControls(sundrel::app::Event::Pause);
    // Where the sound stopped becomes the label's text, and the position is read back from it.
    const sundrel::PauseOutcome out = sundrel::PauseTransport(
        m_stPosition->text().toStdString(), static_cast<float>(m_session.Position()),
        m_session.AutoJump(), stoppedAt);
    if (out.label) {
        m_stPosition->setText(QString::fromStdString(*out.label));
    }
    m_session.SetPosition(out.position);
    if (out.window) {
        ApplyTimeView(m_session.IsDefaultZoom() ? *out.window : m_session.WindowAt(out.position));
    }
}

void CSundrelDlg::OnPositionTick() {
    if (!m_session.IsLoaded()) {
        return;
    }
    if (m_pRestartTimer->isActive()) {
        return; // the position was moved; playback restarts there in a moment
    }
    if (m_session.IsPlaying()) {
        FollowPlayback();
    }
    if (IsPlayingRange()) {
        return; // the position stays while a range plays
    }
    // While playing, the position follows the frames the device has actually played.
    const sundrel::TickOutcome out =
        sundrel::PositionTick(true, m_session.IsPlaying(), static_cast<float>(m_session.Position()),
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
        FeedControls(sundrel::app::Event::Stop);
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
    if (IsPlayingRange() && result.end != PlayEnd::DeviceError) {
        EndRangePlay(); // a preview that reached its end, or could not read on
        if (result.end == PlayEnd::ReadError) {
            m_prompt.Message(this, QString::fromStdString(result.message),
                             QStringLiteral("Sundrel"), sundrel::gui::Prompt::Buttons::Ok,
                             sundrel::gui::Prompt::Icon::Stop);
        }
        return;
    }
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

void CSundrelDlg::FollowPlayback() {
    // The play head is where the device is; the window pages on when the head leaves it.
    const std::optional<double> played = m_session.PlayedPosition();
    const double head = played ? std::min(*played, m_session.Duration()) : m_session.Position();
    const sundrel::TimeWindow window = m_session.View();
    const sundrel::TimeWindow followed =
        sundrel::view::FollowPosition(window, head, m_session.Duration());
    if (!(followed == window)) {
        m_session.SetView(followed);
        ShowViewWindow();
    }
    m_pWaveView->SetPlayHead(head);
    m_pOverview->SetPosition(head);
}
