// The window's layout at any size: the overview strip, the classic layout and the track table
// under it at their smallest; the overview, the waveform view and the table take the extra
// room, and the controls below the view keep to the bottom of the classic layout (those right
// of the transport also to the right edge).

#include "gui/app/SundrelDlg.h"
#include "gui/view/MarkedSlider.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/TrackTable.h"
#include "gui/view/WaveViewCtrl.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>

namespace {

// The overview's and the track table's shares of the extra height; the view takes the rest.
constexpr int kOverviewShare = 4;   // one quarter
constexpr int kTrackTableShare = 5; // one fifth
// Where the controls that keep to the right edge begin, in dialog units.
constexpr int kRightGroupX = 300;

} // namespace

void CSundrelDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void CSundrelDlg::LayoutControls() {
    if (m_baseGeometry.empty()) {
        return; // not laid out yet
    }
    const int extraWidth = std::max(0, width() - m_minimumClient.width());
    const int extraHeight = std::max(0, height() - minimumSize().height());
    const int overviewExtra = extraHeight / kOverviewShare;
    const int tableExtra = extraHeight / kTrackTableShare;
    const int viewExtra = extraHeight - overviewExtra - tableExtra;
    m_pMenuBar->setGeometry(0, 0, width(), m_menuHeight);
    const int overviewHeight = kOverviewHeight + overviewExtra;
    m_pOverview->setGeometry(m_baseViewFrame.left(), m_menuHeight + kOverviewGap,
                             m_baseViewFrame.width() + extraWidth, overviewHeight - kOverviewGap);
    m_pClient->setGeometry(0, m_menuHeight + overviewHeight + kOverviewGap, width(),
                           m_minimumClient.height() + viewExtra);
    // The track table under the controls, as wide as the view.
    m_pTrackTable->setGeometry(m_baseViewFrame.left(), m_pClient->geometry().bottom() + 1,
                               m_baseViewFrame.width() + extraWidth,
                               kTrackTableHeight + tableExtra);
    // The status line under it, with the split's folder button at its right end.
    const int statusTop = m_pTrackTable->geometry().bottom() + 2;
    const int buttonWidth = m_btnOpenFolder->sizeHint().width();
    const int statusRight = m_pTrackTable->geometry().right();
    m_btnOpenFolder->setGeometry(statusRight - buttonWidth + 1, statusTop, buttonWidth,
                                 kStatusHeight - 2);
    m_stStatus->setGeometry(m_baseViewFrame.left(), statusTop,
                            m_pTrackTable->width() -
                                (m_btnOpenFolder->isHidden() ? 0 : buttonWidth + 6),
                            kStatusHeight - 2);
    for (const auto& [widget, base] : m_baseGeometry) {
        QRect place = base;
        if (widget == m_stViewFrame) {
            place.setSize(base.size() + QSize(extraWidth, viewExtra));
        } else if (widget == m_scrollBar) {
            place.translate(0, viewExtra);
            place.setWidth(base.width() + extraWidth);
        } else if (widget == m_slider || widget == m_grpPlay) {
            // The transport row stretches: a longer slider is a finer one.
            place.translate(0, viewExtra);
            place.setWidth(base.width() + extraWidth);
        } else if (widget == m_stDuration || widget == m_stPosition) {
            place.translate(extraWidth, viewExtra); // at the slider's right end
        } else if (base.top() >= m_baseViewFrame.bottom()) {
            // Below the view: down with the bottom edge, the right-hand group with the right.
            place.translate(base.left() >= m_units.X(kRightGroupX) ? extraWidth : 0, viewExtra);
        }
        widget->setGeometry(place);
    }
    if (m_pWaveView->parentWidget() != nullptr) {
        m_pWaveView->setGeometry(ViewFrameRect());
    }
}
