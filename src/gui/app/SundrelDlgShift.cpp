// Edit > Shift Markers... and Edit > Snap Markers to Transitions...: every marker but the start
// moved by a constant, or to the strongest change of sound the boundary analysis finds near
// it (the analysis runs as Suggest Boundaries does), each one step of Edit > Undo.

#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"

#include "core/markers/Marker.h"
#include "core/markers/MarkerMoves.h"
#include "core/time/TimeCode.h"

#include <QAction>
#include <QMenu>

#include <cmath>

using sundrel::gui::Prompt;

namespace {

const QString kShiftCaption = QStringLiteral("Shift Markers");
const QString kSnapCaption = QStringLiteral("Snap Markers to Transitions");

// Seconds as typed: a decimal number (point or comma), within a day either way.
std::optional<double> TypedSeconds(QString text) {
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || std::abs(seconds) > 86400.0) {
        return std::nullopt;
    }
    return seconds;
}

} // namespace

void CSundrelDlg::CreateShiftMenu() {
    m_pMenuEdit->addSeparator();
    QAction* shift = m_pMenuEdit->addAction(QStringLiteral("&Shift Markers..."));
    shift->setObjectName(QStringLiteral("actionShiftMarkers"));
    connect(shift, &QAction::triggered, this, [this] { OnShiftMarkers(); });
    QAction* snap = m_pMenuEdit->addAction(QStringLiteral("Sn&ap Markers to Transitions..."));
    snap->setObjectName(QStringLiteral("actionSnapMarkers"));
    connect(snap, &QAction::triggered, this, [this] { OnSnapMarkers(); });
    connect(m_pMenuEdit, &QMenu::aboutToShow, this, [this, shift, snap] {
        const bool markers = m_session.IsLoaded() && m_session.Markers().Count() > 1;
        shift->setEnabled(markers);
        snap->setEnabled(markers && !IsSuggesting());
    });
}

void CSundrelDlg::OnShiftMarkers() {
    if (!m_session.IsLoaded()) {
        return;
    }
    const std::optional<QStringList> answer = m_prompt.EditTexts(
        this, kShiftCaption,
        {QStringLiteral("&Seconds to move every marker by (negative: earlier):")},
        {QStringLiteral("0")});
    if (!answer || answer->size() != 1) {
        return;
    }
    const std::optional<double> seconds = TypedSeconds(answer->at(0));
    if (!seconds) {
        m_prompt.Message(this, QStringLiteral("Type the seconds as a number, such as 1.5 or -2."),
                         kShiftCaption, Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    try {
        m_session.ShiftMarkers(*seconds);
    } catch (const sundrel::MarkerMoveError& e) {
        m_prompt.Message(this,
                         QString::fromStdString(e.what()) + QStringLiteral("; nothing moved."),
                         kShiftCaption, Prompt::Buttons::Ok, Prompt::Icon::Stop);
    }
}

void CSundrelDlg::OnSnapMarkers() {
    if (!m_session.IsLoaded() || IsSuggesting()) {
        return;
    }
    const std::optional<QStringList> answer = m_prompt.EditTexts(
        this, kSnapCaption, {QStringLiteral("&Move each marker to a transition within (seconds):")},
        {QStringLiteral("5")});
    if (!answer || answer->size() != 1) {
        return;
    }
    const std::optional<double> seconds = TypedSeconds(answer->at(0));
    if (!seconds || *seconds <= 0.0) {
        m_prompt.Message(this, QStringLiteral("Type the seconds as a number above 0, such as 5."),
                         kSnapCaption, Prompt::Buttons::Ok, Prompt::Icon::Stop);
        return;
    }
    m_snapWithin = *seconds;
    StartSuggest({});
}

void CSundrelDlg::FinishSnap(const std::vector<sundrel::Suggestion>& candidates) {
    const double within = *m_snapWithin;
    m_snapWithin.reset();
    const std::uint32_t rate = m_session.Wave()->m_wfx.nSamplesPerSec;
    const std::vector<sundrel::SnapMove> moves = m_session.SnapMarkers(candidates, within);
    QStringList lines;
    std::size_t moved = 0;
    for (std::size_t k = 0; k < moves.size(); ++k) {
        const sundrel::SnapMove& move = moves[k];
        const QString from = QString::fromStdString(
            sundrel::FormatDuration(sundrel::SecondsAtFrame(move.from, rate)));
        if (move.to) {
            ++moved;
            lines << QStringLiteral("Track %1: %2 to %3 (%4 s)")
                         .arg(k + 2)
                         .arg(from, QString::fromStdString(sundrel::FormatDuration(
                                        sundrel::SecondsAtFrame(*move.to, rate))))
                         .arg(sundrel::SecondsAtFrame(*move.to - move.from, rate), 0, 'f', 3);
        } else {
            lines << QStringLiteral("Track %1: stays at %2 (no transition within %3 s)")
                         .arg(k + 2)
                         .arg(from)
                         .arg(within);
        }
    }
    m_prompt.Message(this,
                     QStringLiteral("%1 of %2 markers moved.\n\n%3")
                         .arg(moved)
                         .arg(moves.size())
                         .arg(lines.join(QLatin1Char('\n'))),
                     kSnapCaption, Prompt::Buttons::Ok, Prompt::Icon::Information);
}
