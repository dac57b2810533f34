#include "gui/view/TrackAnalyser.h"

#include "core/analysis/FileElements.h"
#include "core/audio/WaveFile.h"

#include <QtConcurrent/QtConcurrentRun>
#include <exception>

namespace {

// How long a request waits for the next (a marker dragged or moved key by key).
constexpr int kDelayMs = 400;
// Tracks analysed at once.
constexpr unsigned kWorkers = 2;

} // namespace

CTrackAnalyser::CTrackAnalyser(QObject* parent) : QObject(parent) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &CTrackAnalyser::Start);
    connect(&m_watcher, &QFutureWatcher<Batch>::finished, this, &CTrackAnalyser::OnFinished);
}

CTrackAnalyser::~CTrackAnalyser() {
    m_stop.request_stop();
    m_watcher.waitForFinished();
}

void CTrackAnalyser::Request(const std::shared_ptr<CWaveFile>& wave,
                             std::vector<sundrel::FrameSpan> spans) {
    if (wave != m_wave) {
        // Another mix: what runs is for the old one, and nothing of it is kept.
        m_stop.request_stop();
        m_stop = std::stop_source();
        m_cache.Clear();
        m_wave = wave;
    }
    // The tracks are analysed once boundaries make them: a mix without any is one long span,
    // whose tempo and key say little and whose samples would be held whole.
    m_spans = m_wave && spans.size() > 1 ? std::move(spans) : std::vector<sundrel::FrameSpan>{};
    m_cache.Keep(m_spans);
    if (!m_cache.Missing(m_spans).empty()) {
        m_delay.start();
    }
}

const sundrel::TrackInfo* CTrackAnalyser::Find(const sundrel::FrameSpan& span) const {
    return m_cache.Find(span);
}

bool CTrackAnalyser::Busy() const {
    return m_delay.isActive() || m_watcher.isRunning();
}

void CTrackAnalyser::Start() {
    if (m_watcher.isRunning()) {
        return; // OnFinished starts the next
    }
    std::vector<sundrel::FrameSpan> missing = m_cache.Missing(m_spans);
    if (missing.empty() || !m_wave) {
        return;
    }
    m_watcher.setFuture(
        QtConcurrent::run([wave = m_wave, spans = std::move(missing), stop = m_stop.get_token()] {
            Batch batch{wave, spans, {}};
            const sundrel::WaveFormat format = wave->GetFormat();
            const std::uint64_t frameSize = format.FrameSize();
            std::vector<sundrel::TrackSpan> bytes;
            for (const sundrel::FrameSpan& s : spans) {
                bytes.push_back({static_cast<std::uint64_t>(s.first) * frameSize,
                                 static_cast<std::uint64_t>(s.frames) * frameSize});
            }
            try {
                const sundrel::FileElements elements(wave->m_strPath, wave->m_nDataOffset,
                                                     wave->m_nFileSize, format);
                batch.infos =
                    sundrel::AnalyseTracks(std::cref(elements), bytes, format, kWorkers, {}, stop);
            } catch (const std::exception&) {
                // A mix that can no longer be read, or a stop: the columns stay empty, and the
                // split reports an unreadable mix in its own words.
                batch.infos.clear();
            }
            return batch;
        }));
}

void CTrackAnalyser::OnFinished() {
    const Batch batch = m_watcher.result();
    if (batch.wave != m_wave || batch.infos.size() != batch.spans.size()) {
        if (batch.wave != m_wave) {
            Start(); // the new mix's tracks
        }
        return;
    }
    for (std::size_t i = 0; i < batch.spans.size(); ++i) {
        m_cache.Store(batch.spans[i], batch.infos[i]);
    }
    m_cache.Keep(m_spans);
    emit analysed();
    if (!m_cache.Missing(m_spans).empty() && !m_delay.isActive()) {
        Start(); // boundaries moved while it ran
    }
}
