#include "gui/view/WaveViewCtrl.h"

#include "core/audio/SampleReader.h"
#include "core/audio/WaveFile.h"
#include "core/io/ReadAll.h"
#include "core/io/UniqueFd.h"
#include "core/overview/MixSummary.h"
#include "core/view/InputMath.h"
#include "core/view/MarkerHit.h"
#include "core/view/TimeRuler.h"
#include "core/view/TimeWindow.h"
#include "core/view/WaveColumns.h"
#include "core/view/WaveTraces.h"
#include "core/view/ZoomMath.h"

#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QThread>
#include <QWheelEvent>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRulerHeight = 25; // the image starts at this row
constexpr int kCursorTop = 26;
constexpr int kEdge = 3; // sunken edge around the client area

const QColor kWavePen(0, 150, 0);
const QColor kRulerPen(0, 51, 0);
const QColor kCursorPen(115, 79, 26);
const QColor kPeakPen(0, 130, 0);
const QColor kRmsPen(120, 200, 120);
const QColor kZeroPen(210, 210, 210);
// The dark theme's: the classic trace keeps its pen on a dark ground.
const QColor kDarkGround(24, 24, 28);
const QColor kDarkFrame(110, 110, 110);
const QColor kDarkRulerPen(150, 210, 150);
const QColor kDarkText(225, 225, 225);
const QColor kDarkPeakPen(70, 190, 70);
const QColor kDarkRmsPen(150, 230, 150);
const QColor kDarkZeroPen(70, 70, 75);

// Pixels within which a press picks up a marker.
constexpr double kMarkerGrab = 4.0;
// Pixels the mouse moves before a press on a marker becomes a drag.
constexpr int kDragStart = 3;
// One wheel notch: zoom by this factor with Ctrl, scroll by this share of the window without.
constexpr double kWheelZoom = 1.25;
constexpr double kWheelPages = 0.1;

QPolygon ToPolygon(const std::vector<sundrel::view::WavePoint>& points) {
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const auto& pt : points) {
        polygon.append(QPoint(pt.x, pt.y));
    }
    return polygon;
}

