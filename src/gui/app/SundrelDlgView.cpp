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
    m_fViewFrom = from;
    m_fViewTo = to;
    ApplyTimeView();
}

void CSundrelDlg::ApplyTimeView() {
    if (!ShowViewWindow()) {
        return;
    }
    m_pWaveView->SetCursorLine(400, 196);
    m_slider->setValue(sundrel::view::TrackbarValue(m_fPosition, m_pWaveFile->GetDuration()));
}

bool CSundrelDlg::ShowViewWindow() {
    NewWaveView();
    if (!m_pWaveFile) {
        return false;
    }
    const double duration = m_pWaveFile->GetDuration();
    if (!sundrel::view::IsValidWindow(m_fViewFrom, m_fViewTo, duration)) {
        m_prompt.Message(this, QStringLiteral("The period of time view chosen is not valid"),
                         QStringLiteral("Warning"), sundrel::gui::Prompt::Buttons::Ok,
                         sundrel::gui::Prompt::Icon::Information);
        return false;
    }
    const std::uint64_t length = m_pWaveFile->GetLength();
    const sundrel::WaveFormat& format = m_pWaveFile->m_layout.format;
    m_pWaveView->m_nFirstSample = sundrel::view::SampleIndex(m_fViewFrom, duration, length, format);
    m_pWaveView->m_nLastSample = sundrel::view::SampleIndex(m_fViewTo, duration, length, format);
    m_pWaveView->m_fFrom = m_fViewFrom;
    m_pWaveView->m_fTo = m_fViewTo;
    m_pWaveView->MapWaveFile(m_szWavePath);
    return true;
}

void CSundrelDlg::ShowPosition() {
    CTimeCode code;
    code.SetSeconds(m_fPosition);
    m_stPosition->setText(QString::fromStdString(code.Format()));
}

void CSundrelDlg::OnLButtonDown(QPoint point) {
    // The view only forwards presses inside its band, so the point needs no further test.
    if (m_bPlaying || !m_bLoaded) {
        return;
    }
    m_fPosition =
        sundrel::view::ClickTime(m_fViewFrom, m_fViewTo, point.x(), ViewFrameRect().width());
    ShowPosition();
    m_pWaveView->SetCursorLine(point.x(), point.y());
}

void CSundrelDlg::OnLButtonUp(QPoint point) {
    // A release counts when it lies on the view's client area (a drag may end elsewhere).
    const QRect client = m_pWaveView->ClientRect();
    if (m_bPlaying || !client.contains(point) || !m_bLoaded || !(m_fPosition >= 1.0f)) {
        return;
    }
    ApplyTimeView(m_fPosition - 1.0f, m_fPosition + 1.0f);
}

void CSundrelDlg::OnSliderScroll(int code) {
    if (m_bPlaying || !m_pWaveFile) {
        return;
    }
    m_fPosition =
        sundrel::view::TrackbarPosition(m_slider->sliderPosition(), m_pWaveFile->GetDuration());
    ShowPosition();
    if (code != ids::kTbThumbTrack) {
        ApplyTimeView(m_fPosition - 1.0f, m_fPosition + 1.0f);
    }
}

void CSundrelDlg::OnViewScroll(int code, int thumb) {
    if (code != ids::kSbThumbPosition || !m_bLoaded || !m_pWaveFile) {
        return;
    }
    const int move =
        sundrel::view::ScrollMove(thumb, m_fViewFrom, m_fViewTo, m_pWaveFile->GetDuration());
    if (move == 0) {
        return;
    }
    m_fViewFrom += static_cast<float>(move);
    m_fViewTo += static_cast<float>(move);
    if (!m_bPlaying) {
        m_fPosition = m_fViewFrom + 1.0f;
        ApplyTimeView();
        ShowPosition();
    }
}
