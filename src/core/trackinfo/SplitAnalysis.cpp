#include "core/trackinfo/SplitAnalysis.h"

#include "core/analysis/FileElements.h"
#include "core/markers/TrackSpans.h"
#include "core/trackinfo/TrackInfoText.h"

#include <algorithm>

namespace sundrel {

std::vector<FrameSpan> SplitFrameSpans(const CWaveFile& wave, std::span<const Marker> markers) {
    const std::uint64_t frameSize = std::max<std::uint32_t>(wave.m_wfx.nBlockAlign, 1);
    std::vector<FrameSpan> spans;
    for (const TrackSpan& s :
         PlanTracksAtFrames(markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign)) {
        spans.push_back({static_cast<std::int64_t>(s.offset / frameSize),
                         static_cast<std::int64_t>(s.size / frameSize)});
    }
    return spans;
}

std::vector<TrackInfo> AnalyseSplitTracks(const CWaveFile& wave, std::span<const Marker> markers,
                                          unsigned workers, const AnalysisProgress& progress,
                                          std::stop_token stop,
                                          std::span<const std::optional<TrackInfo>> known) {
    const auto plan = PlanTracksAtFrames(markers, wave.m_nDataSize, wave.m_wfx.nBlockAlign);
    std::vector<TrackInfo> infos(plan.size());
    std::vector<TrackSpan> todo;
    std::vector<std::size_t> todoIndex;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (i < known.size() && known[i]) {
            infos[i] = *known[i];
        } else {
            todo.push_back(plan[i]);
            todoIndex.push_back(i);
        }
    }
    if (todo.empty()) {
        if (progress) {
            progress(1.0);
        }
        return infos;
    }
    const WaveFormat format = wave.GetFormat();
    const FileElements elements(wave.m_strPath, wave.m_nDataOffset, wave.m_nFileSize, format);
    const auto analysed =
        AnalyseTracks(std::cref(elements), todo, format, workers, progress, std::move(stop));
    for (std::size_t k = 0; k < analysed.size(); ++k) {
        infos[todoIndex[k]] = analysed[k];
    }
    return infos;
}

bool TagSplitWithAnalysis(SplitOptions& options, const CWaveFile& wave,
                          std::span<const Marker> markers, unsigned workers,
                          const AnalysisProgress& progress, std::stop_token stop,
                          std::span<const std::optional<TrackInfo>> known) {
    if (options.tags.empty()) {
        return false;
    }
    const auto infos = AnalyseSplitTracks(wave, markers, workers, progress, std::move(stop), known);
    AddTrackInfoTags(options.tags, infos);
    return true;
}

} // namespace sundrel
