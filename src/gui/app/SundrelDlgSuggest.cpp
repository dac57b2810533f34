// Suggested boundaries in the window: the analysis on a worker with a progress bar and
// Cancel, stepping through the suggestions with a preview of each, accepting and dismissing
// them.

#include "gui/app/ControlIds.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/MarkedSlider.h"

#include "core/analysis/SuggestBoundaries.h"
#include "core/markers/Marker.h"
#include "core/markers/MarkerMath.h"
#include "core/view/PositionKeys.h"

#include <QLabel>
#include <QMetaObject>
#include <QProgressDialog>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

using sundrel::gui::Prompt;

bool CSundrelDlg::IsSuggesting() const {
    return m_pSuggestWatcher != nullptr && m_suggest.isRunning();
}

void CSundrelDlg::OnSuggestBoundaries() {
    if (!m_session.IsLoaded() || IsSuggesting()) {
        return;
    }
    // A tracklist waiting for its boundaries says how many tracks there are.
    const std::optional<sundrel::MarkerSet>& held = m_session.HeldNames();
    const QString listed = held ? QString::number(held->tracks.size()) : QString();
    const std::optional<QStringList> answer = m_prompt.EditTexts(
        this, QStringLiteral("Suggest Boundaries"),
        {QStringLiteral("&Tracks in the mix (empty: found from the mix):")}, {listed});
    if (!answer || answer->size() != 1) {
        return;
    }
    sundrel::SuggestOptions options;
    const QString count = answer->at(0).trimmed();
    if (!count.isEmpty()) {
        bool ok = false;
        const int tracks = count.toInt(&ok);
        if (!ok || tracks < 1 || tracks > static_cast<int>(sundrel::kMaxMarkers)) {
            m_prompt.Message(this,
                             QStringLiteral("The number of tracks is a whole number from 1 to %1.")
                                 .arg(sundrel::kMaxMarkers),
                             QStringLiteral("Suggest Boundaries"));
            return;
        }
        options.tracks = tracks;
    }
    StartSuggest(options);
}

void CSundrelDlg::StartSuggest(const sundrel::SuggestOptions& options) {
    m_pSuggestProgress = new QProgressDialog(QStringLiteral("Finding the track boundaries..."),
                                             QStringLiteral("Cancel"), 0, 100, this);
    m_pSuggestProgress->setObjectName(QStringLiteral("suggestProgress"));
    m_pSuggestProgress->setWindowModality(Qt::WindowModal);
    m_pSuggestProgress->setMinimumDuration(0);
    m_pSuggestProgress->setAutoClose(false);
    m_pSuggestProgress->setAutoReset(false);
    m_suggestStop = std::stop_source();
    connect(m_pSuggestProgress, &QProgressDialog::canceled, this,
            [this] { m_suggestStop.request_stop(); });
    if (m_pSuggestWatcher == nullptr) {
        m_pSuggestWatcher = new QFutureWatcher<SuggestOutcome>(this);
        connect(m_pSuggestWatcher, &QFutureWatcher<SuggestOutcome>::finished, this,
                [this] { OnSuggestFinished(); });
    }
    // The worker reads the file itself; progress is posted to this window, which waits for
    // the worker before it goes.
    m_suggest = QtConcurrent::run(
        [this, job = m_session.PrepareSuggest(options), stop = m_suggestStop.get_token()] {
            SuggestOutcome outcome;
            const auto progress = [this](double share) {
                QMetaObject::invokeMethod(
                    this,
                    [this, share] {
                        if (m_pSuggestProgress) {
                            m_pSuggestProgress->setValue(static_cast<int>(share * 100.0));
                        }
                    },
                    Qt::QueuedConnection);
            };
            try {
                sundrel::SuggestResult result = job(progress, stop);
                outcome.suggestions = std::move(result.suggestions);
                outcome.candidates = std::move(result.candidates);
            } catch (const sundrel::AnalysisCancelled&) {
                outcome.cancelled = true;
            } catch (const std::exception& e) {
                outcome.error = e.what();
            }
            return outcome;
        });
    m_pSuggestWatcher->setFuture(m_suggest);
}

