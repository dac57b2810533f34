#include "core/session/MixSession.h"
#include "core/analysis/Alternatives.h"

#include "core/view/InputMath.h"
#include "core/view/ZoomMath.h"

#include "core/interop/MarkerImport.h"
#include "core/io/FileIdentity.h"
#include "core/project/ProjectLoader.h"
#include "core/split/SplitNaming.h"
#include "core/split/SplitPlan.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace sundrel {

namespace {

// The session names its mix absolutely: the window makes the mix's folder the current one,
// and a project saved later must still find the mix.
std::filesystem::path AbsolutePath(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full;
}

} // namespace

MixSession::MixSession(PlaybackSession::DeviceFactory makeDevice)
    : SessionTransport(std::move(makeDevice)) {}

MixSession::~MixSession() {
    // The player reads the mix: end it while the mix is still held.
    HaltPlayer();
}

void MixSession::AddListener(SessionListener* listener) {
    m_listeners.push_back(listener);
}

void MixSession::RemoveListener(SessionListener* listener) {
    std::erase(m_listeners, listener);
}

void MixSession::Notify(unsigned what) {
    if (what == 0) {
        return;
    }
    // A listener may remove itself while being told.
    const std::vector<SessionListener*> listeners = m_listeners;
    for (SessionListener* listener : listeners) {
        listener->OnSessionChanged(what);
    }
}

TimeWindow MixSession::WindowAt(double position) const {
    return ViewState::WindowAt(position, Duration());
}

std::int64_t MixSession::FrameAt(double seconds) const {
    return m_wave ? FrameAtSeconds(seconds, m_wave->m_wfx.nSamplesPerSec, Frames()) : 0;
}

void MixSession::Load(std::shared_ptr<CWaveFile> wave, bool keepMarkers) {
    const unsigned transport = EndPlay();
    m_wave = std::move(wave);
    m_wavePath = m_wave ? AbsolutePath(m_wave->m_strPath) : std::filesystem::path();
    m_projectPath.clear();
    m_match.reset();
    SetDefaultZoom();
    unsigned what = changed::kMix | changed::kDocument | DropSuggestions();
    if (keepMarkers) {
        // The kept markers are work not saved anywhere for this mix.
        m_history.Reset(m_markers.Count() <= 1);
    } else {
        m_markers = MarkerList();
        m_mixInfo = {};
        m_selected = 0;
        m_history.Reset();
        what |= changed::kMarkers | changed::kSelection;
    }
    ResolveFrames();
    Notify(what | transport | changed::kMarkers);
}

void MixSession::Select(std::size_t entry) {
    const std::size_t clamped = entry < m_markers.Count() ? entry : 0;
    if (clamped != m_selected) {
        m_selected = clamped;
        Notify(changed::kSelection);
    }
}

AddMarkerCheck MixSession::CheckAddAtPosition() const {
    return m_markers.CheckAdd(FloatPosition(), Duration());
}

std::optional<std::size_t> MixSession::AddAtPosition() {
    if (!m_wave || m_markers.Count() >= kMaxMarkers) {
        return std::nullopt;
    }
    std::size_t index = 0;
    EditMarkers([&] {
        index = m_markers.Add(FloatPosition(), Duration());
        m_selected = index;
        return true;
    });
    return index;
}

std::optional<std::size_t> MixSession::AddAtFrame(std::int64_t frame, std::string title,
                                                  std::string artist) {
    if (!m_wave || m_markers.Count() >= kMaxMarkers) {
        return std::nullopt;
    }
    Marker marker = FrameMarker(std::clamp<std::int64_t>(frame, 0, Frames()));
    marker.title = std::move(title);
    marker.artist = std::move(artist);
    std::size_t index = 0;
    EditMarkers([&] {
        index = m_markers.Add(std::move(marker));
        m_selected = index;
        return true;
    });
    return index;
}

bool MixSession::ChangeToPosition(std::size_t index) {
    if (!m_wave) {
        return false;
    }
    return EditMarkers([&] { return m_markers.Change(index, FloatPosition(), Duration()); });
}

