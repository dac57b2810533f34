// The visible time window: applying it, the position text, and moving both by a click in
// the view, the position slider and the view scroll bar.

#include "gui/app/ControlIds.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/WaveViewCtrl.h"

#include "core/time/TimeCode.h"
#include "core/view/TimeWindow.h"

#include <QLabel>
#include <QSlider>

namespace ids = sundrel::gui::ids;

void CSundrelDlg::NewWaveView() {
    if (m_pWaveView != nullptr) {
        // The old view may be the sender of the release being handled: it is hidden now and
        // deleted when control returns to the event loop (waiting for its rendering first).
        m_pWaveView->disconnect(this);
        m_pWaveView->hide();
        m_pWaveView->deleteLater();
    }
    m_pWaveView = new CWaveViewCtrl();
    m_pWaveView->Create(ViewFrameRect(), m_pClient, ids::kWaveView);
    connect(m_pWaveView, &CWaveViewCtrl::pressed, this, &CSundrelDlg::OnLButtonDown);
    connect(m_pWaveView, &CWaveViewCtrl::released, this, &CSundrelDlg::OnLButtonUp);
}

void CSundrelDlg::ApplyTimeView(float from, float to) {
    m_session.SetView({from, to});
    ApplyTimeView();
}

void CSundrelDlg::ApplyTimeView() {
    if (!ShowViewWindow()) {
        return;
    }
    m_pWaveView->SetCursorLine(400, 196);
    m_slider->setValue(sundrel::view::TrackbarValue(m_session.Position(), m_session.Duration()));
}

bool CSundrelDlg::ShowViewWindow() {
    NewWaveView();
    const std::shared_ptr<CWaveFile>& wave = m_session.Wave();
    if (!wave) {
        return false;
    }
    const double duration = wave->GetDuration();
    const sundrel::TimeWindow window = m_session.View();
    if (!sundrel::view::IsValidWindow(window.from, window.to, duration)) {
        m_prompt.Message(this, QStringLiteral("The period of time view chosen is not valid"),
                         QStringLiteral("Warning"), sundrel::gui::Prompt::Buttons::Ok,
                         sundrel::gui::Prompt::Icon::Information);
        return false;
    }
    const std::uint64_t length = wave->GetLength();
    const sundrel::WaveFormat format = wave->GetFormat();
    m_pWaveView->m_nFirstSample = sundrel::view::SampleIndex(window.from, duration, length, format);
    m_pWaveView->m_nLastSample = sundrel::view::SampleIndex(window.to, duration, length, format);
    m_pWaveView->m_fFrom = window.from;
    m_pWaveView->m_fTo = window.to;
    m_pWaveView->ShowMix(*wave);
    return true;
}

void CSundrelDlg::ShowPosition() {
    m_stPosition->setText(QString::fromStdString(sundrel::FormatTime(m_session.Position())));
}

void CSundrelDlg::OnLButtonDown(QPoint point) {
    // The view only forwards presses inside its band, so the point needs no further test.
    if (m_session.IsPlaying() || !m_session.IsLoaded()) {
        return;
    }
    const sundrel::TimeWindow window = m_session.View();
    m_session.SetPosition(
        sundrel::view::ClickTime(window.from, window.to, point.x(), ViewFrameRect().width()));
    ShowPosition();
    m_pWaveView->SetCursorLine(point.x(), point.y());
}

void CSundrelDlg::OnLButtonUp(QPoint point) {
    // A release counts when it lies on the view's client area (a drag may end elsewhere).
    const QRect client = m_pWaveView->ClientRect();
    if (m_session.IsPlaying() || !client.contains(point) || !m_session.IsLoaded() ||
        !(m_session.Position() >= 1.0f)) {
        return;
    }
    const sundrel::TimeWindow window = sundrel::WindowAround(m_session.Position());
    ApplyTimeView(window.from, window.to);
}

void CSundrelDlg::OnSliderScroll(int code) {
    if (m_session.IsPlaying() || !m_session.IsLoaded()) {
        return;
    }
    m_session.SetPosition(
        sundrel::view::TrackbarPosition(m_slider->sliderPosition(), m_session.Duration()));
    ShowPosition();
    if (code != ids::kTbThumbTrack) {
        const sundrel::TimeWindow window = sundrel::WindowAround(m_session.Position());
        ApplyTimeView(window.from, window.to);
    }
}

void CSundrelDlg::OnViewScroll(int code, int thumb) {
    if (code != ids::kSbThumbPosition || !m_session.IsLoaded()) {
        return;
    }
    sundrel::TimeWindow window = m_session.View();
    const int move = sundrel::view::ScrollMove(thumb, window.from, window.to, m_session.Duration());
    if (move == 0) {
        return;
    }
    window.from += static_cast<float>(move);
    window.to += static_cast<float>(move);
    m_session.SetView(window);
    if (!m_session.IsPlaying()) {
        m_session.SetPosition(window.from + 1.0f);
        ApplyTimeView();
        ShowPosition();
    }
}