// Phase A of the drawing: the whole cached image for one window. Runs on a worker thread and
// touches nothing but its arguments and the mapped data the reader points into.
QImage RenderWave(const sundrel::SampleReader& reader, const sundrel::view::WaveWindow& window,
                  const std::atomic<bool>* cancel, bool dark) {
    QImage image(window.width, window.height, QImage::Format_RGB32);
    image.fill(dark ? kDarkGround : QColor(Qt::white));
    const sundrel::view::WaveTraces traces =
        sundrel::view::ComputeWaveTraces(reader, window, cancel);
    if (cancel->load()) {
        return {};
    }
    QPainter p(&image);
    const QColor frame = dark ? kDarkFrame : QColor(Qt::black);
    p.setPen(QPen(frame, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, window.width - 1, window.height - 1);
    p.setPen(QPen(kWavePen, 0));
    if (traces.first.size() > 1) {
        p.drawPolyline(ToPolygon(traces.first));
    }
    if (traces.second.size() > 1) {
        p.drawPolyline(ToPolygon(traces.second));
    }
    // The centre column marks the middle of the window.
    p.setPen(QPen(frame, 0));
    p.drawLine(window.width / 2, 0, window.width / 2, window.height - 1);
    return image;
}

// Bytes first .. end - 1 of the audio data, read with pread: a file that shrank since loading
// (or cannot be read any more) gives fewer bytes, never a fault.
std::vector<std::byte> ReadData(const std::filesystem::path& path, std::uint64_t dataOffset,
                                std::uint64_t dataSize, std::uint64_t first, std::uint64_t end) {
    const std::uint64_t begin = std::min(first, dataSize);
    end = std::min(end, dataSize);
    std::vector<std::byte> bytes(end > begin ? end - begin : 0);
    if (!bytes.empty()) {
        const sundrel::io::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        bytes.resize(fd ? sundrel::io::ReadAllAt(fd.Get(), bytes, dataOffset + begin).bytes : 0);
    }
    return bytes;
}

// Reads elements window.firstSample..lastSample of the audio data and renders them as the
// classic trace.
QImage RenderWindow(const std::filesystem::path& path, std::uint64_t dataOffset,
                    std::uint64_t dataSize, const sundrel::WaveFormat& format,
                    sundrel::view::WaveWindow window, const std::atomic<bool>* cancel, bool dark) {
    const std::uint64_t perElement = format.bitsPerSample / 8u;
    const auto first = static_cast<std::uint64_t>(std::max<std::int64_t>(window.firstSample, 0));
    const auto last = static_cast<std::uint64_t>(std::max<std::int64_t>(window.lastSample, 0));
    const std::vector<std::byte> bytes =
        ReadData(path, dataOffset, dataSize, first * perElement, (last + 1) * perElement);
    const sundrel::SampleReader reader(bytes, format);
    // The reader counts from the window's first element.
    window.firstSample -= static_cast<std::int64_t>(first);
    window.lastSample -= static_cast<std::int64_t>(first);
    return RenderWave(reader, window, cancel, dark);
}

// The columns of a zoomed window: from the summary when a column spans at least one of its
// blocks, else from the samples. `partial` is set when summary data was missing.
struct ZoomData {
    std::vector<std::vector<sundrel::view::ColumnPeak>> columns; // per lane
    std::vector<std::vector<float>> samples;                     // per lane, when drawn as points
    // Per column, when coloured by frequency: the bands of the summary there (of the block
    // holding the column's first frame when it is narrower than one).
    std::vector<sundrel::overview::Bands> bands;
    std::vector<char> bandsReady;
    double firstSample = 0.0; // of `samples`, relative to its first entry
    double perColumn = 0.0;
    bool partial = false;
};

ZoomData ZoomColumns(const std::filesystem::path& path, std::uint64_t dataOffset,
                     std::uint64_t dataSize, const sundrel::WaveFormat& format,
                     const sundrel::overview::MixSummary* summary, sundrel::TimeWindow window,
                     int width, bool coloured) {
    ZoomData data;
    const int lanes = sundrel::view::LaneCount(format.channels);
    data.columns.resize(static_cast<std::size_t>(lanes));
    const std::uint32_t frameSize = format.FrameSize();
    if (width <= 0 || frameSize == 0 || format.sampleRate == 0) {
        return data;
    }
    const double rate = format.sampleRate;
    const double first = window.from * rate;
    data.perColumn = (window.to - window.from) * rate / width;
    const auto frames = static_cast<std::int64_t>(dataSize / frameSize);
    if (coloured && summary != nullptr) {
        const auto n = static_cast<std::size_t>(width);
        data.bands.resize(n);
        auto ready = std::make_unique<bool[]>(n);
        summary->BandColumns(first, data.perColumn, data.bands, std::span<bool>(ready.get(), n));
        data.bandsReady.assign(ready.get(), ready.get() + n);
        // Columns inside the mix whose colours are still missing are drawn again later.
        for (std::size_t c = 0; c < n; ++c) {
            const double columnStart = first + static_cast<double>(c) * data.perColumn;
            data.partial = data.partial || (!ready[c] && columnStart >= 0.0 &&
                                            columnStart < static_cast<double>(frames));
        }
    }
    if (summary != nullptr && data.perColumn >= static_cast<double>(summary->BlockFrames(0))) {
        std::vector<sundrel::overview::Peak> peaks(static_cast<std::size_t>(width));
        auto ready = std::make_unique<bool[]>(static_cast<std::size_t>(width));
        for (int lane = 0; lane < lanes; ++lane) {
            summary->Columns(lane, first, data.perColumn, peaks,
                             std::span<bool>(ready.get(), static_cast<std::size_t>(width)));
            auto& out = data.columns[static_cast<std::size_t>(lane)];
            out.resize(static_cast<std::size_t>(width));
            for (int c = 0; c < width; ++c) {
                const auto i = static_cast<std::size_t>(c);
                const double columnStart = first + c * data.perColumn;
                if (!ready[i]) {
                    data.partial = data.partial || columnStart < static_cast<double>(frames);
                    continue;
                }
                out[i] = {static_cast<float>(peaks[i].min) / 32767.0f,
                          static_cast<float>(peaks[i].max) / 32767.0f,
                          static_cast<float>(peaks[i].rms) / 32767.0f, true};
            }
        }
        return data;
    }
    // Fine zoom: read the window's frames (one more at each end so lines reach the edges).
    const auto begin =
        std::clamp<std::int64_t>(static_cast<std::int64_t>(std::floor(first)) - 1, 0, frames);
    const auto end = std::clamp<std::int64_t>(
        static_cast<std::int64_t>(std::ceil(first + data.perColumn * width)) + 2, 0, frames);
    if (summary == nullptr && end - begin > std::int64_t{1} << 24) {
        data.partial = true; // no summary yet and far too much to read on every repaint
        return data;
    }
    const std::vector<std::byte> bytes =
        ReadData(path, dataOffset, dataSize, static_cast<std::uint64_t>(begin) * frameSize,
                 static_cast<std::uint64_t>(end) * frameSize);
    const sundrel::SampleReader reader(bytes, format);
    std::vector<std::vector<float>> lanesData = sundrel::view::LaneSamples(reader, format.channels);
    data.firstSample = first - static_cast<double>(begin);
    if (data.perColumn >= 1.0) {
        for (int lane = 0; lane < lanes; ++lane) {
            data.columns[static_cast<std::size_t>(lane)] = sundrel::view::SampleColumns(
                lanesData[static_cast<std::size_t>(lane)], data.firstSample, data.perColumn, width);
        }
    } else {
        data.samples = std::move(lanesData);
    }
    return data;
}

// A zoomed window's image: per lane a zero line, and either each column's min..max with its
// RMS drawn lighter inside, or (past one sample per pixel) the samples as points joined by
// lines.
QImage RenderZoomed(const ZoomData& data, int width, int height, sundrel::gui::WaveLook look) {
    const QColor background = look.dark ? kDarkGround : QColor(Qt::white);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(background);
    QPainter p(&image);
    const sundrel::gui::ColumnColours plain{look.dark ? kDarkPeakPen : kPeakPen,
                                            look.dark ? kDarkRmsPen : kRmsPen};
    // The colours of column x: its bands' when they are known, else the plain ones.
    std::vector<sundrel::gui::ColumnColours> colours(static_cast<std::size_t>(std::max(width, 0)),
                                                     plain);
    for (std::size_t x = 0; x < std::min(colours.size(), data.bands.size()); ++x) {
        if (data.bandsReady[x] != 0) {
            colours[x] = sundrel::gui::BandColours(data.bands[x], background, look.dark);
        }
    }
    const auto colourAt = [&](double x) -> const sundrel::gui::ColumnColours& {
        const auto i = static_cast<std::ptrdiff_t>(std::floor(x));
        return colours.empty() ? plain
                               : colours[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(
                                     i, 0, static_cast<std::ptrdiff_t>(colours.size()) - 1))];
    };
    const int lanes = static_cast<int>(std::max(data.columns.size(), data.samples.size()));
    const int laneHeight = lanes > 0 ? height / lanes : height;
    for (int lane = 0; lane < lanes; ++lane) {
        const int centre = lane * laneHeight + laneHeight / 2;
        const double half = std::max(1, laneHeight / 2 - 3);
        const auto y = [&](float v) { return static_cast<int>(std::lround(centre - v * half)); };
        p.setPen(QPen(look.dark ? kDarkZeroPen : kZeroPen, 0));
        p.drawLine(0, centre, width - 1, centre);
        if (!data.samples.empty()) {
            const std::vector<float>& samples = data.samples[static_cast<std::size_t>(lane)];
            QPolygonF line;
            line.reserve(static_cast<qsizetype>(samples.size()));
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const double x = (static_cast<double>(i) - data.firstSample) / data.perColumn;
                line.append(QPointF(x, y(samples[i])));
            }
            p.setRenderHint(QPainter::Antialiasing, true);
            if (data.bands.empty()) {
                p.setPen(QPen(plain.peak, 1));
                p.drawPolyline(line);
            } else {
                // Each stretch between two points in the colour of the column it starts in.
                for (qsizetype i = 0; i + 1 < line.size(); ++i) {
                    p.setPen(QPen(colourAt(line[i].x()).rms, 1));
                    p.drawLine(line[i], line[i + 1]);
                }
            }
            if (1.0 / data.perColumn >= 6.0) {
                p.setPen(Qt::NoPen);
                for (const QPointF& point : line) {
                    p.setBrush(data.bands.empty() ? plain.peak : colourAt(point.x()).rms);
                    p.drawEllipse(point, 2.0, 2.0);
                }
            }
            p.setRenderHint(QPainter::Antialiasing, false);
            continue;
        }
        const auto& columns = data.columns[static_cast<std::size_t>(lane)];
        for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
            const sundrel::view::ColumnPeak& c = columns[static_cast<std::size_t>(x)];
            if (!c.ready) {
                continue;
            }
            const int top = y(c.max);
            const int bottom = y(c.min);
            const sundrel::gui::ColumnColours& colour = colourAt(x);
            p.setPen(QPen(colour.peak, 0));
            p.drawLine(x, top, x, bottom);
            const int rmsTop = std::max(top, y(c.rms));
            const int rmsBottom = std::min(bottom, y(-c.rms));
            if (rmsTop < rmsBottom) {
                p.setPen(QPen(colour.rms, 0));
                p.drawLine(x, rmsTop, x, rmsBottom);
            }
        }
    }
    p.setPen(QPen(look.dark ? kDarkFrame : QColor(Qt::black), 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, width - 1, height - 1);
    return image;
}

} // namespace