bool MixSession::Move(std::size_t index, std::int64_t frame) {
    const Marker* current = m_markers.At(index);
    if (!m_wave || current == nullptr || index == 0) {
        return false;
    }
    Marker moved = *current;
    moved.frame = std::clamp<std::int64_t>(frame, 0, Frames());
    moved.percent.reset(); // now exact to the frame
    return EditMarkers([&] { return m_markers.Set(index, std::move(moved)); });
}

bool MixSession::Remove(std::size_t index) {
    return EditMarkers([&] {
        if (!m_markers.Remove(index)) {
            return false;
        }
        if (m_selected == index) {
            m_selected = index - 1; // the entry before it: the list box keeps a selection
        } else if (m_selected > index) {
            --m_selected;
        }
        return true;
    });
}

bool MixSession::Rename(std::size_t index, std::string title, std::string artist) {
    return EditMarkers(
        [&] { return m_markers.Rename(index, std::move(title), std::move(artist)); });
}

bool MixSession::SetNames(MixInfo names) {
    return EditMarkers([&] {
        m_mixInfo = std::move(names);
        return true;
    });
}

MarkerSet MixSession::ExportSet() const {
    return SetFromMarkers(m_markers.Markers(), m_wave ? m_wave->m_wfx.nSamplesPerSec : 1, m_mixInfo,
                          m_wavePath);
}

bool MixSession::ShiftMarkers(double seconds) {
    if (!m_wave) {
        return false;
    }
    const auto delta =
        static_cast<std::int64_t>(std::llround(seconds * m_wave->m_wfx.nSamplesPerSec));
    // Computed first: a shift out of the mix throws before anything changes.
    const std::vector<Marker> moved = sundrel::ShiftMarkers(m_markers.Markers(), delta, Frames());
    return EditMarkers([&] {
        m_markers.Replace(moved);
        return true;
    });
}

std::vector<SnapMove> MixSession::SnapMarkers(std::span<const Suggestion> candidates,
                                              double seconds) {
    if (!m_wave) {
        return {};
    }
    std::vector<SnapTarget> targets;
    for (const Suggestion& c : candidates) {
        targets.push_back({c.frame, c.confidence});
    }
    std::vector<Marker> markers = m_markers.Markers();
    const auto within =
        static_cast<std::int64_t>(std::llround(seconds * m_wave->m_wfx.nSamplesPerSec));
    std::vector<SnapMove> moves = sundrel::SnapMarkers(markers, targets, within);
    EditMarkers([&] {
        m_markers.Replace(markers);
        return true;
    });
    return moves;
}

std::size_t MixSession::TrackCount() const {
    if (!m_wave) {
        return 0;
    }
    return PlanTracksAtFrames(m_markers.Markers(), m_wave->m_nDataSize, m_wave->m_wfx.nBlockAlign)
        .size();
}

MixSession::SplitJob MixSession::PrepareSplit() {
    SortMarkers();
    return {m_wave, m_markers.Markers()};
}

SplitOptions MixSession::SplitOptionsFor(std::string_view nameTemplate, TrackFormat format) const {
    SplitOptions options;
    options.format = format;
    if (m_wave) {
        NameSplit(options, m_markers.Markers(), m_wave->m_nDataSize, m_wave->m_wfx.nBlockAlign,
                  m_wave->m_wfx.nSamplesPerSec, m_mixInfo, m_wavePath, nameTemplate);
    }
    return options;
}

void MixSession::SortMarkers() {
    const MarkerList before = m_markers;
    m_markers.Sort();
    if (!(m_markers == before)) {
        Notify(changed::kMarkers);
    }
}

std::optional<double> MixSession::SecondsOf(std::size_t index) const {
    const Marker* marker = m_markers.At(index);
    if (marker == nullptr || !m_wave) {
        return std::nullopt;
    }
    if (marker->percent) {
        return PositionOfMarker(*marker->percent, Duration());
    }
    return SecondsAtFrame(marker->frame, m_wave->m_wfx.nSamplesPerSec);
}

