// File > Match Tracks from Folder or Playlist...: the DJ's own track files found in the mix on
// a worker with a progress bar and Cancel (as Suggest Boundaries runs), the boundaries made
// named markers in one undo step, the plays drawn in the overview and the stretches no file
// covers given suggested boundaries.

#include "gui/app/AppSettings.h"
#include "gui/app/ControlIds.h"
#include "gui/app/LocalPath.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/OverviewCtrl.h"

#include "core/app/CountText.h"
#include "core/match/Candidates.h"
#include "core/match/UnknownSuggestions.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMetaObject>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <thread>

using sundrel::gui::Prompt;
namespace ids = sundrel::gui::ids;

namespace {

const QString kMatchCaption = QStringLiteral("Match Tracks");
// Of the progress bar: finding the files; the rest is the suggestions in unknown stretches.
constexpr double kMatchShare = 0.9;

QString Text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

void CSundrelDlg::CreateMatchMenu() {
    // Into the File menu after the marker files, before the separator above Exit.
    QAction* item = new QAction(QStringLiteral("&Match Tracks from Folder or Playlist..."), this);
    item->setData(ids::kCmdMatchTracks);
    item->setObjectName(QStringLiteral("cmd%1").arg(ids::kCmdMatchTracks));
    item->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    const QList<QAction*> fileItems = m_pMenuFile->actions();
    QAction* before = nullptr;
    for (qsizetype i = 1; i < fileItems.size(); ++i) {
        if (fileItems[i]->data().toInt() == ids::kCmdExit) {
            before = fileItems[i - 1]; // the separator
        }
    }
    m_pMenuFile->insertAction(before, item);
    addAction(item); // its key works while the menu is closed
    connect(item, &QAction::triggered, this, [this] { OnMatchTracks(); });
}

bool CSundrelDlg::IsMatching() const {
    return m_pMatchWatcher != nullptr && m_matchRun.isRunning();
}

void CSundrelDlg::OnMatchTracks() {
    if (!m_session.IsLoaded() || IsMatching() || IsSuggesting()) {
        return;
    }
    const int kind = m_prompt.Choose(
        this,
        QStringLiteral("Where are the track files the mix was played from?\n\nA folder is "
                       "searched with its subfolders; a playlist (.m3u, .m3u8) gives its "
                       "entries. Files that do not play in the mix are left out."),
        kMatchCaption,
        {QStringLiteral("&Folder..."), QStringLiteral("&Playlist..."), QStringLiteral("Cancel")});
    // The track files usually stay in one library while mixes come and go: the dialog opens
    // where they were found last time, else beside the mix.
    QString start = sundrel::gui::AppSettings().TracksFolder();
    if (start.isEmpty() || !QFileInfo(start).isDir()) {
        start = QString::fromStdString(m_session.WavePath().parent_path().string());
    }
    std::optional<QString> chosen;
    if (kind == 0) {
        chosen =
            m_prompt.ChooseFolder(this, QStringLiteral("The Folder of the Track Files"), start);
    } else if (kind == 1) {
        chosen = m_prompt.OpenFile(this, QStringLiteral("Playlists (*.m3u *.m3u8);;All files (*)"),
                                   start);
    }
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    {
        const QFileInfo info(*chosen);
        sundrel::gui::AppSettings().SetTracksFolder(info.isDir() ? info.absoluteFilePath()
                                                                 : info.absolutePath());
    }
    if (m_session.Markers().Count() > 1) {
        const QString markers =
            Text(sundrel::app::CountText(m_session.Markers().Count() - 1, "marker"));
        if (m_prompt.Message(this,
                             QStringLiteral("The tracks found replace the %1 in the list (Edit > "
                                            "Undo brings them back). Match the tracks?")
                                 .arg(markers),
                             kMatchCaption, Prompt::Buttons::YesNo,
                             Prompt::Icon::Question) != Prompt::Answer::Yes) {
            return;
        }
    }
    StartMatch(sundrel::gui::LocalPath(*chosen));
}

void CSundrelDlg::StartMatch(const std::filesystem::path& source) {
    if (!m_session.IsLoaded() || IsMatching()) {
        return;
    }
    FinishMarkerDrag();
    m_pMatchProgress = new QProgressDialog(QStringLiteral("Finding the tracks in the mix..."),
                                           QStringLiteral("Cancel"), 0, 100, this);
    m_pMatchProgress->setObjectName(QStringLiteral("matchProgress"));
    m_pMatchProgress->setWindowTitle(kMatchCaption);
    m_pMatchProgress->setWindowModality(Qt::WindowModal);
    m_pMatchProgress->setMinimumDuration(0);
    m_pMatchProgress->setAutoClose(false);
    m_pMatchProgress->setAutoReset(false);
    m_matchStop = std::stop_source();
    connect(m_pMatchProgress, &QProgressDialog::canceled, this,
            [this] { m_matchStop.request_stop(); });
    if (m_pMatchWatcher == nullptr) {
        m_pMatchWatcher = new QFutureWatcher<MatchOutcome>(this);
        connect(m_pMatchWatcher, &QFutureWatcher<MatchOutcome>::finished, this,
                [this] { OnMatchFinished(); });
    }
    // The worker decodes the files itself; progress is posted to this window, which waits
    // for the worker before it goes.
    m_matchRun = QtConcurrent::run(
        [this, mix = m_session.WavePath(), source, stop = m_matchStop.get_token()] {
            MatchOutcome outcome;
            const auto post = [this](double share) {
                QMetaObject::invokeMethod(
                    this,
                    [this, share] {
                        if (m_pMatchProgress) {
                            m_pMatchProgress->setValue(static_cast<int>(share * 100.0));
                        }
                    },
                    Qt::QueuedConnection);
            };
            try {
                const sundrel::CandidateList candidates = sundrel::ListCandidates({source});
                outcome.missing = candidates.missing;
                outcome.candidates = candidates.files.size();
                sundrel::MatchOptions options;
                options.threads = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
                sundrel::MatchResult result = sundrel::MatchTracks(
                    mix, candidates.files, options,
                    [&post](double share) { post(kMatchShare * share); }, stop);
                if (!result.layout.plays.empty()) {
                    outcome.unknown = sundrel::SuggestInStretches(
                        mix, result.layout.unknown, sundrel::SuggestOptions{},
                        [&post](double share) { post(kMatchShare + (1.0 - kMatchShare) * share); },
                        stop);
                }
                outcome.result = std::move(result);
            } catch (const sundrel::MatchCancelled&) {
                outcome.cancelled = true;
            } catch (const sundrel::AnalysisCancelled&) {
                outcome.cancelled = true;
            } catch (const std::exception& e) {
                outcome.error = e.what();
            }
            return outcome;
        });
    m_pMatchWatcher->setFuture(m_matchRun);
}

void CSundrelDlg::OnMatchFinished() {
    // A Cancel that came after the match had finished still cancels it.
    const bool cancelled =
        m_matchStop.stop_requested() || (m_pMatchProgress && m_pMatchProgress->wasCanceled());
    if (m_pMatchProgress) {
        disconnect(m_pMatchProgress, nullptr, this, nullptr);
        m_pMatchProgress->close();
        m_pMatchProgress->deleteLater();
        m_pMatchProgress = nullptr;
    }
    if (m_matchRun.resultCount() == 0) {
        return;
    }
    MatchOutcome outcome = m_matchRun.result();
    if (outcome.cancelled || cancelled) {
        ShowStatusLine(QStringLiteral("Match Tracks cancelled; the markers are as they were."));
        return;
    }
    if (outcome.error || !outcome.result) {
        m_prompt.Message(this, Text(outcome.error.value_or("The match failed.")), kMatchCaption,
                         Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    // What could not be used, named: playlist entries that are missing, files that could not
    // be decoded.
    QStringList left;
    for (const std::string& missing : outcome.missing) {
        left << Text(missing);
    }
    for (const sundrel::SkippedFile& skipped : outcome.result->skipped) {
        left << Text(skipped.reason);
    }
    const std::size_t plays = outcome.result->layout.plays.size();
    if (plays == 0) {
        QString text = QStringLiteral("None of the %1 plays in the mix; the markers are as "
                                      "they were.")
                           .arg(Text(sundrel::app::CountText(outcome.candidates, "file")));
        if (!left.isEmpty()) {
            text += QStringLiteral("\n\nNot used:\n") + left.join(QLatin1Char('\n'));
        }
        m_prompt.Message(this, text, kMatchCaption, Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return;
    }
    const std::size_t unknown = outcome.result->layout.unknown.size();
    const std::size_t suggested = outcome.unknown.size();
    const std::size_t candidates = outcome.candidates;
    const std::optional<std::size_t> tracks =
        m_session.ApplyMatch(std::move(*outcome.result), std::move(outcome.unknown));
    if (!tracks) {
        return;
    }
    ShowMarkersAdded();
    QString status = QStringLiteral("%1 of %2 found; the markers make %3")
                         .arg(Text(sundrel::app::CountText(plays, "play")),
                              Text(sundrel::app::CountText(candidates, "file")),
                              Text(sundrel::app::CountText(*tracks, "track")));
    if (unknown > 0) {
        status += QStringLiteral(", %1 no file covers")
                      .arg(Text(sundrel::app::CountText(unknown, "stretch")));
        if (suggested > 0) {
            status += QStringLiteral(" (%1 there: N steps to them)")
                          .arg(Text(sundrel::app::CountText(suggested, "suggestion")));
        }
    }
    status += QLatin1Char('.');
    ShowStatusLine(status, QStringLiteral("\nEdit > Undo takes the markers back."));
    if (!left.isEmpty()) {
        m_prompt.Message(this,
                         QStringLiteral("These were not used:\n") + left.join(QLatin1Char('\n')),
                         kMatchCaption, Prompt::Buttons::Ok, Prompt::Icon::Information);
    }
}

void CSundrelDlg::ShowMatchInOverview() {
    std::vector<COverviewCtrl::Play> plays;
    std::vector<sundrel::TimeWindow> unknown;
    if (m_session.IsLoaded() && m_session.Match()) {
        const sundrel::MatchResult& match = *m_session.Match();
        for (const sundrel::FilePlay& p : match.layout.plays) {
            const sundrel::FileTags& tags = match.tags[p.file];
            plays.push_back(
                {p.play.start, p.play.end,
                 Text(tags.title.empty() ? match.files[p.file].stem().string() : tags.title),
                 p.file});
        }
        for (const sundrel::Stretch& s : match.layout.unknown) {
            unknown.push_back({s.start, s.end});
        }
    }
    m_pOverview->SetPlays(std::move(plays), std::move(unknown));
}
