#include "gui/view/TrackTable.h"
#include "gui/view/TrackLengthFlags.h"

#include "core/markers/TrackNumbers.h"
#include "core/match/TrackSources.h"
#include "core/session/MixSession.h"
#include "core/time/TimeCode.h"
#include "core/trackinfo/TrackInfoText.h"
#include "gui/view/TrackAnalyser.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

CTrackTable::CTrackTable(QWidget* parent)
    : QTableWidget(0, kAllColumns, parent), m_pAnalyser(new CTrackAnalyser(this)) {
    setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("Marker"),
                               QStringLiteral("Start"), QStringLiteral("Length"),
                               QStringLiteral("Artist"), QStringLiteral("Title"),
                               QStringLiteral("File"), QStringLiteral("BPM"), QStringLiteral("Key"),
                               QStringLiteral("LUFS")});
    connect(m_pAnalyser, &CTrackAnalyser::analysed, this, &CTrackTable::ShowTrackInfo);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Typed letters are the window's keys (M, P, Space...), so only a double-click or F2 opens
    // the editor; inside the editor every key is the editor's.
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* header = horizontalHeader();
    header->setHighlightSections(false);
    for (const int column : {int{kNumber}, int{kMarker}, int{kStart}, int{kLength}, int{kBpm},
                             int{kKey}, int{kLoudness}}) {
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    header->setSectionResizeMode(kArtist, QHeaderView::Stretch);
    header->setSectionResizeMode(kTitle, QHeaderView::Stretch);
    header->setSectionResizeMode(kFile, QHeaderView::Stretch);
    setColumnHidden(kFile, true);
    connect(this, &QTableWidget::itemChanged, this, &CTrackTable::OnItemChanged);
    connect(this, &QTableWidget::itemSelectionChanged, this, &CTrackTable::OnCurrentRowChanged);
}

bool CTrackTable::event(QEvent* event) {
    // F2 is the window's Rename Marker elsewhere; here it edits the current cell in place.
    if (event->type() == QEvent::ShortcutOverride && state() != QAbstractItemView::EditingState) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QTableWidgetItem* current = currentItem();
        if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier && current != nullptr &&
            (current->flags() & Qt::ItemIsEditable) != 0) {
            event->accept();
            return true;
        }
    }
    return QTableWidget::event(event);
}

void CTrackTable::SetCell(int row, int column, const QString& text, bool editable) {
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem;
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        if (editable) {
            flags |= Qt::ItemIsEditable;
        }
        cell->setFlags(flags);
        if (column == kNumber || column == kStart || column == kLength || column == kBpm ||
            column == kLoudness) {
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        }
        setItem(row, column, cell);
    }
    if (cell->text() != text) {
        cell->setText(text);
    }
}

void CTrackTable::ShowTracks(const sundrel::MixSession& session) {
    const bool filling = std::exchange(m_bFilling, true);
    const sundrel::MarkerList& list = session.Markers();
    m_markers = session.IsLoaded() ? list.TimeOrder() : std::vector<std::size_t>{};
    m_spans.assign(m_markers.size(), {});
    setRowCount(static_cast<int>(m_markers.size()));
    bool showFiles = false;
    if (session.IsLoaded()) {
        const std::uint32_t rate = session.Wave()->m_wfx.nSamplesPerSec;
        const std::int64_t frames = session.Frames();
        const std::vector<std::string> entries = list.Entries();
        std::vector<int> own;
        bool sources = false;
        for (const std::size_t index : m_markers) {
            own.push_back(list.At(index)->number);
            sources = sources || !list.At(index)->sourceFile.empty();
        }
        // The tracks' numbers follow the cue sheet they came from (TRACK 03, 04, 06...).
        const std::vector<int> numbers = sundrel::TrackNumbers(own);
        showFiles = session.Match().has_value() || sources;
        std::vector<std::int64_t> starts;
        for (std::size_t row = 0; row < m_markers.size(); ++row) {
            const sundrel::Marker& marker = *list.At(m_markers[row]);
            // The track runs to the next marker in time, the last one to the end of the mix.
            const std::int64_t start = std::clamp<std::int64_t>(marker.frame, 0, frames);
            const std::int64_t end =
                row + 1 < m_markers.size()
                    ? std::clamp<std::int64_t>(list.At(m_markers[row + 1])->frame, start, frames)
                    : frames;
            const int r = static_cast<int>(row);
            SetCell(r, kNumber, QString::number(numbers[row]), false);
            // The same words as the marker list, so a track and its entry match at a glance.
            SetCell(r, kMarker,
                    m_markers[row] == 0 || m_markers[row] >= entries.size()
                        ? QStringLiteral("start")
                        : QString::fromStdString(entries[m_markers[row]]),
                    false);
            SetCell(r, kStart, QString::fromStdString(sundrel::FormatFrameTime(start, rate)),
                    false);
            SetCell(r, kLength, QString::fromStdString(sundrel::FormatFrameTime(end - start, rate)),
                    false);
            SetCell(r, kArtist, QString::fromStdString(marker.artist), true);
            SetCell(r, kTitle, QString::fromStdString(marker.title), true);
            if (const std::optional<sundrel::MatchResult>& match = session.Match()) {
                const std::optional<std::size_t> play =
                    sundrel::PlayOfTrack(match->layout, sundrel::SecondsAtFrame(start, rate),
                                         sundrel::SecondsAtFrame(end, rate));
                const std::filesystem::path file =
                    play ? match->files[match->layout.plays[*play].file] : std::filesystem::path();
                SetCell(r, kFile,
                        play ? QString::fromStdString(file.filename().string())
                             : QStringLiteral("unknown"),
                        false);
                QTableWidgetItem* cell = item(r, kFile);
                cell->setToolTip(play ? QString::fromStdString(file.string())
                                      : QStringLiteral("No file of the match plays here"));
                cell->setForeground(play ? palette().text() : QBrush(QColor(190, 40, 40)));
            } else if (sources) {
                // The files a recording program's cue sheet names for its tracks.
                const std::string& file = marker.sourceFile;
                SetCell(r, kFile,
                        QString::fromStdString(std::string(sundrel::SourceFileName(file))), false);
                QTableWidgetItem* cell = item(r, kFile);
                cell->setToolTip(file.empty() ? QStringLiteral("The marker file names no file here")
                                              : QString::fromStdString(file));
                cell->setForeground(palette().text());
            } else {
                SetCell(r, kFile, QString(), false); // the column is hidden
            }
            starts.push_back(start);
            m_spans[row] = {start, end - start};
        }
        FlagTrackLengths(*this, kLength, starts, frames);
    }
    setColumnHidden(kFile, !showFiles);
    m_pAnalyser->Request(session.Wave(), m_spans);
    ShowTrackInfo();
    ShowSelection(session.Selected());
    m_bFilling = filling;
}

