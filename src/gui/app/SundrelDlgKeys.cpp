// The commands that keys reach (each also in a menu): moving the position, adding a marker
// at it, stepping between markers, previews, Play/Pause, dragging markers in the view, and
// Help > Keyboard Shortcuts.

#include "gui/app/ControlIds.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/MarkedSlider.h"
#include "gui/view/WaveViewCtrl.h"

#include "core/app/Preferences.h"
#include "core/markers/MarkerMath.h"
#include "core/view/PositionKeys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <algorithm>

using sundrel::gui::Prompt;

void CSundrelDlg::OnNudge(double seconds) {
    if (!m_session.IsLoaded()) {
        return;
    }
    MovePosition(m_session.Position() + seconds);
    RestartPlayback();
}

void CSundrelDlg::OnHome() {
    MovePosition(0.0);
    RestartPlayback();
}

void CSundrelDlg::OnEnd() {
    if (m_session.IsPlaying()) {
        OnStop();
    }
    MovePosition(m_session.Duration());
}

void CSundrelDlg::OnAddMarkerHere() {
    if (!m_session.IsLoaded()) {
        return;
    }
    // While playing, where the sound is: the marker goes where the user hears the boundary.
    const std::optional<double> heard =
        m_session.IsPlaying() ? m_session.PlayedPosition() : std::nullopt;
    const double at = heard ? std::min(*heard, m_session.Duration()) : m_session.Position();
    const std::optional<std::size_t> index = m_session.AddAtFrame(m_session.FrameAt(at));
    if (!index) {
        ReportListFull();
        return;
    }
    ShowMarkersAdded();
    ShowMarkerStatus(QStringLiteral("Added %1 at %2."), *index);
}

void CSundrelDlg::OnStepMarker(int direction) {
    if (!m_session.IsLoaded() || m_session.Markers().Count() <= 1) {
        return;
    }
    // The nearest marker before (or after) the position in time, whatever its place in the
    // list (the start of the mix is not one to step to).
    std::vector<double> times;
    for (std::size_t i = 1; i < m_session.Markers().Count(); ++i) {
        times.push_back(*m_session.SecondsOf(i));
    }
    const std::optional<std::size_t> step =
        sundrel::view::StepTo(times, m_session.Position(), direction);
    if (!step) {
        return;
    }
    const std::size_t best = *step + 1;
    const double bestSeconds = times[*step];
    if (m_session.IsPlaying()) {
        StopPlayback();
        FeedControls(sundrel::app::Event::Stop);
    }
    m_session.Select(best);
    FeedControls(sundrel::app::Event::MarkerSelected);
    m_bPositionChosen = true;
    m_session.SetPosition(bestSeconds);
    m_session.SetView(m_session.WindowAt(bestSeconds));
    ApplyTimeView();
    OnPreviewMarker();
}

void CSundrelDlg::OnPreviewMarker() {
    const std::size_t index = m_session.Selected();
    if (!m_session.IsLoaded() || index == 0 || m_session.Markers().At(index) == nullptr) {
        return;
    }
    if (m_session.IsPlaying() && !IsPlayingRange()) {
        OnPause(); // the position stays where the sound was
    }
    // The boundary in the middle of about a minute, where the preview plays.
    if (const std::optional<double> seconds = m_session.SecondsOf(index)) {
        ShowMinuteAround(*seconds);
    }
    m_session.PreviewMarker(
        index, m_previewBefore, m_previewAfter,
        [this](std::uint64_t generation) { return PlayCallbacksFor(generation); });
    FeedControls(sundrel::app::Event::Play);
}

void CSundrelDlg::OnPreviewLength() {
    const std::optional<QStringList> values = m_prompt.EditTexts(
        this, QStringLiteral("Preview Length"),
        {QStringLiteral("Seconds &before the marker:"), QStringLiteral("Seconds &after it:")},
        {QString::number(m_previewBefore), QString::number(m_previewAfter)});
    if (!values || values->size() != 2) {
        return;
    }
    bool beforeOk = false;
    bool afterOk = false;
    const double before = values->at(0).trimmed().toDouble(&beforeOk);
    const double after = values->at(1).trimmed().toDouble(&afterOk);
    if (!beforeOk || !afterOk || !sundrel::app::ValidPreviewLengths(before, after)) {
        m_prompt.Message(
            this, QStringLiteral("Preview lengths are seconds from 0 to 600, and not both 0."),
            QStringLiteral("Preview Length"));
        return;
    }
    m_previewBefore = before;
    m_previewAfter = after;
    SavePreferences();
}

void CSundrelDlg::OnPlayFromPosition() {
    if (!m_session.IsLoaded()) {
        return;
    }
    if (m_session.IsPlaying() && !IsPlayingRange()) {
        OnPause();
    }
    m_session.PlayRange(m_session.FrameAt(m_session.Position()), m_session.Frames(),
                        [this](std::uint64_t generation) { return PlayCallbacksFor(generation); });
    FeedControls(sundrel::app::Event::Play);
}

void CSundrelDlg::OnPlayPause() {
    if (!m_session.IsLoaded()) {
        return;
    }
    if (m_session.IsPlaying()) {
        OnPause();
    } else {
        OnPlay();
    }
}

void CSundrelDlg::OnMarkerDragStarted(std::size_t index, bool suggestion) {
    if (suggestion) {
        m_session.SetCurrentSuggestion(index); // moved before it is accepted
        return;
    }
    if (m_bDragMoved) {
        m_session.EndGesture(); // a drag the view never finished
    }
    m_session.BeginGesture();
    m_bDragMoved = true;
    m_session.Select(index);
    FeedControls(sundrel::app::Event::MarkerSelected);
}

void CSundrelDlg::OnMarkerDragged(std::size_t index, bool suggestion, double seconds) {
    if (suggestion) {
        m_session.MoveSuggestion(index, m_session.FrameAt(seconds));
        return;
    }
    if (!m_bDragMoved) {
        return;
    }
    m_session.Move(index, m_session.FrameAt(seconds));
}

void CSundrelDlg::OnMarkerDragEnded(std::size_t, bool) {
    FinishMarkerDrag();
}

void CSundrelDlg::FinishMarkerDrag() {
    m_pWaveView->CancelDrag();
    if (m_bDragMoved) {
        m_bDragMoved = false;
        m_session.EndGesture();
    }
}

void CSundrelDlg::OnShortcuts() {
    // Every command that has a key, menu by menu, with all its keys.
    QString text;
    const auto list = [&text](const QMenu* menu, const auto& self) -> void {
        for (const QAction* action : menu->actions()) {
            if (action->menu() != nullptr) {
                self(action->menu(), self);
                continue;
            }
            if (action->shortcuts().isEmpty()) {
                continue;
            }
            QStringList keys;
            for (const QKeySequence& key : action->shortcuts()) {
                keys << key.toString(QKeySequence::NativeText);
            }
            text +=
                QStringLiteral("%1\t%2\n")
                    .arg(keys.join(QStringLiteral(", ")), action->text().remove(QLatin1Char('&')));
        }
    };
    for (const QAction* top : m_pMenuBar->actions()) {
        if (top->menu() != nullptr) {
            list(top->menu(), list);
        }
    }
    text += QStringLiteral("Ctrl+Wheel\tZoom around the pointer\nWheel\tScroll\n"
                           "Drag a marker\tMove it (Undo puts it back)\n"
                           "F2, double-click\tIn the track table: edit the artist or title "
                           "(Enter keeps it, Escape drops it)");
    m_prompt.Message(this, text, QStringLiteral("Keyboard Shortcuts"), Prompt::Buttons::Ok,
                     Prompt::Icon::Information);
}
