// The Split button (the dialog's OK button): the markers, sorted, cut the loaded mix into
// track files in a folder the user confirms (the mix's folder, which loading made the current
// one, unless another is chosen), named by the user's template (track01.wav, track02.wav, ...
// without one) in the chosen format, each tagged with its marker's names.

#include "gui/app/LocalPath.h"
#include "gui/app/Prompt.h"
#include "gui/app/SplitChoices.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/TrackAnalyser.h"
#include "gui/view/TrackTable.h"

#include "core/app/CountText.h"
#include "core/interop/TrackNames.h"
#include "core/io/ErrorText.h"
#include "core/io/OutputFolder.h"

#include "core/riff/FileError.h"
#include "core/split/SplitRecord.h"
#include "core/split/TrackFiles.h"
#include "core/trackinfo/SplitAnalysis.h"

#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <exception>
#include <stop_token>
#include <thread>

using sundrel::gui::Prompt;

namespace {

constexpr int kProgressSteps = 1000;
constexpr int kProgressDelayMs = 700; // a split quicker than this shows no progress

QString Names(const std::vector<std::filesystem::path>& files) {
    QStringList names;
    for (const std::filesystem::path& file : files) {
        names << sundrel::gui::ShownPath(file.filename());
    }
    if (names.size() > 4) {
        return names.front() + QStringLiteral(" … ") + names.back();
    }
    return names.join(QStringLiteral(", "));
}

QString Names(const std::vector<sundrel::TrackFile>& files) {
    std::vector<std::filesystem::path> paths;
    for (const sundrel::TrackFile& file : files) {
        paths.push_back(file.path);
    }
    return Names(paths);
}

QString Count(std::size_t n, const char* noun) {
    return QString::fromStdString(sundrel::app::CountText(n, noun));
}

QString Shown(const std::filesystem::path& folder) {
    return QDir::toNativeSeparators(sundrel::gui::ShownPath(folder));
}

} // namespace