CWaveViewCtrl::CWaveViewCtrl() {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setContentsMargins(1, 1, 1, 1);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true); // the pointer shows where a marker can be dragged
    connect(&m_watcher, &QFutureWatcher<Rendered>::finished, this, &CWaveViewCtrl::OnRendered);
}

CWaveViewCtrl::~CWaveViewCtrl() {
    // A rendering holds its own copies of everything it reads; it only needs to stop.
    if (m_cancel) {
        *m_cancel = true;
    }
    m_watcher.disconnect(this);
    m_render.waitForFinished();
}

void CWaveViewCtrl::Create(const QRect& rect, QWidget* parent, int id) {
    setParent(parent);
    setObjectName(QStringLiteral("ctl%1").arg(id));
    setGeometry(rect);
    m_rcClient =
        QRect(0, 0, std::max(0, rect.width() - 2 * kEdge), std::max(0, rect.height() - 2 * kEdge));
    show();
}

void CWaveViewCtrl::ShowMix(const CWaveFile& wave,
                            std::shared_ptr<const sundrel::overview::MixSummary> summary) {
    m_source.path = wave.m_strPath;
    m_source.dataOffset = wave.m_nDataOffset;
    m_source.dataSize = wave.m_nDataSize;
    m_source.format = wave.GetFormat();
    m_source.summary = std::move(summary);
    m_playHead.reset();
    CancelDrag();
    Blank();
}

