#include "gui/view/OverviewCtrl.h"

#include "core/view/LabelLanes.h"

#include "core/overview/MixSummary.h"
#include "core/view/OverviewMath.h"
#include "core/view/SpanLanes.h"
#include "core/view/ZoomMath.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

const QColor kBackground(250, 250, 250);
const QColor kPeakPen(60, 110, 170);
const QColor kRmsPen(150, 185, 225);
const QColor kBandFill(255, 220, 120, 90);
const QColor kBandEdge(200, 150, 30);
const QColor kPositionPen(0, 0, 0);
// The dark theme's.
const QColor kDarkBackground(24, 24, 28);
const QColor kDarkPeakPen(90, 140, 200);
const QColor kDarkRmsPen(150, 190, 235);
const QColor kDarkBandFill(255, 220, 120, 45);
const QColor kDarkPositionPen(240, 240, 240);
const QColor kUnknownFill(220, 60, 60, 50);
const QColor kUnknownHatch(200, 40, 40, 110);
const QColor kPlayText(20, 20, 20);

// The colour of the bars of file `file`: a few well-separated light hues in turn.
QColor PlayColour(std::size_t file) {
    static const QColor hues[] = {{120, 200, 120, 160}, {240, 190, 90, 160},  {130, 180, 240, 160},
                                  {220, 150, 220, 160}, {120, 210, 210, 160}, {230, 230, 110, 160}};
    return hues[file % (sizeof hues / sizeof hues[0])];
}

} // namespace

COverviewCtrl::COverviewCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("overview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void COverviewCtrl::ShowMix(std::shared_ptr<const sundrel::overview::MixSummary> summary,
                            double duration) {
    m_summary = std::move(summary);
    m_duration = duration;
    m_position.reset();
    m_markers.clear();
    m_plays.clear();
    m_playLanes.clear();
    m_unknown.clear();
    m_window = {};
    RenderWave();
}

void COverviewCtrl::Refresh() {
    RenderWave();
}

void COverviewCtrl::SetWindow(sundrel::TimeWindow window) {
    if (!(m_window == window)) {
        m_window = window;
        update();
    }
}

void COverviewCtrl::SetPosition(std::optional<double> seconds) {
    if (m_position != seconds) {
        m_position = seconds;
        update();
    }
}

void COverviewCtrl::SetLook(sundrel::gui::WaveLook look) {
    if (!(m_look == look)) {
        m_look = look;
        RenderWave();
    }
}

void COverviewCtrl::SetMarkers(std::vector<sundrel::gui::ViewMarker> markers) {
    m_markers = std::move(markers);
    update();
}

void COverviewCtrl::SetPlays(std::vector<Play> plays, std::vector<sundrel::TimeWindow> unknown) {
    m_plays = std::move(plays);
    m_unknown = std::move(unknown);
    std::vector<sundrel::view::Span> spans;
    for (const Play& play : m_plays) {
        spans.push_back({play.start, play.end});
    }
    m_playLanes = sundrel::view::SpanLanes(spans);
    update();
}

QRect COverviewCtrl::PlayRect(std::size_t i) const {
    if (i >= m_plays.size() || !(m_duration > 0.0)) {
        return {};
    }
    const int w = width();
    const int barHeight = fontMetrics().height() + 2;
    // A play's times come from a project file too: kept to the mix (and a little beyond, so an
    // edge still shows) before they become pixels.
    const auto x = [&](double seconds) {
        const double kept = std::clamp(seconds, -1.0, m_duration + 1.0);
        return static_cast<int>(std::lround(sundrel::view::XAtSeconds({0.0, m_duration}, kept, w)));
    };
    const int left = x(m_plays[i].start);
    const int right = std::max(left + 1, x(m_plays[i].end));
    const int bottom = height() - 2 - m_playLanes[i] * barHeight;
    return QRect(QPoint(left, bottom - barHeight + 1), QPoint(right - 1, bottom));
}

void COverviewCtrl::PaintPlays(QPainter& p) {
    const int w = width();
    const int h = height();
    // The stretches no file covers stand out over the waveform, whatever plays there.
    for (const sundrel::TimeWindow& stretch : m_unknown) {
        const double left = sundrel::view::XAtSeconds({0.0, m_duration}, stretch.from, w);
        const double right = sundrel::view::XAtSeconds({0.0, m_duration}, stretch.to, w);
        const QRectF area(left, 0.0, std::max(1.0, right - left), h);
        p.fillRect(area, kUnknownFill);
        p.fillRect(area, QBrush(kUnknownHatch, Qt::BDiagPattern));
    }
    const QFontMetrics metrics(font());
    for (std::size_t i = 0; i < m_plays.size(); ++i) {
        const QRect bar = PlayRect(i);
        p.fillRect(bar, PlayColour(m_plays[i].file));
        p.setPen(PlayColour(m_plays[i].file).darker(160));
        p.drawRect(bar.adjusted(0, 0, -1, -1));
        const QRect room = bar.adjusted(3, 0, -3, 0);
        const QString text = metrics.elidedText(m_plays[i].title, Qt::ElideRight, room.width());
        if (room.width() > metrics.horizontalAdvance(QStringLiteral("W…")) && !text.isEmpty()) {
            p.setPen(kPlayText);
            p.drawText(room, Qt::AlignLeft | Qt::AlignVCenter, text);
        }
    }
}

double COverviewCtrl::SecondsAt(double x) const {
    return sundrel::view::OverviewSeconds(x, width(), m_duration);
}

