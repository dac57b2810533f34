#pragma once

#include "core/riff/WaveLayout.h"

#include <QFrame>
#include <QFuture>
#include <QFutureWatcher>
#include <QImage>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>

// The waveform view: shows one visible time window of the mix under a time ruler and passes
// left-button presses and releases, in its own client coordinates, to its owner. One object
// serves one window: the owner builds a new view whenever the window changes.
//
// The view maps the WAV file itself and renders its window once, on a worker thread, into a
// cached image; every paint copies that image 25 pixels below the top and draws the ruler,
// the cursor line and the caret over it. Client coordinates are those inside the sunken
// edge.
class CWaveFile;

class CWaveViewCtrl : public QFrame {
    Q_OBJECT
  public:
    CWaveViewCtrl();
    // Cancels a rendering still running and waits for it before the mapping goes away.
    ~CWaveViewCtrl() override;

    // Makes the view a visible child of `parent` over `rect` (the parent's coordinates).
    void Create(const QRect& rect, QWidget* parent, int id);

    // Shows the window of the loaded mix: its format and where its audio lies come from
    // `wave`, so nothing is parsed again; the rendering reads only the window's bytes.
    void ShowMix(const CWaveFile& wave);

    // Moves the cursor to x (client pixels) and, when (x, y) lies in the press band, draws
    // the dash-dot cursor line there.
    void SetCursorLine(int x, int y);
    void ShowCursorCaret(bool show);

    // Starts the one rendering of this view (the first paint does it too); later calls do
    // nothing. Waits up to `timeoutMs` for it; true once the image is ready.
    void StartRender();
    bool WaitRendered(int timeoutMs);
    // The cached image (null until rendered): white, black one-pixel frame, the traces, and
    // the black centre column.
    const QImage& CachedImage() const { return m_image; }
    bool IsCursorLineShown() const { return m_bLineShown; }
    const QRect& ClientRect() const { return m_rcClient; }

    // Set by the owner before MapWaveFile; never changed by the view.
    std::int64_t m_nFirstSample = 0;
    std::int64_t m_nLastSample = 0;
    float m_fFrom = 0.0f;
    float m_fTo = 0.0f;

    int m_nCursorX = -1;           // -1: no cursor
    bool m_bMapped = false;        // a mix to show; gates painting and the caret
    bool m_bCursorEnabled = false; // gates presses and the cursor line

  signals:
    // A press inside the band, and every release; client coordinates.
    void pressed(QPoint point);
    void released(QPoint point);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    QPoint ToClient(const QPoint& widgetPoint) const;
    void DrawRuler(QPainter& p) const;
    void OnRendered();

    // Where the rendering reads the window from.
    struct Source {
        std::filesystem::path path;
        std::uint64_t dataOffset = 0;
        std::uint64_t dataSize = 0;
        sundrel::WaveFormat format;
    };
    Source m_source;
    QRect m_rcClient;
    QImage m_image;
    QFuture<QImage> m_render;
    QFutureWatcher<QImage> m_watcher;
    std::atomic<bool> m_bCancel{false};
    bool m_bRenderStarted = false;
    bool m_bLineShown = false;
    bool m_bCaretShown = false;
    QPoint m_ptCaret{0, 26};
};
