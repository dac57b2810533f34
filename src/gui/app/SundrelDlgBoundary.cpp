// Judging a boundary: a view of about a minute around it, one key away (and shown by the
// preview commands), and keys that move the selected marker by 10 ms to 10 s without a
// dialog, each run of presses one undo step.

#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QTimer>
#include <algorithm>

namespace ids = sundrel::gui::ids;

namespace {

// The span that shows a boundary with the end of one track and the start of the next.
constexpr double kJudgeSpan = 60.0;
// A pause this long between Move Marker presses ends their undo step.
constexpr int kMoveRunMs = 1200;

// Move Marker's steps, finest first, with the modifiers of their keys: they mirror the
// position's nudge keys (Left and Right) on Comma and Period.
struct MoveKey {
    int ms;
    Qt::KeyboardModifiers modifiers;
    const char* step;
};
const MoveKey kMoveKeys[] = {
    {10, Qt::ControlModifier | Qt::AltModifier, "10 ms"},
    {100, Qt::AltModifier, "100 ms"},
    {1000, Qt::NoModifier, "1 s"},
    {10000, Qt::ShiftModifier, "10 s"},
};

} // namespace

void CSundrelDlg::CreateBoundaryCommands() {
    const auto add = [](QMenu* menu, const QString& text, int id) {
        QAction* action = menu->addAction(text);
        action->setData(id);
        action->setObjectName(QStringLiteral("cmd%1").arg(id));
        action->setShortcutContext(Qt::WindowShortcut);
        return action;
    };
    QAction* minute = add(m_pMenuView, QStringLiteral("Zoom to 1 &Minute"), ids::kCmdZoomMinute);
    minute->setShortcut(QKeySequence(Qt::Key_Z));
    connect(minute, &QAction::triggered, this, [this] {
        if (m_session.IsLoaded()) {
            ShowMinuteAround(m_session.Position());
        }
    });

    QMenu* move = new QMenu(QStringLiteral("Move Mar&ker"), m_pMenuEdit);
    move->setObjectName(QStringLiteral("menuMoveMarker"));
    // After Next Marker, before Preferences' separator when there is one.
    QAction* before = nullptr;
    const QList<QAction*> items = m_pMenuEdit->actions();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i]->data().toInt() == ids::kCmdNextMarker && i + 1 < items.size()) {
            before = items[i + 1];
        }
    }
    m_pMenuEdit->insertMenu(before, move);
    int id = ids::kCmdMoveMarkerFirst;
    for (const MoveKey& key : kMoveKeys) {
        for (const int direction : {-1, 1}) {
            QAction* action =
                add(move,
                    QStringLiteral("%1 %2").arg(direction < 0 ? QStringLiteral("Earlier")
                                                              : QStringLiteral("Later"),
                                                QString::fromLatin1(key.step)),
                    id++);
            const Qt::Key base = direction < 0 ? Qt::Key_Comma : Qt::Key_Period;
            QList<QKeySequence> keys{QKeySequence(key.modifiers | base)};
            if (key.modifiers == Qt::ShiftModifier) {
                // Shift+Comma is "<" and Shift+Period ">" on most layouts.
                keys << QKeySequence(direction < 0 ? Qt::Key_Less : Qt::Key_Greater);
            }
            action->setShortcuts(keys);
            connect(action, &QAction::triggered, this,
                    [this, ms = direction * key.ms] { OnMoveMarkerBy(ms); });
        }
    }
    m_pMoveRunTimer = new QTimer(this);
    m_pMoveRunTimer->setSingleShot(true);
    m_pMoveRunTimer->setInterval(kMoveRunMs);
    connect(m_pMoveRunTimer, &QTimer::timeout, this, [this] { FinishMarkerDrag(); });
}

void CSundrelDlg::ShowMinuteAround(double seconds) {
    if (!m_session.IsLoaded() || m_session.Duration() < 2.0) {
        return; // a mix too short for any window keeps the blank view
    }
    m_judgeSpan = std::min(kJudgeSpan, m_session.Duration());
    m_session.SetZoomSpan(m_judgeSpan);
    m_session.SetView(m_session.WindowAt(seconds));
    ShowViewWindow();
}

void CSundrelDlg::OnMoveMarkerBy(int ms) {
    const std::size_t index = m_session.Selected();
    const sundrel::Marker* marker = m_session.Markers().At(index);
    if (!m_session.IsLoaded() || index == 0 || marker == nullptr) {
        return;
    }
    const std::uint32_t rate = m_session.Wave()->m_wfx.nSamplesPerSec;
    const std::int64_t frame = marker->frame + std::int64_t{ms} * rate / 1000;
    if (!m_bDragMoved) {
        m_session.BeginGesture(); // the first press of a run
        m_bDragMoved = true;
    }
    m_pMoveRunTimer->start();
    m_session.Move(index, frame);
    if (const std::optional<double> seconds = m_session.SecondsOf(index)) {
        MovePosition(*seconds); // the position label reads the marker's new time
    }
    ShowMarkerStatus(QStringLiteral("Moved %1 to %2."), index);
}