void CSundrelDlg::OnSuggestFinished() {
    // A Cancel that came after the analysis had finished still cancels it.
    const bool cancelled = m_suggestStop.stop_requested();
    if (m_pSuggestProgress) {
        disconnect(m_pSuggestProgress, nullptr, this, nullptr);
        m_pSuggestProgress->close(); // no longer modal, even before it is deleted
        m_pSuggestProgress->deleteLater();
        m_pSuggestProgress = nullptr;
    }
    if (m_suggest.resultCount() == 0) {
        m_snapWithin.reset();
        return;
    }
    const SuggestOutcome outcome = m_suggest.result();
    if (outcome.cancelled || cancelled) {
        m_snapWithin.reset();
        return;
    }
    if (outcome.error) {
        m_snapWithin.reset();
        m_prompt.Message(this, QString::fromStdString(*outcome.error), QStringLiteral("Sundrel"),
                         Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    if (m_snapWithin) {
        FinishSnap(outcome.candidates); // Edit > Snap Markers to Transitions
        return;
    }
    const std::size_t found = outcome.suggestions.size();
    m_session.SetSuggestions(outcome.suggestions);
    if (found == 0) {
        m_prompt.Message(this,
                         QStringLiteral("No track boundaries were found: the mix holds no silence "
                                        "between tracks and no clear change of sound."),
                         QStringLiteral("Suggest Boundaries"), Prompt::Buttons::Ok,
                         Prompt::Icon::Information);
        return;
    }
    RefreshSuggestionStatus();
}

void CSundrelDlg::PreviewAround(std::int64_t frame) {
    const std::uint32_t rate = m_session.Wave()->m_wfx.nSamplesPerSec;
    const std::int64_t before = sundrel::FrameAtSeconds(m_previewBefore, rate, m_session.Frames());
    const std::int64_t after = sundrel::FrameAtSeconds(m_previewAfter, rate, m_session.Frames());
    if (m_session.IsPlaying() && !IsPlayingRange()) {
        OnPause();
    }
    m_session.PlayRange(frame - before, frame + after,
                        [this](std::uint64_t generation) { return PlayCallbacksFor(generation); });
    FeedControls(sundrel::app::Event::Play);
}

void CSundrelDlg::OnStepSuggestion(int direction) {
    const std::vector<sundrel::Suggestion>& suggestions = m_session.Suggestions();
    if (!m_session.IsLoaded() || suggestions.empty()) {
        return;
    }
    // The nearest suggestion after (before) the position.
    const std::uint32_t rate = m_session.Wave()->m_wfx.nSamplesPerSec;
    std::vector<double> times;
    for (const sundrel::Suggestion& suggestion : suggestions) {
        times.push_back(sundrel::SecondsAtFrame(suggestion.frame, rate));
    }
    const std::optional<std::size_t> best =
        sundrel::view::StepTo(times, m_session.Position(), direction);
    if (!best) {
        return;
    }
    const double bestSeconds = times[*best];
    if (m_session.IsPlaying()) {
        OnStop();
    }
    m_session.SetCurrentSuggestion(best);
    MovePosition(bestSeconds);
    ShowMinuteAround(bestSeconds);
    PreviewAround(suggestions[*best].frame);
}

void CSundrelDlg::OnAcceptSuggestion() {
    const std::optional<std::size_t> current = m_session.CurrentSuggestion();
    if (!current) {
        return;
    }
    if (!m_session.AcceptSuggestion(*current)) {
        ReportListFull();
        return;
    }
    ShowMarkersAdded();
}

void CSundrelDlg::OnDismissSuggestion() {
    if (const std::optional<std::size_t> current = m_session.CurrentSuggestion()) {
        m_session.DismissSuggestion(*current);
    }
}

void CSundrelDlg::OnAcceptAllSuggestions() {
    const std::size_t offered = m_session.Suggestions().size();
    if (offered == 0) {
        return;
    }
    if (m_session.AcceptAllSuggestions() < offered) {
        ReportListFull();
    }
    ShowMarkersAdded();
}

void CSundrelDlg::ReportListFull() {
    m_prompt.Message(
        this, QString::fromLatin1(sundrel::AddMarkerMessage(sundrel::AddMarkerCheck::ListFull)),
        QStringLiteral("Error"));
}

void CSundrelDlg::ShowMarkersAdded() {
    FeedControls(sundrel::app::Event::AddMarker);
}
