#pragma once

#include "core/trackinfo/TrackInfoCache.h"

#include <QTableWidget>
#include <cstddef>
#include <optional>
#include <vector>

namespace sundrel {
class MixSession;
}
class CTrackAnalyser;

// The tracks of the mix as a table, one row per marker in time order (a track starts at each
// marker; the start marker begins the first): number, start, length, artist and title, then
// each track's tempo, key and loudness once the analysis on a worker has them. Artist
// and title are edited in place (double-click or F2); the table only reports the user's
// choices and edits, and the window applies them to the session and shows the result.
class CTrackTable : public QTableWidget {
    Q_OBJECT
  public:
    // kMarker: the marker list's entry that starts the track ("Marker 9"), "start" for the first.
    // kNumber: the track's number, as its cue sheet numbered it (TrackNumbers).
    // kFile: after a match, the file the track came from ("unknown" where no file plays);
    // else the file a recording program's cue sheet names for it; hidden without either.
    enum Column { kNumber, kMarker, kStart, kLength, kArtist, kTitle, kFile, kColumns };
    // The analysis's columns follow the track's own: tempo (BPM), key ("Am 8A") and integrated
    // loudness (LUFS; true peak and ReplayGain gain in its tool tip).
    enum InfoColumn { kBpm = kColumns, kKey, kLoudness, kAllColumns };

    explicit CTrackTable(QWidget* parent = nullptr);

    // Shows the session's markers (nothing without a mix) and selects the row of its
    // selected marker. Neither is reported as the user's doing.
    void ShowTracks(const sundrel::MixSession& session);
    // Selects the row of marker `index` (the marker list's entry), without reporting it.
    void ShowSelection(std::size_t index);
    // The marker that row `row` shows, if there is such a row.
    std::optional<std::size_t> MarkerOfRow(int row) const;
    // The row that shows marker `index`.
    std::optional<int> RowOfMarker(std::size_t index) const;
    // The analysis of the tracks (kept by their frames).
    const CTrackAnalyser& Analyser() const { return *m_pAnalyser; }

  signals:
    // The user selected the row of marker `index`.
    void markerChosen(std::size_t index);
    // The user edited the artist or title of marker `index`; both names as they now read.
    void namesEdited(std::size_t index, const QString& title, const QString& artist);

  protected:
    bool event(QEvent* event) override;

  private:
    void OnItemChanged(QTableWidgetItem* item);
    void OnCurrentRowChanged();
    // The item of `row` and `column`, made when missing, with the text `text`.
    void SetCell(int row, int column, const QString& text, bool editable);

    // Fills the analysis's columns from what the analyser has.
    void ShowTrackInfo();

    std::vector<std::size_t> m_markers;      // row -> marker index
    std::vector<sundrel::FrameSpan> m_spans; // row -> the track's frames
    CTrackAnalyser* m_pAnalyser = nullptr;
    bool m_bFilling = false; // changes made here, not by the user
};
