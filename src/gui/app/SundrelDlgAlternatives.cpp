// Tool > Other Place for Suggestion (O): the suggestion being looked at moves to the next of
// the places the analysis found for it (the place it held goes to the end of the list, so the
// key cycles through them all) and is previewed there.

#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"

#include "core/markers/MarkerMath.h"

#include <QAction>
#include <QMenu>

namespace ids = sundrel::gui::ids;

void CSundrelDlg::CreateAlternativeCommand() {
    QAction* other = m_pMenuTool->addAction(QStringLiteral("&Other Place for Suggestion"));
    other->setData(ids::kCmdOtherPlace);
    other->setObjectName(QStringLiteral("cmd") + QString::number(ids::kCmdOtherPlace));
    other->setShortcut(QKeySequence(Qt::Key_O));
    connect(other, &QAction::triggered, this, [this] { OnOtherPlace(); });
}

void CSundrelDlg::OnOtherPlace() {
    const std::optional<std::size_t> current = m_session.CurrentSuggestion();
    if (!m_session.IsLoaded() || !current || !m_session.CycleSuggestion(*current)) {
        return;
    }
    const std::int64_t frame = m_session.Suggestions()[*current].frame;
    const double seconds = sundrel::SecondsAtFrame(frame, m_session.Wave()->m_wfx.nSamplesPerSec);
    if (m_session.IsPlaying()) {
        OnStop();
    }
    MovePosition(seconds);
    ShowMinuteAround(seconds);
    PreviewAround(frame);
}
