// The session's side of matching the DJ's files: the match's boundaries become the markers in
// one undo step, and the match stays for the views.

#include "core/session/MixSession.h"

#include "core/markers/MarkerMath.h"

#include <utility>

namespace sundrel {

std::optional<std::size_t> MixSession::ApplyMatch(MatchResult match,
                                                  std::vector<Suggestion> unknown) {
    if (!m_wave) {
        return std::nullopt;
    }
    std::vector<Marker> markers = MatchMarkers(match, m_wave->m_wfx.nSamplesPerSec, Frames());
    if (markers.size() > kMaxMarkers) {
        markers.resize(kMaxMarkers); // the list holds no more; the rest stays one track
    }
    MarkerHistory::State before{m_markers, m_selected, m_mixInfo};
    m_markers.Replace(markers);
    m_selected = 0;
    ResolveFrames();
    unsigned what = changed::kMarkers | changed::kSuggestions;
    if (!(m_markers == before.markers)) {
        what |= changed::kDocument | (before.selected != 0 ? changed::kSelection : 0u);
        m_history.Record(std::move(before));
    }
    m_match = std::move(match);
    m_suggestions = std::move(unknown);
    m_currentSuggestion.reset();
    Notify(what);
    return TrackCount();
}

} // namespace sundrel
