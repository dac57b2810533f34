#pragma once

#include "core/trackinfo/TrackInfoCache.h"

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>
#include <memory>
#include <stop_token>
#include <vector>

class CWaveFile;

// Analyses the tracks of the open mix (tempo, key, loudness) on a worker thread, two tracks at
// a time, and keeps the results by each track's frames: after a boundary moves, only the two
// tracks it bounds are analysed again. Requests wait a moment so a dragged marker is analysed
// where it stops, not at every place it passes.
class CTrackAnalyser : public QObject {
    Q_OBJECT
  public:
    explicit CTrackAnalyser(QObject* parent = nullptr);
    ~CTrackAnalyser() override;

    // The tracks now shown: those of `spans` without an analysis are analysed (none without
    // a mix); analyses of other spans are forgotten. A new mix forgets every analysis.
    void Request(const std::shared_ptr<CWaveFile>& wave, std::vector<sundrel::FrameSpan> spans);
    // The analysis of `span`, once it is done.
    const sundrel::TrackInfo* Find(const sundrel::FrameSpan& span) const;
    // Whether an analysis is waiting or running.
    bool Busy() const;

  signals:
    // New analyses are in (Find has them).
    void analysed();

  private:
    struct Batch {
        std::shared_ptr<CWaveFile> wave;
        std::vector<sundrel::FrameSpan> spans;
        std::vector<sundrel::TrackInfo> infos; // empty when the mix could not be read
    };
    void Start();
    void OnFinished();

    std::shared_ptr<CWaveFile> m_wave;
    std::vector<sundrel::FrameSpan> m_spans;
    sundrel::TrackInfoCache m_cache;
    QTimer m_delay;
    QFutureWatcher<Batch> m_watcher;
    std::stop_source m_stop;
};