void CWaveViewCtrl::ShowWindow(sundrel::TimeWindow window, bool classic, std::int64_t firstSample,
                               std::int64_t lastSample) {
    if (m_source.format.bitsPerSample < 8 || m_source.format.channels == 0) {
        Blank(); // nothing the waveform could be drawn from
        return;
    }
    m_fFrom = window.from;
    m_fTo = window.to;
    m_nFirstSample = firstSample;
    m_nLastSample = lastSample;
    m_bClassic = classic;
    m_bMapped = true;
    m_bCursorEnabled = true;
    Refresh();
}

void CWaveViewCtrl::Refresh() {
    if (m_cancel) {
        *m_cancel = true;
    }
    if (!m_image.isNull()) {
        m_previousImage = m_image;
    }
    m_image = QImage();
    // Until its image says otherwise, a zoomed window may need summary data still missing.
    m_bPartial = !m_bClassic;
    m_bRenderStarted = false;
    update();
}

void CWaveViewCtrl::SetLook(sundrel::gui::WaveLook look) {
    if (m_look == look) {
        return;
    }
    m_look = look;
    if (m_bMapped) {
        Refresh();
    }
    update();
}

void CWaveViewCtrl::Blank() {
    if (m_cancel) {
        *m_cancel = true;
    }
    m_bMapped = false;
    m_bCursorEnabled = false;
    m_bLineShown = false;
    m_nCursorX = -1;
    m_image = QImage();
    m_previousImage = QImage();
    m_bRenderStarted = false;
    update();
}

void CWaveViewCtrl::SetMarkers(std::vector<sundrel::gui::ViewMarker> markers) {
    m_markers = std::move(markers);
    update();
}

void CWaveViewCtrl::CancelDrag() {
    m_pressedMarker.reset();
    m_bDragging = false;
}

void CWaveViewCtrl::SetPlayHead(std::optional<double> seconds) {
    if (m_playHead != seconds) {
        m_playHead = seconds;
        update();
    }
}