std::optional<MarkerView> MixSession::ViewOf(std::size_t index) const {
    const Marker* marker = m_markers.At(index);
    if (marker == nullptr || !m_wave) {
        return std::nullopt;
    }
    if (marker->percent) {
        return ViewOfMarker(*marker->percent, Duration());
    }
    MarkerView view;
    view.position = *SecondsOf(index);
    view.slider = view::TrackbarValue(static_cast<float>(view.position), Duration());
    const TimeWindow window = WindowAround(static_cast<float>(view.position));
    view.viewFrom = window.from;
    view.viewTo = window.to;
    return view;
}

void MixSession::BeginGesture() {
    m_history.BeginGesture();
}

void MixSession::EndGesture() {
    if (m_history.EndGesture(m_markers)) {
        Notify(changed::kDocument); // the step went: undo and the modified flag changed
    }
}

bool MixSession::Undo() {
    return Restore(m_history.Undo(Snapshot()));
}

bool MixSession::Redo() {
    return Restore(m_history.Redo(Snapshot()));
}

bool MixSession::Restore(std::optional<MarkerHistory::State> state) {
    if (!state) {
        return false;
    }
    m_markers = std::move(state->markers);
    m_selected = state->selected;
    m_mixInfo = std::move(state->mix);
    ResolveFrames();
    Notify(changed::kMarkers | changed::kSelection | changed::kDocument);
    return true;
}

std::string MixSession::WindowTitle() const {
    std::string name;
    if (!m_projectPath.empty()) {
        name = m_projectPath.filename().string();
    } else if (m_wave) {
        name = m_wavePath.filename().string();
    }
    if (name.empty()) {
        return "Sundrel";
    }
    return name + (IsModified() ? "*" : "") + " - Sundrel";
}

void MixSession::SaveProject(const std::filesystem::path& path) {
    if (io::SameFile(path, m_wavePath)) {
        throw ProjectError(ProjectError::Kind::Unsaveable,
                           path.string() + ": this is the mix; choose another file", path);
    }
    WriteProject(path, m_wavePath.string(), m_markers.Markers(), m_mixInfo,
                 m_match ? &*m_match : nullptr);
    m_projectPath = path;
    m_history.MarkSaved();
    Notify(changed::kDocument);
}

bool MixSession::OpenProject(const std::filesystem::path& path) {
    OpenedProject project = sundrel::OpenProject(path); // throws, changing nothing
    const bool withMix = project.wave != nullptr;
    unsigned what = 0;
    if (withMix) {
        what |= EndPlay(); // the player reads the mix being replaced
        m_wave = std::move(project.wave);
        m_wavePath = m_wave->m_strPath;
        SetDefaultZoom();
        what |= changed::kMix | DropSuggestions();
        m_match.reset();
    }
    Notify(what | TakeProject(project.file, path));
    return withMix;
}

void MixSession::Play(const MakeCallbacks& make) {
    StartPlayer(std::nullopt, make);
}

void MixSession::PlayRange(std::int64_t first, std::int64_t end, const MakeCallbacks& make) {
    StartPlayer(sundrel::PlayRange{first, end}.Within(Frames()), make);
}

bool MixSession::PreviewMarker(std::size_t index, double before, double after,
                               const MakeCallbacks& make) {
    const std::optional<sundrel::PlayRange> range = PreviewRangeOf(index, before, after);
    if (!range) {
        return false;
    }
    StartPlayer(range, make);
    return true;
}

std::optional<sundrel::PlayRange> MixSession::PreviewRangeOf(std::size_t index, double before,
                                                             double after) const {
    const Marker* marker = m_markers.At(index);
    if (marker == nullptr || !m_wave) {
        return std::nullopt;
    }
    // FrameAtSeconds rounds each length to a frame and holds it within the mix, so the sums
    // below stay far from overflow.
    const std::uint32_t rate = m_wave->m_wfx.nSamplesPerSec;
    const std::int64_t frames = Frames();
    return sundrel::PlayRange{marker->frame - FrameAtSeconds(before, rate, frames),
                              marker->frame + FrameAtSeconds(after, rate, frames)}
        .Within(frames);
}

