// The visible time window: applying it, the position text, and moving both by a click in
// the view, the position slider, the view scroll bar, the wheel, zoom commands and the
// overview; the overview's summary while it is computed.

#include "gui/app/ControlIds.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/MarkedSlider.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/WaveViewCtrl.h"

#include "core/markers/TrackNumbers.h"
#include "core/overview/SummaryJob.h"
#include "core/time/TimeCode.h"
#include "core/view/InputMath.h"
#include "core/view/ScrollMath.h"
#include "core/view/TimeWindow.h"
#include "core/view/ZoomMath.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <algorithm>

namespace ids = sundrel::gui::ids;

void CSundrelDlg::ApplyTimeView(sundrel::TimeWindow window) {
    m_session.SetView(window);
    ApplyTimeView();
}

void CSundrelDlg::ApplyTimeView() {
    if (!ShowViewWindow()) {
        return;
    }
    m_slider->setValue(sundrel::view::TrackbarValue(static_cast<float>(m_session.Position()),
                                                    m_session.Duration()));
}

bool CSundrelDlg::ShowViewWindow() {
    const std::shared_ptr<CWaveFile>& wave = m_session.Wave();
    if (!wave) {
        m_pWaveView->Blank();
        return false;
    }
    const double duration = wave->GetDuration();
    const sundrel::TimeWindow window = m_session.View();
    const bool classic = m_session.IsDefaultZoom();
    if (classic && !sundrel::view::IsValidWindow(window.from, window.to, duration)) {
        m_pWaveView->Blank();
        m_prompt.Message(this, QStringLiteral("The period of time view chosen is not valid"),
                         QStringLiteral("Warning"), sundrel::gui::Prompt::Buttons::Ok,
                         sundrel::gui::Prompt::Icon::Information);
        return false;
    }
    const std::uint64_t length = wave->GetLength();
    const sundrel::WaveFormat format = wave->GetFormat();
    m_pWaveView->ShowWindow(window, classic,
                            sundrel::view::SampleIndex(window.from, duration, length, format),
                            sundrel::view::SampleIndex(window.to, duration, length, format));
    m_pOverview->SetWindow(window);
    ConfigureScrollBar();
    ShowPosition();
    return true;
}

void CSundrelDlg::ConfigureScrollBar() {
    const QSignalBlocker blocker(m_scrollBar);
    if (m_session.IsDefaultZoom() || !m_session.IsLoaded()) {
        m_scrollBar->setRange(0, ids::kScrollMax);
        m_scrollBar->setPageStep(1);
        m_scrollBar->setSingleStep(1);
        m_scrollBar->setValue(ids::kScrollRest);
        return;
    }
    const sundrel::view::ScrollBarState state =
        sundrel::view::ScrollBarFor(m_session.View(), m_session.Duration());
    m_scrollBar->setRange(state.minimum, state.maximum);
    m_scrollBar->setPageStep(state.pageStep);
    m_scrollBar->setSingleStep(state.singleStep);
    m_scrollBar->setValue(state.value);
}

void CSundrelDlg::ShowPosition() {
    m_stPosition->setText(
        QString::fromStdString(sundrel::FormatTime(static_cast<float>(m_session.Position()))));
    // The line shows the position once one was chosen, wherever it lies in the window.
    const double x = m_pWaveView->XOf(m_session.Position());
    if (m_bPositionChosen && m_pWaveView->m_bMapped && x >= 0.0 &&
        x < m_pWaveView->ClientRect().width()) {
        m_pWaveView->SetCursorLine(static_cast<int>(x), m_pWaveView->ClientRect().height() / 2);
    } else {
        m_pWaveView->HideCursorLine();
    }
    if (m_session.IsLoaded()) {
        m_pOverview->SetPosition(m_session.Position());
    }
}

void CSundrelDlg::OnLButtonDown(QPoint point) {
    // The view only forwards presses inside its band, so the point needs no further test.
    if (m_session.IsPlaying() || !m_session.IsLoaded()) {
        return;
    }
    const sundrel::TimeWindow window = m_session.View();
    m_bPositionChosen = true;
    if (m_session.IsDefaultZoom()) {
        m_session.SetPosition(sundrel::view::ClickTime(static_cast<float>(window.from),
                                                       static_cast<float>(window.to), point.x(),
                                                       ViewFrameRect().width()));
    } else {
        m_session.SetPosition(
            std::clamp(m_pWaveView->SecondsAt(point.x()), 0.0, m_session.Duration()));
    }
    ShowPosition();
    m_pWaveView->SetCursorLine(point.x(), point.y());
}

