#include "gui/view/WaveViewCtrl.h"

#include "core/audio/SampleReader.h"
#include "core/audio/WaveFile.h"
#include "core/io/ReadAll.h"
#include "core/io/UniqueFd.h"
#include "core/view/TimeWindow.h"
#include "core/view/WaveTraces.h"

#include <QDeadlineTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cerrno>
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
                  const std::atomic<bool>* cancel) {
    QImage image(window.width, window.height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const sundrel::view::WaveTraces traces =
        sundrel::view::ComputeWaveTraces(reader, window, cancel);
    if (cancel->load()) {
        return {};
    }
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 0));
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
    p.setPen(QPen(Qt::black, 0));
    p.drawLine(window.width / 2, 0, window.width / 2, window.height - 1);
    return image;
}

// Reads the bytes of elements window.firstSample..lastSample of the audio data with pread
// (a file that shrank since loading gives fewer bytes, never a fault) and renders them.
QImage RenderWindow(const std::filesystem::path& path, std::uint64_t dataOffset,
                    std::uint64_t dataSize, const sundrel::WaveFormat& format,
                    sundrel::view::WaveWindow window, const std::atomic<bool>* cancel) {
    const std::uint64_t perElement = format.bitsPerSample / 8u;
    const auto first = static_cast<std::uint64_t>(std::max<std::int64_t>(window.firstSample, 0));
    const auto last = static_cast<std::uint64_t>(std::max<std::int64_t>(window.lastSample, 0));
    const std::uint64_t begin = std::min(first * perElement, dataSize);
    const std::uint64_t end = std::min((last + 1) * perElement, dataSize);
    std::vector<std::byte> bytes(end > begin ? end - begin : 0);
    if (!bytes.empty()) {
        // A file that cannot be opened or read any more draws as far as it could be read.
        const sundrel::io::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        bytes.resize(fd ? sundrel::io::ReadAllAt(fd.Get(), bytes, dataOffset + begin).bytes : 0);
    }
    const sundrel::SampleReader reader(bytes, format);
    // The reader counts from the window's first element.
    window.firstSample -= static_cast<std::int64_t>(first);
    window.lastSample -= static_cast<std::int64_t>(first);
    return RenderWave(reader, window, cancel);
}

} // namespace

CWaveViewCtrl::CWaveViewCtrl() {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setContentsMargins(1, 1, 1, 1);
    setFocusPolicy(Qt::NoFocus);
    connect(&m_watcher, &QFutureWatcher<QImage>::finished, this, &CWaveViewCtrl::OnRendered);
}

CWaveViewCtrl::~CWaveViewCtrl() {
    m_bCancel = true;
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

void CWaveViewCtrl::ShowMix(const CWaveFile& wave) {
    m_source.path = wave.m_strPath;
    m_source.dataOffset = wave.m_nDataOffset;
    m_source.dataSize = wave.m_nDataSize;
    m_source.format = wave.GetFormat();
    if (m_source.format.bitsPerSample < 8 || m_source.format.channels == 0) {
        return; // nothing the traces could be drawn from
    }
    m_bMapped = true;
    m_bCursorEnabled = true;
    update();
}

void CWaveViewCtrl::StartRender() {
    if (m_bRenderStarted || !m_bMapped || m_rcClient.isEmpty()) {
        return;
    }
    m_bRenderStarted = true;
    sundrel::view::WaveWindow window;
    window.firstSample = m_nFirstSample;
    window.lastSample = m_nLastSample;
    window.from = m_fFrom;
    window.to = m_fTo;
    window.width = m_rcClient.width();
    window.height = m_rcClient.height();
    window.channels = m_source.format.channels;
    window.sampleRate = m_source.format.sampleRate;
    // The flag belongs to this view, which waits for the worker before it goes.
    const std::atomic<bool>* cancel = &m_bCancel;
    m_render = QtConcurrent::run([source = m_source, window, cancel] {
        return RenderWindow(source.path, source.dataOffset, source.dataSize, source.format, window,
                            cancel);
    });
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
    if (m_image.isNull() && m_render.isFinished() && m_render.resultCount() > 0) {
        m_image = m_render.result();
        update();
    }
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
    if (!m_image.isNull()) {
        p.drawImage(QRect(0, kRulerHeight, m_rcClient.width(), m_rcClient.height()), m_image);
    }
    DrawRuler(p);
    if (m_bLineShown) {
        p.setPen(QPen(kCursorPen, 1, Qt::DashDotLine));
        p.drawLine(m_nCursorX, kCursorTop, m_nCursorX, m_rcClient.height() - 1);
    }
    if (m_bCaretShown) {
        p.fillRect(QRect(m_ptCaret.x(), m_ptCaret.y(), 1, m_rcClient.height()), Qt::black);
    }
}

void CWaveViewCtrl::DrawRuler(QPainter& p) const {
    QFont font(QStringLiteral("serif"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    const int top = m_rcClient.top();
    for (const auto& tick : sundrel::view::RulerTicks(m_fFrom, m_fTo, m_rcClient.width())) {
        p.setPen(QPen(kRulerPen, 1));
        p.drawLine(tick.x, top + 23, tick.x, top + 24);
        if (tick.labelled) {
            p.setPen(Qt::black);
            p.drawText(QRect(tick.x - 20, top, 160, 14), Qt::AlignLeft | Qt::AlignTop,
                       QString::fromStdString(tick.label));
            p.setPen(QPen(kRulerPen, 1));
            p.drawLine(tick.x, top + 20, tick.x, top + 22);
        }
    }
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
    // The owner may replace this view while handling the release: nothing follows the signal.
    emit released(ToClient(event->position().toPoint()));
}

void CWaveViewCtrl::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
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
    m_rcClient = client;
}