void COverviewCtrl::RenderWave() {
    const int w = width();
    const int h = height();
    const QColor background = m_look.dark ? kDarkBackground : kBackground;
    m_wave = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32);
    m_wave.fill(background);
    if (m_summary && w > 0 && m_summary->Frames() > 0) {
        QPainter p(&m_wave);
        const int lanes = m_summary->Channels();
        const int laneHeight = h / std::max(lanes, 1);
        const double perColumn = static_cast<double>(m_summary->Frames()) / w;
        const auto columns = static_cast<std::size_t>(w);
        std::vector<sundrel::overview::Peak> peaks(columns);
        auto ready = std::make_unique<bool[]>(columns);
        // One colour per column from the bands of the mono sum, the same in both lanes.
        std::vector<sundrel::gui::ColumnColours> colours;
        if (m_look.coloured) {
            std::vector<sundrel::overview::Bands> bands(columns);
            m_summary->BandColumns(0.0, perColumn, bands, std::span<bool>(ready.get(), columns));
            for (std::size_t i = 0; i < columns; ++i) {
                colours.push_back(sundrel::gui::BandColours(bands[i], background, m_look.dark));
            }
        }
        const sundrel::gui::ColumnColours plain{m_look.dark ? kDarkPeakPen : kPeakPen,
                                                m_look.dark ? kDarkRmsPen : kRmsPen};
        for (int lane = 0; lane < lanes; ++lane) {
            m_summary->Columns(lane, 0.0, perColumn, peaks, std::span<bool>(ready.get(), columns));
            const int centre = lane * laneHeight + laneHeight / 2;
            const double half = std::max(1, laneHeight / 2 - 1) / 32767.0;
            const auto y = [&](double v) {
                return static_cast<int>(std::lround(centre - v * half));
            };
            for (int x = 0; x < w; ++x) {
                const auto i = static_cast<std::size_t>(x);
                if (!ready[i]) {
                    continue;
                }
                const sundrel::gui::ColumnColours& colour = colours.empty() ? plain : colours[i];
                const int top = y(peaks[i].max);
                const int bottom = y(peaks[i].min);
                p.setPen(colour.peak);
                p.drawLine(x, top, x, bottom);
                const int rmsTop = std::max(top, y(peaks[i].rms));
                const int rmsBottom = std::min(bottom, y(-static_cast<double>(peaks[i].rms)));
                if (rmsTop < rmsBottom) {
                    p.setPen(colour.rms);
                    p.drawLine(x, rmsTop, x, rmsBottom);
                }
            }
        }
    }
    update();
}

void COverviewCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_wave);
    if (!(m_duration > 0.0)) {
        return;
    }
    const int w = width();
    const int h = height();
    if (m_window.to > m_window.from) {
        const auto [left, right] = sundrel::view::OverviewBand(m_window, w, m_duration);
        const QRectF band(left, 0.0, right - left, h - 1.0);
        p.fillRect(band, m_look.dark ? kDarkBandFill : kBandFill);
        p.setPen(kBandEdge);
        p.drawRect(band);
    }
    p.setFont(font());
    PaintPlays(p);
    // Many markers share the strip: their labels are staggered over a few rows so that none
    // covers another; where even that leaves no room, the number alone, else no label (the
    // selected marker's is placed first).
    const QFontMetrics metrics(font());
    const int lanes = std::clamp((h - 2) / (2 * metrics.height()), 1, 3);
    std::vector<int> xs;
    std::vector<QString> shortTexts;
    std::vector<sundrel::view::LabelWish> wishes;
    for (const sundrel::gui::ViewMarker& marker : m_markers) {
        const int x = static_cast<int>(
            std::lround(sundrel::view::XAtSeconds({0.0, m_duration}, marker.seconds, w)));
        xs.push_back(x);
        shortTexts.push_back(marker.label.section(QLatin1Char(' '), 0, 0));
        wishes.push_back({x,
                          marker.label.isEmpty() ? 0 : metrics.horizontalAdvance(marker.label) + 4,
                          metrics.horizontalAdvance(shortTexts.back()) + 4, marker.selected});
    }
    const std::vector<sundrel::view::LabelPlace> places =
        sundrel::view::PlaceLabels(wishes, w, lanes);
    for (std::size_t i = 0; i < m_markers.size(); ++i) {
        sundrel::gui::ViewMarker line = m_markers[i];
        line.label.clear();
        sundrel::gui::DrawMarker(p, line, xs[i], 0, h - 1, 1, w, 0);
    }
    for (std::size_t i = 0; i < m_markers.size(); ++i) {
        if (places[i].lane >= 0) {
            sundrel::gui::DrawMarkerLabel(p, m_markers[i],
                                          places[i].shortForm ? shortTexts[i] : m_markers[i].label,
                                          places[i].left, 1 + places[i].lane * metrics.height());
        }
    }
    if (m_position) {
        const double x = sundrel::view::XAtSeconds({0.0, m_duration}, *m_position, w);
        p.setPen(QPen(m_look.dark ? kDarkPositionPen : kPositionPen, 1));
        p.drawLine(QPointF(x, 0.0), QPointF(x, h - 1.0));
    }
    p.setPen(Qt::gray);
    p.drawRect(0, 0, w - 1, h - 1);
}

void COverviewCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_duration > 0.0) {
        emit seekRequested(SecondsAt(event->position().x()));
    }
}

void COverviewCtrl::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) != 0 && m_duration > 0.0) {
        emit seekRequested(SecondsAt(std::clamp(event->position().x(), 0.0, double(width()))));
    }
}

void COverviewCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RenderWave();
}
