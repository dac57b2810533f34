#include "gui/view/TrackLengthFlags.h"

#include "core/analysis/Alternatives.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <vector>

void FlagTrackLengths(QTableWidget& table, int column, std::span<const std::int64_t> starts,
                      std::int64_t frames) {
    if (starts.empty()) {
        return;
    }
    const std::vector<bool> flags = sundrel::ImplausibleTrackLengths(starts.subspan(1), frames);
    const double mean = static_cast<double>(frames) / static_cast<double>(starts.size());
    for (std::size_t row = 0; row < starts.size() && row < flags.size(); ++row) {
        QTableWidgetItem* cell = table.item(static_cast<int>(row), column);
        if (cell == nullptr) {
            continue;
        }
        const bool flagged = flags[row];
        if (cell->data(kImplausibleLengthRole).toBool() == flagged) {
            continue;
        }
        QFont font = cell->font();
        font.setBold(flagged);
        cell->setFont(font);
        cell->setData(kImplausibleLengthRole, flagged);
        if (!flagged) {
            cell->setData(Qt::ForegroundRole, QVariant());
            cell->setToolTip(QString());
            continue;
        }
        // Red that reads on light and dark backgrounds alike.
        cell->setForeground(QBrush(QColor(0xd0, 0x30, 0x30)));
        const std::int64_t end = row + 1 < starts.size() ? starts[row + 1] : frames;
        const bool shortTrack = static_cast<double>(end - starts[row]) < mean;
        cell->setToolTip(shortTrack ? QStringLiteral("Under a third of the average track length: "
                                                     "a boundary here may be one too many.")
                                    : QStringLiteral("Over three times the average track length: "
                                                     "a boundary may be missing here."));
    }
}
