#pragma once

#include "core/riff/WaveLayout.h"
#include "core/view/TimeWindow.h"
#include "gui/view/ViewMarker.h"
#include "gui/view/WaveLook.h"

#include <QFrame>
#include <QFuture>
#include <QFutureWatcher>
#include <QImage>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace sundrel::overview {
class MixSummary;
}

// The waveform view: one visible time window of the mix under a time ruler, with the markers
// and the position drawn over it. Left-button presses and releases go to the owner in the
// view's client coordinates; the wheel asks the owner to zoom (with Ctrl) or scroll, and a
// marker dragged with the mouse is reported while it moves.
//
// The view is made once and shown a new window whenever the window changes. Each window is
// rendered once, on a worker thread, into a cached image; until it arrives the previous image
// stays, so scrolling and following playback never flash blank. At the default 2-second zoom
// the image is the classic trace; at other zoom levels it is drawn from the mix's summary
// (coarse), from the samples' min/max per pixel column (fine), or as sample points joined by
// lines (past one sample per pixel); coloured by frequency, these take the colours of the
// summary's bands (at most one colour per summary block). Client coordinates are those inside
// the sunken edge.
class CWaveFile;

class CWaveViewCtrl : public QFrame {
    Q_OBJECT
  public:
    CWaveViewCtrl();
    ~CWaveViewCtrl() override;

    // Makes the view a visible child of `parent` over `rect` (the parent's coordinates).
    void Create(const QRect& rect, QWidget* parent, int id);

    // The mix the view shows: its format and where its audio lies come from `wave`, so
    // nothing is parsed again; `summary` (may be null) serves coarse zoom levels.
    void ShowMix(const CWaveFile& wave,
                 std::shared_ptr<const sundrel::overview::MixSummary> summary);
    // Shows `window`: with `classic` (the default 2-second zoom) elements firstSample ..
    // lastSample as the classic trace, otherwise drawn for the zoom level.
    void ShowWindow(sundrel::TimeWindow window, bool classic, std::int64_t firstSample,
                    std::int64_t lastSample);
    // No mix, or a window that cannot be shown: the view stays blank.
    void Blank();
    // Renders the window again (the summary has filled in more of it).
    void Refresh();
    // Coloured by frequency or not, light or dark; the window is rendered again.
    void SetLook(sundrel::gui::WaveLook look);
    sundrel::gui::WaveLook Look() const { return m_look; }
    // Whether the current image was drawn while parts of the summary it needed were missing.
    bool IsPartial() const { return m_bPartial; }

    // The markers drawn over the waveform and dragged in it (times in seconds); the start of
    // the mix is not one of them.
    void SetMarkers(std::vector<sundrel::gui::ViewMarker> markers);
    // Where the play head is while playing (nothing: not drawn).
    void SetPlayHead(std::optional<double> seconds);
    // Forgets a press on a marker or a drag in progress, without telling the owner (which
    // ended the drag itself).
    void CancelDrag();

    // Moves the cursor to x (client pixels) and, when (x, y) lies in the press band, draws
    // the dash-dot cursor line there.
    void SetCursorLine(int x, int y);
    // Hides the cursor line (the position left the window, or nothing was chosen yet).
    void HideCursorLine();
    void ShowCursorCaret(bool show);

    // Starts the rendering of the current window (the first paint does it too); later calls
    // do nothing. Waits up to `timeoutMs` for it; true once its image is ready.
    void StartRender();
    bool WaitRendered(int timeoutMs);
    // The image of the current window (null until rendered): white, black one-pixel frame,
    // the waveform and, at the classic zoom, the black centre column.
    const QImage& CachedImage() const { return m_image; }
    bool IsCursorLineShown() const { return m_bLineShown; }
    const QRect& ClientRect() const { return m_rcClient; }
    // Client x of a time in the current window.
    double XOf(double seconds) const;
    double SecondsAt(double x) const;

    // The current window's elements (classic zoom) and times.
    std::int64_t m_nFirstSample = 0;
    std::int64_t m_nLastSample = 0;
    double m_fFrom = 0.0;
    double m_fTo = 0.0;

    int m_nCursorX = -1;           // -1: no cursor
    bool m_bMapped = false;        // a mix to show; gates painting and the caret
    bool m_bCursorEnabled = false; // gates presses and the cursor line

  signals:
    // A press inside the band, and every release; client coordinates.
    void pressed(QPoint point);
    void released(QPoint point);
    // Ctrl + wheel: zoom by `factor` (> 1 in) keeping the time `anchor` under the pointer.
    void zoomRequested(double factor, double anchor);
    // The wheel alone: scroll by `pages` of the window.
    void scrollRequested(double pages);
    // A drag of marker (or, with `suggestion`, suggested boundary) `index`: started, moved
    // to `seconds`, and ended (one undo step for the owner).
    void markerDragStarted(std::size_t index, bool suggestion);
    void markerDragged(std::size_t index, bool suggestion, double seconds);
    void markerDragEnded(std::size_t index, bool suggestion);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QPoint ToClient(const QPoint& widgetPoint) const;
    void DrawRuler(QPainter& p) const;
    void DrawMarkers(QPainter& p) const;
    void OnRendered();
    // The marker under client x, if any.
    std::optional<sundrel::gui::ViewMarker> MarkerAt(int x) const;

    // Where the rendering reads the window from.
    struct Source {
        std::filesystem::path path;
        std::uint64_t dataOffset = 0;
        std::uint64_t dataSize = 0;
        sundrel::WaveFormat format;
        std::shared_ptr<const sundrel::overview::MixSummary> summary;
    };
    struct Rendered {
        QImage image;
        bool partial = false;
    };
    Source m_source;
    sundrel::gui::WaveLook m_look;
    bool m_bClassic = true;
    QRect m_rcClient;
    QImage m_image;         // the current window's image once rendered
    QImage m_previousImage; // shown until then
    bool m_bPartial = false;
    QFuture<Rendered> m_render;
    QFutureWatcher<Rendered> m_watcher;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    bool m_bRenderStarted = false;
    bool m_bLineShown = false;
    bool m_bCaretShown = false;
    QPoint m_ptCaret{0, 26};
    std::vector<sundrel::gui::ViewMarker> m_markers;
    std::optional<double> m_playHead;

    // A press on a marker becomes a drag once the mouse moves; a press that does not move
    // is an ordinary press at its release.
    std::optional<sundrel::gui::ViewMarker> m_pressedMarker;
    QPoint m_pressPoint;
    bool m_bDragging = false;
};
