// The status line under the track table: one line on what the last action did (a split, an
// import, the suggestions), kept true as the session changes, and after a split a button that
// opens the folder the tracks went to.

#include "gui/app/LocalPath.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/TrackTable.h"

#include "core/app/CountText.h"
#include "core/time/TimeCode.h"

#include <QLabel>
#include <QPushButton>
#include <QUrl>

void CSundrelDlg::CreateStatusLine() {
    m_stStatus = new QLabel(this);
    m_stStatus->setObjectName(QStringLiteral("statusLine"));
    m_stStatus->setTextFormat(Qt::PlainText);
    m_btnOpenFolder = new QPushButton(QStringLiteral("&Open Folder"), this);
    m_btnOpenFolder->setObjectName(QStringLiteral("openFolder"));
    m_btnOpenFolder->setAutoDefault(false);
    m_btnOpenFolder->hide();
    connect(m_btnOpenFolder, &QAbstractButton::clicked, this, [this] { OnOpenFolder(); });
}

void CSundrelDlg::ShowStatusLine(const QString& text, const QString& more) {
    m_bSuggestionStatus = false;
    const QFontMetrics metrics = m_stStatus->fontMetrics();
    m_stStatus->setText(metrics.elidedText(text, Qt::ElideMiddle, m_stStatus->width()));
    m_stStatus->setToolTip(text + more);
}

void CSundrelDlg::RefreshSuggestionStatus() {
    const std::size_t left = m_session.Suggestions().size();
    const QString tracks =
        QString::fromStdString(sundrel::app::CountText(m_session.TrackCount(), "track"));
    if (left == 0) {
        ShowStatusLine(QStringLiteral("No suggestions left; the markers make %1.").arg(tracks));
        return;
    }
    ShowStatusLine(
        QStringLiteral("%1 to look at (N steps to the next, Enter accepts, Delete dismisses); "
                       "the markers make %2.")
            .arg(QString::fromStdString(sundrel::app::CountText(left, "suggestion")), tracks),
        QStringLiteral("\nTool > Accept All Suggestions accepts them all."));
    m_bSuggestionStatus = true;
}

void CSundrelDlg::ShowMarkerStatus(const QString& pattern, std::size_t index) {
    const sundrel::Marker* marker = m_session.Markers().At(index);
    if (!m_session.IsLoaded() || marker == nullptr ||
        index >= m_session.Markers().Entries().size()) {
        return;
    }
    ShowStatusLine(pattern.arg(QString::fromStdString(m_session.Markers().Entries()[index]),
                               QString::fromStdString(sundrel::FormatFrameTime(
                                   marker->frame, m_session.Wave()->m_wfx.nSamplesPerSec))),
                   QStringLiteral("\nEdit > Undo takes it back."));
}

void CSundrelDlg::OnOpenFolder() {
    if (m_lastSplitFolder.empty()) {
        return;
    }
    const QUrl url = QUrl::fromLocalFile(sundrel::gui::ShownPath(m_lastSplitFolder));
    if (!m_prompt.OpenUrl(url)) {
        ShowStatusLine(QStringLiteral("No file manager opened %1")
                           .arg(sundrel::gui::ShownPath(m_lastSplitFolder)));
    }
}