void CTrackTable::ShowTrackInfo() {
    const bool filling = std::exchange(m_bFilling, true);
    for (std::size_t row = 0; row < m_spans.size(); ++row) {
        const int r = static_cast<int>(row);
        const sundrel::TrackInfo* info = m_pAnalyser->Find(m_spans[row]);
        // Empty while the analysis runs; "-" where a track has no tempo, key or loudness.
        const auto text = [info](const std::string& s) {
            return info == nullptr ? QString()
                   : s.empty()     ? QStringLiteral("-")
                                   : QString::fromStdString(s);
        };
        SetCell(r, kBpm, text(info ? sundrel::BpmText(*info) : ""), false);
        std::string key;
        if (info != nullptr && info->key) {
            key = sundrel::KeyShortName(*info->key);
            key += ' ';
            key += sundrel::CamelotName(*info->key);
        }
        SetCell(r, kKey, text(key), false);
        SetCell(r, kLoudness, text(info ? sundrel::LufsText(*info) : ""), false);
        QString tip;
        if (info != nullptr && info->HasLoudness()) {
            tip = QStringLiteral("True peak %1 dBTP, ReplayGain %2")
                      .arg(QString::fromStdString(sundrel::TruePeakText(*info)),
                           QString::fromStdString(sundrel::TrackGainText(*info)));
        }
        item(r, kLoudness)->setToolTip(tip);
        item(r, kKey)->setToolTip(info != nullptr && info->key
                                      ? QString::fromStdString(sundrel::KeyName(*info->key))
                                      : QString());
    }
    m_bFilling = filling;
}

void CTrackTable::ShowSelection(std::size_t index) {
    const bool filling = std::exchange(m_bFilling, true);
    if (const std::optional<int> row = RowOfMarker(index)) {
        if (currentRow() != *row || !selectionModel()->isRowSelected(*row)) {
            setCurrentCell(*row, currentColumn() < 0 ? kTitle : currentColumn());
        }
        scrollToItem(item(*row, kNumber));
    } else {
        clearSelection();
    }
    m_bFilling = filling;
}

std::optional<std::size_t> CTrackTable::MarkerOfRow(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_markers.size()) {
        return std::nullopt;
    }
    return m_markers[static_cast<std::size_t>(row)];
}

std::optional<int> CTrackTable::RowOfMarker(std::size_t index) const {
    const auto found = std::find(m_markers.begin(), m_markers.end(), index);
    if (found == m_markers.end()) {
        return std::nullopt;
    }
    return static_cast<int>(found - m_markers.begin());
}

void CTrackTable::OnItemChanged(QTableWidgetItem* changed) {
    if (m_bFilling || changed == nullptr ||
        (changed->column() != kArtist && changed->column() != kTitle)) {
        return;
    }
    const int row = changed->row();
    const std::optional<std::size_t> marker = MarkerOfRow(row);
    if (!marker) {
        return;
    }
    emit namesEdited(*marker, item(row, kTitle)->text(), item(row, kArtist)->text());
}

void CTrackTable::OnCurrentRowChanged() {
    if (m_bFilling) {
        return;
    }
    const QList<QTableWidgetItem*> chosen = selectedItems();
    if (chosen.isEmpty()) {
        return;
    }
    if (const std::optional<std::size_t> marker = MarkerOfRow(chosen.front()->row())) {
        emit markerChosen(*marker);
    }
}
