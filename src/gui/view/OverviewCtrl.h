#pragma once

#include "core/view/TimeWindow.h"
#include "gui/view/ViewMarker.h"
#include "gui/view/WaveLook.h"

#include <QImage>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace sundrel::overview {
class MixSummary;
}

// The overview strip: the whole mix at once, min/max with the RMS drawn lighter inside per
// pixel column (both channels of a stereo mix, one lane otherwise), every marker as a
// numbered line, the visible window as a highlighted band and the position as a line. A
// press or drag asks the owner to move the position (and with it the window) there.
//
// It draws from the mix's summary while that is still being computed: columns not yet
// summarised stay empty until Refresh is called again. Coloured by frequency, each column
// takes the colour of its bands (WaveLook).
class COverviewCtrl : public QWidget {
    Q_OBJECT
  public:
    explicit COverviewCtrl(QWidget* parent = nullptr);

    // The mix (its summary and length); a null summary shows nothing.
    void ShowMix(std::shared_ptr<const sundrel::overview::MixSummary> summary, double duration);
    // Draws the waveform again from the summary (it has filled in more).
    void Refresh();
    void SetWindow(sundrel::TimeWindow window);
    void SetPosition(std::optional<double> seconds);
    void SetMarkers(std::vector<sundrel::gui::ViewMarker> markers);
    void SetLook(sundrel::gui::WaveLook look);
    sundrel::gui::WaveLook Look() const { return m_look; }
    const std::vector<sundrel::gui::ViewMarker>& Markers() const { return m_markers; }
    // Where a file of a match plays: a bar along the bottom of the strip with the file's
    // title on it, overlapping plays in rows of their own; the stretches no file covers are
    // tinted and hatched over the whole height.
    struct Play {
        double start = 0.0;
        double end = 0.0;
        QString title;
        std::size_t file = 0; // the bar's colour follows the file
    };
    void SetPlays(std::vector<Play> plays, std::vector<sundrel::TimeWindow> unknown);
    const std::vector<Play>& Plays() const { return m_plays; }
    const std::vector<sundrel::TimeWindow>& Unknown() const { return m_unknown; }
    // The rectangle of play `i`'s bar (empty when there is no such play).
    QRect PlayRect(std::size_t i) const;

    // The waveform as last drawn (for tests), and the seconds of an x in this widget.
    const QImage& WaveImage() const { return m_wave; }
    double SecondsAt(double x) const;

  signals:
    // A press or drag at `seconds` of the mix.
    void seekRequested(double seconds);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void RenderWave();
    void PaintPlays(QPainter& p);

    std::shared_ptr<const sundrel::overview::MixSummary> m_summary;
    double m_duration = 0.0;
    sundrel::TimeWindow m_window;
    std::optional<double> m_position;
    std::vector<sundrel::gui::ViewMarker> m_markers;
    sundrel::gui::WaveLook m_look;
    std::vector<Play> m_plays;
    std::vector<int> m_playLanes; // the row of each play's bar, 0 at the bottom
    std::vector<sundrel::TimeWindow> m_unknown;
    QImage m_wave;
};