double CWaveViewCtrl::XOf(double seconds) const {
    return sundrel::view::XAtSeconds({m_fFrom, m_fTo}, seconds, m_rcClient.width());
}

double CWaveViewCtrl::SecondsAt(double x) const {
    return sundrel::view::SecondsAtX({m_fFrom, m_fTo}, x, m_rcClient.width());
}

void CWaveViewCtrl::StartRender() {
    if (m_bRenderStarted || !m_bMapped || m_rcClient.isEmpty()) {
        return;
    }
    m_bRenderStarted = true;
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    const int width = m_rcClient.width();
    const int height = m_rcClient.height();
    if (m_bClassic) {
        sundrel::view::WaveWindow window;
        window.firstSample = m_nFirstSample;
        window.lastSample = m_nLastSample;
        window.from = static_cast<float>(m_fFrom);
        window.to = static_cast<float>(m_fTo);
        window.width = width;
        window.height = height;
        window.channels = m_source.format.channels;
        window.sampleRate = m_source.format.sampleRate;
        m_render =
            QtConcurrent::run([source = m_source, window, cancel = m_cancel, dark = m_look.dark] {
                return Rendered{RenderWindow(source.path, source.dataOffset, source.dataSize,
                                             source.format, window, cancel.get(), dark),
                                false};
            });
    } else {
        // Below the ruler: the classic image keeps its old size and is cut at the bottom,
        // a zoomed one fits the room there.
        const int below = std::max(1, height - kRulerHeight);
        const sundrel::TimeWindow window{m_fFrom, m_fTo};
        m_render = QtConcurrent::run(
            [source = m_source, window, width, below, cancel = m_cancel, look = m_look] {
                if (cancel->load()) {
                    return Rendered{}; // overtaken before it began
                }
                const ZoomData columns =
                    ZoomColumns(source.path, source.dataOffset, source.dataSize, source.format,
                                source.summary.get(), window, width, look.coloured);
                if (cancel->load()) {
                    return Rendered{};
                }
                return Rendered{RenderZoomed(columns, width, below, look), columns.partial};
            });
    }
    m_watcher.setFuture(m_render);
}

bool CWaveViewCtrl::WaitRendered(int timeoutMs) {
    StartRender();
    if (!m_bRenderStarted) {
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    while (m_image.isNull() && !deadline.hasExpired()) {
        if (m_render.isFinished()) {
            OnRendered();
            break;
        }
        QThread::msleep(2);
    }
    return !m_image.isNull();
}

void CWaveViewCtrl::OnRendered() {
    if (!m_image.isNull() || !m_render.isFinished() || m_render.resultCount() == 0 || !m_cancel ||
        m_cancel->load()) {
        return; // a rendering that was overtaken by a newer window
    }
    Rendered rendered = m_render.result();
    m_image = std::move(rendered.image);
    m_bPartial = rendered.partial;
    update();
}

QPoint CWaveViewCtrl::ToClient(const QPoint& widgetPoint) const {
    return widgetPoint - contentsRect().topLeft();
}

void CWaveViewCtrl::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (!m_bMapped) {
        return;
    }
    StartRender();
    QPainter p(this);
    p.translate(contentsRect().topLeft());
    p.setClipRect(QRect(QPoint(0, 0), m_rcClient.size()));
    const QImage& image = m_image.isNull() ? m_previousImage : m_image;
    if (!image.isNull()) {
        p.drawImage(QPoint(0, kRulerHeight), image);
    }
    DrawRuler(p);
    DrawMarkers(p);
    if (m_bLineShown) {
        p.setPen(QPen(kCursorPen, 1, Qt::DashDotLine));
        p.drawLine(m_nCursorX, kCursorTop, m_nCursorX, m_rcClient.height() - 1);
    }
    if (m_playHead) {
        const double x = XOf(*m_playHead);
        if (x >= 0.0 && x < m_rcClient.width()) {
            p.setPen(QPen(sundrel::gui::kPlayHeadColour, 2));
            p.drawLine(QPointF(x, kRulerHeight), QPointF(x, m_rcClient.height() - 1));
        }
    }
    if (m_bCaretShown) {
        p.fillRect(QRect(m_ptCaret.x(), m_ptCaret.y(), 1, m_rcClient.height()), Qt::black);
    }
}