void CSundrelDlg::OnLButtonUp(QPoint point) {
    // A release counts when it lies on the view's client area (a drag may end elsewhere).
    const QRect client = m_pWaveView->ClientRect();
    if (m_session.IsPlaying() || !client.contains(point) || !m_session.IsLoaded()) {
        return;
    }
    if (!m_session.IsDefaultZoom()) {
        // Zoomed, a click only sets the position: the window stays where the user put it.
        m_slider->setValue(sundrel::view::TrackbarValue(static_cast<float>(m_session.Position()),
                                                        m_session.Duration()));
        return;
    }
    if (!(m_session.Position() >= 1.0)) {
        return; // within the first second the classic window stays
    }
    const sundrel::TimeWindow window =
        sundrel::WindowAround(static_cast<float>(m_session.Position()));
    m_session.SetView(window);
    ApplyTimeView();
}

void CSundrelDlg::OnSliderScroll(int code) {
    if (m_session.IsPlaying() || !m_session.IsLoaded()) {
        return;
    }
    m_bPositionChosen = true;
    m_session.SetPosition(
        sundrel::view::TrackbarPosition(m_slider->sliderPosition(), m_session.Duration()));
    ShowPosition();
    if (code != ids::kTbThumbTrack) {
        // At the default zoom the classic window, which warns near either end.
        m_session.SetView(m_session.IsDefaultZoom()
                              ? sundrel::WindowAround(static_cast<float>(m_session.Position()))
                              : m_session.WindowAt(m_session.Position()));
        ApplyTimeView();
    }
}

void CSundrelDlg::OnViewScroll(int code, int thumb) {
    if (code != ids::kSbThumbPosition || !m_session.IsLoaded() || !m_session.IsDefaultZoom()) {
        return;
    }
    sundrel::TimeWindow window = m_session.View();
    const int move = sundrel::view::ScrollMove(thumb, static_cast<float>(window.from),
                                               static_cast<float>(window.to), m_session.Duration());
    if (move == 0) {
        return;
    }
    window.from = static_cast<float>(window.from) + static_cast<float>(move);
    window.to = static_cast<float>(window.to) + static_cast<float>(move);
    m_session.SetView(window);
    if (!m_session.IsPlaying()) {
        m_bPositionChosen = true;
        m_session.SetPosition(static_cast<float>(window.from) + 1.0f);
        ApplyTimeView();
        ShowPosition();
    }
}

void CSundrelDlg::OnZoom(double factor, std::optional<double> anchor) {
    if (!m_session.IsLoaded()) {
        return;
    }
    const sundrel::TimeWindow window = m_session.View();
    const double duration = m_session.Duration();
    // Keys zoom around the position when it is in view, else around the window's middle.
    const double position = m_session.Position();
    const double keyAnchor = position >= window.from && position <= window.to
                                 ? position
                                 : (window.from + window.to) / 2.0;
    const sundrel::TimeWindow zoomed =
        sundrel::view::ZoomAround(window, factor, anchor.value_or(keyAnchor), duration,
                                  sundrel::view::MinSpan(m_session.Wave()->m_wfx.nSamplesPerSec,
                                                         m_pWaveView->ClientRect().width()));
    m_session.SetZoomSpan(zoomed.to - zoomed.from);
    m_session.SetView(zoomed);
    ShowViewWindow();
}

void CSundrelDlg::OnZoomToFit() {
    if (!m_session.IsLoaded()) {
        return;
    }
    const sundrel::TimeWindow whole = sundrel::view::FitWindow(m_session.Duration());
    m_session.SetZoomSpan(whole.to - whole.from);
    m_session.SetView(whole);
    ShowViewWindow();
}

void CSundrelDlg::OnZoomDefault() {
    if (!m_session.IsLoaded()) {
        return;
    }
    m_session.SetDefaultZoom();
    // The classic window around the position, as a click would show it.
    m_session.SetView(m_session.WindowAt(m_session.Position()));
    ShowViewWindow();
}

void CSundrelDlg::OnScrollPages(double pages) {
    if (!m_session.IsLoaded()) {
        return;
    }
    const double duration = m_session.Duration();
    const sundrel::TimeWindow window = sundrel::view::ScrollBy(m_session.View(), pages, duration);
    // The classic window only scrolls while it stays inside the mix, as its scroll bar does.
    if (m_session.IsDefaultZoom() &&
        !sundrel::view::IsValidWindow(window.from, window.to, duration)) {
        return;
    }
    m_session.SetView(window);
    ShowViewWindow();
}

void CSundrelDlg::OnOverviewSeek(double seconds) {
    if (!m_session.IsLoaded()) {
        return;
    }
    const double position = std::clamp(seconds, 0.0, m_session.Duration());
    m_bPositionChosen = true;
    m_session.SetPosition(position);
    ApplyTimeView();
    ShowMinuteAround(position); // about a minute around the place clicked, in the middle
    RestartPlayback();
}

void CSundrelDlg::MovePosition(double seconds) {
    if (!m_session.IsLoaded()) {
        return;
    }
    const double position = std::clamp(seconds, 0.0, m_session.Duration());
    m_bPositionChosen = true;
    m_session.SetPosition(position);
    const sundrel::TimeWindow window = m_session.View();
    if (position < window.from || position > window.to) {
        m_session.SetView(m_session.WindowAt(position));
        ShowViewWindow();
    }
    ShowPosition();
    m_slider->setValue(
        sundrel::view::TrackbarValue(static_cast<float>(position), m_session.Duration()));
}