void CSundrelDlg::OnOK() {
    if (!m_session.IsLoaded()) {
        // Possible after opening a project that names no mix.
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return;
    }
    std::error_code ec;
    const std::filesystem::path current = std::filesystem::current_path(ec);
    const auto& markers = m_session.Markers().Markers();
    const bool named = std::any_of(markers.begin(), markers.end(),
                                   [](const sundrel::Marker& m) { return !m.title.empty(); });
    const std::optional<sundrel::gui::SplitChoice> chosen = m_prompt.ChooseSplit(
        this, sundrel::gui::LoadSplitChoice(m_session.WavePath(), Shown(current), named),
        QString::fromStdString(sundrel::app::SplitSummary(m_session.TrackCount())));
    if (!chosen) {
        return;
    }
    sundrel::gui::SaveSplitChoice(m_session.WavePath(), *chosen);
    const std::filesystem::path folder = sundrel::gui::LocalPath(chosen->folder);
    // The folder before anything else: made when it is new, reported when it cannot be.
    std::vector<std::filesystem::path> created;
    try {
        created = sundrel::io::PrepareOutputFolder(folder);
    } catch (const sundrel::io::IoError& e) {
        m_prompt.Message(this, QString::fromLocal8Bit(e.what()), QStringLiteral("Split"),
                         Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    // The session prepares the split (names, tags, format, the tracks it would replace); the
    // window asks about what it would replace.
    sundrel::SplitSettings settings;
    settings.folder = folder;
    settings.nameTemplate = chosen->nameTemplate.toStdString();
    settings.format = chosen->format;
    settings.sync = m_prefs.splitSync; // Preferences: wait until the tracks are on the disk
    sundrel::SplitRequest request;
    try {
        request = m_session.PrepareSplit(settings);
    } catch (const sundrel::NameTemplateError& e) {
        m_prompt.Message(this, QString::fromStdString(e.what()), QStringLiteral("Split"),
                         Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    const std::vector<sundrel::TrackFile>& replaced = request.replaced;
    if (!replaced.empty() &&
        m_prompt.Choose(
            this,
            QStringLiteral("%1 in %2 will be replaced (%3). Replace them?")
                .arg(Count(replaced.size(), "track file"), Shown(folder), Names(replaced)),
            QStringLiteral("Split"), {QStringLiteral("&Replace"), QStringLiteral("Cancel")}) != 0) {
        return;
    }

    // Tracks shorter than a second are a marker placed by mistake, as a rule: the status's
    // tooltip names them.
    QString shortNote;
    for (const sundrel::ShortTrack& track : request.shortTracks) {
        shortNote += (shortNote.isEmpty() ? QStringLiteral("\nShorter than a second: ")
                                          : QStringLiteral(", ")) +
                     QString::fromStdString(track.name);
    }
    m_stSplitStatus->setText(QStringLiteral("Splitting..."));
    std::vector<sundrel::SplitTrack> written;
    sundrel::LeftoverTracks leftovers; // set on the split's thread, read once it is done
    try {
        m_lastSplitOptions = request.options;
        request.options.onLeftovers = [&leftovers](const sundrel::LeftoverTracks& found) {
            leftovers = found;
        };
        std::optional<std::vector<sundrel::SplitTrack>> outcome = RunSplit(std::move(request));
        if (!outcome) {
            m_stSplitStatus->setText(QStringLiteral("Split cancelled"));
            return;
        }
        written = std::move(*outcome);
    } catch (const std::exception& e) {
        m_stSplitStatus->setText(QStringLiteral("Split failed"));
        m_prompt.Message(
            this, QStringLiteral("The split did not finish:\n") + QString::fromLocal8Bit(e.what()),
            QStringLiteral("Split"), Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    m_stSplitStatus->setText(QStringLiteral("Finished Split"));

    std::vector<sundrel::TrackFile> names;
    for (const sundrel::SplitTrack& track : written) {
        names.push_back({track.number, track.path});
    }
    // Said in the status line, with a button to open the folder: no box to dismiss.
    // The line says how many and where; the names are in its tooltip and the question below.
    QString said =
        QStringLiteral("Wrote %1 to %2.").arg(Count(written.size(), "track"), Shown(folder));
    if (!created.empty()) {
        said = QStringLiteral("Created %1. ").arg(Shown(created.back())) + said;
    }
    const QString done = said + QStringLiteral(" (%1)").arg(Names(names));
    m_lastSplitFolder = folder;
    m_btnOpenFolder->show();
    LayoutControls();
    ShowStatusLine(said, QStringLiteral("\n") + Names(names) + shortNote);
    // Tracks an earlier split wrote into the folder and this one did not replace would pass
    // for part of it; the folder's record of splits tells them from the user's own files.
    const std::vector<std::filesystem::path>& stale = leftovers.remaining;
    if (stale.empty()) {
        return;
    }
    if (m_prompt.Choose(this,
                        done + QStringLiteral("\n\n%1 of an earlier split remain "
                                              "there (%2). Remove them?")
                                   .arg(Count(stale.size(), "track file"), Names(stale)),
                        QStringLiteral("Split"),
                        {QStringLiteral("&Remove them"), QStringLiteral("&Keep them")}) == 0) {
        // Under the folder's lock, and only what the record still vouches for.
        const sundrel::LeftoverTracks removal = sundrel::RemoveLeftovers(folder, stale);
        if (!removal.error.empty()) {
            m_prompt.Message(this, QString::fromLocal8Bit(removal.error.c_str()),
                             QStringLiteral("Split"), Prompt::Buttons::Ok, Prompt::Icon::Stop);
        }
    }
}

std::optional<std::vector<sundrel::SplitTrack>>
CSundrelDlg::RunSplit(sundrel::SplitRequest request) {
    // A long mix takes a while to copy (or encode) and flush to disk. The split runs on a
    // worker while this thread keeps the window painted; the window takes no input meanwhile,
    // so nothing can change the mix or the markers under the split, and it cannot be closed.
    // The list stays sorted afterwards; the entries keep their labels.
    m_session.SortMarkers();
    sundrel::SplitOptions& options = request.options;
    std::vector<sundrel::SplitTrack> written;
    std::exception_ptr failure;
    QEventLoop loop;
    const QPointer<QWidget> focus = focusWidget();
    m_bSplitting = true;
    setEnabled(false);

    // The progress shows once the split has taken a moment; Cancel (or Escape, or closing it)
    // stops the split, which then leaves no track behind.
    QProgressDialog progress(
        QStringLiteral("Splitting the mix into %1...").arg(Count(m_session.TrackCount(), "track")),
        QStringLiteral("Cancel"), 0, kProgressSteps, this);
    progress.setObjectName(QStringLiteral("splitProgress"));
    progress.setWindowTitle(QStringLiteral("Split"));
    progress.setEnabled(true); // a window of its own: the disabled window does not disable it
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    std::stop_source cancel;
    options.stop = cancel.get_token();
    connect(&progress, &QProgressDialog::canceled, &loop, [this, &cancel] {
        if (!cancel.stop_requested()) {
            cancel.request_stop();
            m_stSplitStatus->setText(QStringLiteral("Cancelling..."));
        }
    });
    options.onProgress = [&progress](std::uint64_t done, std::uint64_t total) {
        const int step =
            total == 0 ? kProgressSteps : static_cast<int>(done * kProgressSteps / total);
        QMetaObject::invokeMethod(
            &progress, [&progress, step] { progress.setValue(step); }, Qt::QueuedConnection);
    };

    // Tagged tracks also carry their tempo, key and ReplayGain: the track table's analyses
    // where it has them, the other tracks analysed on the worker first.
    std::vector<std::optional<sundrel::TrackInfo>> known;
    if (request.job.wave && !options.tags.empty()) {
        for (const sundrel::FrameSpan& span :
             sundrel::SplitFrameSpans(*request.job.wave, request.job.markers)) {
            const sundrel::TrackInfo* info = m_pTrackTable->Analyser().Find(span);
            known.push_back(info != nullptr ? std::optional(*info) : std::nullopt);
        }
    }
    bool cancelled = false;
    std::thread worker([&] {
        try {
            if (request.job.wave) {
                try {
                    sundrel::TagSplitWithAnalysis(options, *request.job.wave, request.job.markers,
                                                  2, {}, options.stop, known);
                } catch (const sundrel::FileError& e) {
                    throw sundrel::SplitError(sundrel::SplitError::Side::Mix, e.what());
                }
            }
            written = request.Run();
        } catch (const sundrel::AnalysisCancelled&) {
            cancelled = true;
        } catch (const sundrel::SplitCancelled&) {
            cancelled = true;
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    QObject::disconnect(&progress, nullptr, &loop, nullptr); // closing it signals a cancel
    progress.close();
    setEnabled(true);
    m_bSplitting = false;
    if (focus != nullptr) {
        focus->setFocus();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (cancelled) {
        return std::nullopt;
    }
    return written;
}

void CSundrelDlg::closeEvent(QCloseEvent* event) {
    if (m_bSplitting) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