void CWaveViewCtrl::DrawRuler(QPainter& p) const {
    // The window's own font, so the ruler reads like the rest of the window.
    p.setFont(font());
    const QFontMetrics metrics(p.font());
    const int width = m_rcClient.width();
    const int top = m_rcClient.top();
    const QColor rulerPen = m_look.dark ? kDarkRulerPen : kRulerPen;
    const auto label = [&](double x, const QString& text) {
        const int textWidth = metrics.horizontalAdvance(text);
        // Labels near either end stay whole inside the view.
        const auto left =
            static_cast<int>(std::lround(sundrel::view::LabelLeft(x, textWidth, width)));
        p.setPen(m_look.dark ? kDarkText : QColor(Qt::black));
        p.drawText(QRect(left, top, textWidth + 1, 19), Qt::AlignLeft | Qt::AlignTop, text);
    };
    if (m_bClassic) {
        for (const auto& tick : sundrel::view::RulerTicks(static_cast<float>(m_fFrom),
                                                          static_cast<float>(m_fTo), width)) {
            p.setPen(QPen(rulerPen, 1));
            p.drawLine(tick.x, top + 23, tick.x, top + 24);
            if (tick.labelled) {
                p.drawLine(tick.x, top + 20, tick.x, top + 22);
                label(tick.x, QString::fromStdString(tick.label));
            }
        }
        return;
    }
    // Room for the widest label ("0:00:00.00000") and a gap.
    const int labelGap = metrics.horizontalAdvance(QStringLiteral("0:00:00.00000")) + 12;
    for (const auto& tick : sundrel::view::RulerTicksFor({m_fFrom, m_fTo}, width, labelGap)) {
        const auto x = static_cast<int>(std::lround(tick.x));
        p.setPen(QPen(rulerPen, 1));
        p.drawLine(x, top + (tick.major ? 20 : 23), x, top + 24);
        if (tick.major && !tick.label.empty()) {
            label(tick.x, QString::fromStdString(tick.label));
        }
    }
}

void CWaveViewCtrl::DrawMarkers(QPainter& p) const {
    p.setFont(font());
    const int width = m_rcClient.width();
    // Zoomed out, markers crowd: each label keeps to the room before the next marker.
    std::vector<const sundrel::gui::ViewMarker*> shown;
    std::vector<int> xs;
    for (const sundrel::gui::ViewMarker& marker : m_markers) {
        const double x = XOf(marker.seconds);
        if (x < 0.0 || x >= width) {
            continue;
        }
        shown.push_back(&marker);
        xs.push_back(static_cast<int>(std::lround(x)));
    }
    const std::vector<int> rooms = sundrel::gui::LabelRooms(xs, width);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        sundrel::gui::DrawMarker(p, *shown[i], xs[i], kRulerHeight, m_rcClient.height() - 1,
                                 kRulerHeight + 2, width, rooms[i]);
    }
}

std::optional<sundrel::gui::ViewMarker> CWaveViewCtrl::MarkerAt(int x) const {
    // The owner never passes the start of the mix, which cannot be moved.
    std::vector<double> xs;
    for (const sundrel::gui::ViewMarker& marker : m_markers) {
        xs.push_back(XOf(marker.seconds));
    }
    const std::optional<std::size_t> hit = sundrel::view::HitMarker(xs, x, kMarkerGrab);
    if (!hit) {
        return std::nullopt;
    }
    return m_markers[*hit];
}

void CWaveViewCtrl::SetCursorLine(int x, int y) {
    if (!m_bCursorEnabled) {
        return;
    }
    m_nCursorX = x;
    m_ptCaret = QPoint(x, kCursorTop);
    m_bLineShown = sundrel::view::InPressBand(x, y, m_rcClient.width(), m_rcClient.height());
    update();
}

void CWaveViewCtrl::HideCursorLine() {
    m_nCursorX = -1;
    m_bLineShown = false;
    update();
}

void CWaveViewCtrl::ShowCursorCaret(bool show) {
    m_bCaretShown = show;
    update();
}

