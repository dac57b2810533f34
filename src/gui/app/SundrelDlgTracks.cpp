// The track table's commands: choosing a row selects its marker the way the marker list box
// does, and an edited artist or title renames the marker through the session.

#include "gui/app/SundrelDlg.h"
#include "gui/view/TrackTable.h"

#include <QComboBox>

void CSundrelDlg::OnTrackChosen(std::size_t index) {
    if (!m_cbMarkers->isEnabled() || index >= static_cast<std::size_t>(m_cbMarkers->count())) {
        // The marker list takes no choice now: neither does the table.
        m_pTrackTable->ShowSelection(m_session.Selected());
        return;
    }
    m_cbMarkers->setCurrentIndex(static_cast<int>(index));
    OnSelChangeMarker();
    // The table is for judging tracks: their boundary with about a minute around it.
    ShowMinuteAround(m_session.SecondsOf(index).value_or(0.0));
}

void CSundrelDlg::OnTrackNamesEdited(std::size_t index, const QString& title,
                                     const QString& artist) {
    FinishMarkerDrag();
    if (!m_session.Rename(index, title.trimmed().toStdString(), artist.trimmed().toStdString())) {
        // Nothing changed (or no such marker): the table shows the names as they are.
        m_pTrackTable->ShowTracks(m_session);
    }
}