void CSundrelDlg::ShowMarkersInViews() {
    std::vector<sundrel::gui::ViewMarker> markers;
    if (m_session.IsLoaded()) {
        const std::vector<sundrel::Marker>& list = m_session.Markers().Markers();
        // Each marker is labelled with the number of the track it starts, as the track table
        // numbers them: a cue sheet's own numbers, else 1, 2, 3 from the start of the mix.
        const std::vector<std::size_t> order = m_session.Markers().TimeOrder();
        std::vector<int> own;
        for (const std::size_t index : order) {
            own.push_back(list[index].number);
        }
        const std::vector<int> numbers = sundrel::TrackNumbers(own);
        std::vector<int> trackOf(list.size());
        for (std::size_t rank = 0; rank < order.size(); ++rank) {
            trackOf[order[rank]] = numbers[rank];
        }
        // The start of the mix is not drawn: it is where every view begins anyway.
        for (std::size_t i = 1; i < list.size(); ++i) {
            sundrel::gui::ViewMarker marker;
            marker.index = i;
            marker.seconds = *m_session.SecondsOf(i);
            marker.selected = i == m_session.Selected();
            marker.label = QString::number(trackOf[i]);
            if (!list[i].title.empty()) {
                marker.label += QStringLiteral(" ") + QString::fromStdString(list[i].title);
            }
            markers.push_back(std::move(marker));
        }
        const std::vector<sundrel::Suggestion>& suggestions = m_session.Suggestions();
        const std::uint32_t rate = m_session.Wave()->m_wfx.nSamplesPerSec;
        for (std::size_t i = 0; i < suggestions.size(); ++i) {
            sundrel::gui::ViewMarker marker;
            marker.index = i;
            marker.suggestion = true;
            marker.seconds = sundrel::SecondsAtFrame(suggestions[i].frame, rate);
            marker.selected = m_session.CurrentSuggestion() == i;
            // "?" and how sure the analysis is.
            marker.label =
                QStringLiteral("? %1%").arg(std::lround(suggestions[i].confidence * 100));
            markers.push_back(std::move(marker));
        }
    }
    m_pWaveView->SetMarkers(markers);
    m_pOverview->SetMarkers(std::move(markers));
    // The slider shows a tick at every marker.
    QList<int> ticks;
    for (const sundrel::gui::ViewMarker& marker : m_pOverview->Markers()) {
        if (marker.suggestion) {
            continue;
        }
        ticks.append(
            sundrel::view::TrackbarValue(static_cast<float>(marker.seconds), m_session.Duration()));
    }
    m_slider->SetMarks(std::move(ticks));
}

bool CSundrelDlg::IsSummarising() const {
    // Until the pictures have been drawn from the finished summary.
    return m_pSummaryTimer->isActive();
}

void CSundrelDlg::StartSummary() {
    m_pSummaryTimer->stop();
    m_summaryJob.reset(); // cancels and waits for a summary of the previous mix
    const std::shared_ptr<CWaveFile>& wave = m_session.Wave();
    if (!wave) {
        m_pOverview->ShowMix(nullptr, 0.0);
        m_pWaveView->Blank();
        return;
    }
    m_summaryJob = std::make_unique<sundrel::overview::SummaryJob>(*wave);
    m_summaryJob->Start();
    m_pOverview->ShowMix(m_summaryJob->Summary(), wave->GetDuration());
    m_pWaveView->ShowMix(*wave, m_summaryJob->Summary());
    m_pSummaryTimer->start();
}

void CSundrelDlg::OnSummaryTick() {
    if (!m_summaryJob) {
        m_pSummaryTimer->stop();
        return;
    }
    const bool done = m_summaryJob->Done();
    m_pOverview->Refresh();
    if (m_pWaveView->IsPartial()) {
        m_pWaveView->Refresh();
    }
    if (done) {
        m_pSummaryTimer->stop();
        if (!m_session.IsDefaultZoom()) {
            m_pWaveView->Refresh(); // a rendering may have begun before the last chunks
        }
        if (const std::optional<std::string> error = m_summaryJob->Error()) {
            // The overview stays as far as the mix could be read.
            m_prompt.Message(this, QString::fromStdString(*error), QStringLiteral("Sundrel"),
                             sundrel::gui::Prompt::Buttons::Ok,
                             sundrel::gui::Prompt::Icon::Information);
        }
    }
}

void CSundrelDlg::RestartPlayback() {
    // Playing on from a new position: a drag on the overview or a held key asks many times a
    // second, so the player (a new device each time) restarts once they pause.
    if (m_session.IsPlaying() && !IsPlayingRange()) {
        m_pRestartTimer->start();
    }
}