void CWaveViewCtrl::mousePressEvent(QMouseEvent* event) {
    QFrame::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !m_bCursorEnabled) {
        return;
    }
    const QPoint point = ToClient(event->position().toPoint());
    m_pressedMarker = MarkerAt(point.x());
    if (m_pressedMarker) {
        m_pressPoint = point; // a drag, or a plain press if the mouse does not move
        m_bDragging = false;
        return;
    }
    // The press wipes the previous line; the owner draws the new one if it takes the press.
    m_bLineShown = false;
    m_nCursorX = point.x();
    m_ptCaret = QPoint(point.x(), kCursorTop);
    update();
    if (sundrel::view::InPressBand(point.x(), point.y(), m_rcClient.width(), m_rcClient.height())) {
        emit pressed(point);
    }
}

void CWaveViewCtrl::mouseReleaseEvent(QMouseEvent* event) {
    QFrame::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint point = ToClient(event->position().toPoint());
    if (m_pressedMarker) {
        const sundrel::gui::ViewMarker marker = *m_pressedMarker;
        m_pressedMarker.reset();
        if (m_bDragging) {
            m_bDragging = false;
            emit markerDragEnded(marker.index, marker.suggestion);
            return;
        }
        // Not moved: an ordinary click on the waveform at the marker.
        m_bLineShown = false;
        m_nCursorX = m_pressPoint.x();
        if (sundrel::view::InPressBand(m_pressPoint.x(), m_pressPoint.y(), m_rcClient.width(),
                                       m_rcClient.height())) {
            emit pressed(m_pressPoint);
        }
    }
    // The owner may change the window while handling the release: nothing follows the signal.
    emit released(point);
}

void CWaveViewCtrl::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint point = ToClient(event->position().toPoint());
    if (m_pressedMarker && (event->buttons() & Qt::LeftButton) == 0) {
        // The release went elsewhere (a dialog opened meanwhile): the drag ends here.
        const sundrel::gui::ViewMarker marker = *m_pressedMarker;
        const bool dragging = m_bDragging;
        CancelDrag();
        if (dragging) {
            emit markerDragEnded(marker.index, marker.suggestion);
        }
        return;
    }
    if (!m_pressedMarker) {
        const bool overMarker = m_bCursorEnabled && (event->buttons() & Qt::LeftButton) == 0 &&
                                MarkerAt(point.x()).has_value();
        setCursor(overMarker ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    if (!m_bDragging && std::abs(point.x() - m_pressPoint.x()) < kDragStart) {
        return;
    }
    // The owner may end the drag while handling a signal: the marker is taken first.
    const sundrel::gui::ViewMarker marker = *m_pressedMarker;
    if (!m_bDragging) {
        m_bDragging = true;
        emit markerDragStarted(marker.index, marker.suggestion);
    }
    if (m_bDragging) {
        const double x = std::clamp<double>(point.x(), 0.0, m_rcClient.width());
        emit markerDragged(marker.index, marker.suggestion, SecondsAt(x));
    }
}

void CWaveViewCtrl::wheelEvent(QWheelEvent* event) {
    if (!m_bMapped) {
        QFrame::wheelEvent(event);
        return;
    }
    const QPoint delta = event->angleDelta();
    const double notches = (delta.y() != 0 ? delta.y() : delta.x()) / 120.0;
    if (notches == 0.0) {
        return;
    }
    event->accept();
    if ((event->modifiers() & Qt::ControlModifier) != 0) {
        const double x = ToClient(event->position().toPoint()).x();
        emit zoomRequested(std::pow(kWheelZoom, notches), SecondsAt(x));
    } else {
        emit scrollRequested(-notches * kWheelPages);
    }
}

void CWaveViewCtrl::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    if (m_bMapped) {
        ShowCursorCaret(true);
    }
}

void CWaveViewCtrl::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    if (m_bMapped) {
        ShowCursorCaret(false);
    }
}

void CWaveViewCtrl::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const QRect client(QPoint(0, 0), contentsRect().size());
    const int oldWidth = m_rcClient.width();
    const int newWidth = client.width();
    // Cursor and caret keep their place as a share of the width.
    if (oldWidth > 0 && newWidth != oldWidth) {
        if (m_nCursorX != -1) {
            m_nCursorX = m_nCursorX * newWidth / oldWidth;
        }
        m_ptCaret.setX(m_ptCaret.x() * newWidth / oldWidth);
    }
    if (client.size() != m_rcClient.size() && m_bMapped) {
        m_rcClient = client;
        Refresh(); // the image is drawn for the view's size
        return;
    }
    m_rcClient = client;
}