void MixSession::StartPlayer(std::optional<sundrel::PlayRange> range, const MakeCallbacks& make) {
    if (!m_wave) {
        HaltPlayer(); // one player at a time
        return;
    }
    Start(*m_wave, range, make);
    Notify(changed::kTransport);
}

std::optional<double> MixSession::HaltPlayer() {
    return Halt();
}

unsigned MixSession::EndPlay() {
    return End() ? changed::kTransport : 0u;
}

void MixSession::StopPlayback() {
    Notify(EndPlay());
}

} // namespace sundrel

namespace sundrel {

unsigned MixSession::DropSuggestions() {
    m_heldNames.reset();
    if (m_suggestions.empty()) {
        return 0;
    }
    m_suggestions.clear();
    m_currentSuggestion.reset();
    return changed::kSuggestions;
}

void MixSession::SetSuggestions(std::vector<Suggestion> suggestions) {
    m_suggestions = std::move(suggestions);
    m_currentSuggestion.reset();
    Notify(changed::kSuggestions);
}

void MixSession::SetCurrentSuggestion(std::optional<std::size_t> index) {
    if (index && *index >= m_suggestions.size()) {
        index.reset();
    }
    if (index != m_currentSuggestion) {
        m_currentSuggestion = index;
        Notify(changed::kSuggestions);
    }
}

std::optional<std::size_t> MixSession::AcceptSuggestion(std::size_t index) {
    if (index >= m_suggestions.size()) {
        return std::nullopt;
    }
    const std::optional<std::size_t> marker = AddAtFrame(m_suggestions[index].frame);
    if (marker) {
        DismissSuggestion(index);
    }
    return marker;
}

bool MixSession::DismissSuggestion(std::size_t index) {
    if (index >= m_suggestions.size()) {
        return false;
    }
    m_suggestions.erase(m_suggestions.begin() + static_cast<std::ptrdiff_t>(index));
    m_currentSuggestion.reset();
    Notify(changed::kSuggestions);
    return true;
}

bool MixSession::MoveSuggestion(std::size_t index, std::int64_t frame) {
    if (index >= m_suggestions.size() || !m_wave) {
        return false;
    }
    m_suggestions[index].frame = std::clamp<std::int64_t>(frame, 0, Frames());
    m_currentSuggestion = index;
    Notify(changed::kSuggestions);
    return true;
}

bool MixSession::CycleSuggestion(std::size_t index) {
    if (index >= m_suggestions.size() || m_suggestions[index].alternatives.empty()) {
        return false;
    }
    m_suggestions[index] = NextAlternative(m_suggestions[index]);
    m_currentSuggestion = index;
    Notify(changed::kSuggestions);
    return true;
}

std::size_t MixSession::AcceptAllSuggestions() {
    BeginGesture();
    std::size_t accepted = 0;
    while (accepted < m_suggestions.size() && AddAtFrame(m_suggestions[accepted].frame)) {
        ++accepted;
    }
    // A tracklist waiting for these boundaries names the tracks in the same step.
    if (m_heldNames && m_heldNames->tracks.size() == m_markers.Count()) {
        const std::vector<Marker> named = NameMarkers(m_markers.Markers(), *m_heldNames);
        EditMarkers([&] {
            for (std::size_t i = 0; i < named.size(); ++i) {
                m_markers.Rename(i, named[i].title, named[i].artist);
            }
            return true;
        });
        m_heldNames.reset();
    }
    EndGesture();
    m_suggestions.erase(m_suggestions.begin(),
                        m_suggestions.begin() + static_cast<std::ptrdiff_t>(accepted));
    m_currentSuggestion.reset();
    Notify(changed::kSuggestions);
    return accepted;
}

} // namespace sundrel
