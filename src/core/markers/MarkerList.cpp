#include "core/markers/MarkerList.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>

namespace sundrel {

namespace {

bool IsStart(const Marker& marker) {
    return marker.percent ? *marker.percent == 0.0f : marker.frame == 0;
}

} // namespace

std::string MarkerLabel(std::size_t number) {
    return "Marker " + std::to_string(number);
}

MarkerList::MarkerList() : m_markers{PercentMarker(0.0f)}, m_entries{kHeaderInitial} {}

const Marker* MarkerList::At(std::size_t index) const {
    return index < m_markers.size() ? &m_markers[index] : nullptr;
}

AddMarkerCheck MarkerList::CheckAdd(float position, double duration) const {
    return CheckAddMarker(position, duration, m_markers.size());
}

std::size_t MarkerList::Add(Marker marker) {
    if (m_markers.size() >= kMaxMarkers) {
        throw std::length_error(AddMarkerMessage(AddMarkerCheck::ListFull));
    }
    m_markers.push_back(std::move(marker));
    m_entries.push_back(MarkerLabel(m_nNext++));
    return m_markers.size() - 1;
}

std::size_t MarkerList::Add(float position, double duration) {
    return Add(PercentMarker(PercentOfPosition(position, duration)));
}

bool MarkerList::Set(std::size_t index, Marker marker) {
    if (index == 0 || index >= m_markers.size()) {
        return false;
    }
    m_markers[index] = std::move(marker);
    return true;
}

bool MarkerList::Rename(std::size_t index, std::string title, std::string artist) {
    if (index >= m_markers.size()) {
        return false;
    }
    m_markers[index].title = std::move(title);
    m_markers[index].artist = std::move(artist);
    return true;
}

bool MarkerList::Change(std::size_t index, float position, double duration) {
    if (index == 0 || index >= m_markers.size()) {
        return false;
    }
    Marker& marker = m_markers[index];
    marker.percent = PercentOfPosition(position, duration);
    marker.frame = 0; // derived from the percentage by ResolveFrames
    return true;
}

bool MarkerList::Remove(std::size_t index) {
    if (index == 0 || index >= m_markers.size()) {
        return false;
    }
    m_markers.erase(m_markers.begin() + static_cast<std::ptrdiff_t>(index));
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

std::vector<std::size_t> MarkerList::TimeOrder() const {
    // By frame, then by percentage: percentage markers' frames rise with their percentages,
    // and markers without frames yet (no mix) still sort by percentage. A frame marker goes
    // before percentage markers at the same frame.
    static constexpr float kNone = -1.0f;
    std::vector<std::size_t> order(m_markers.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (order.size() > 1) {
        // Element 0 is the start marker and stays first, whatever else sits at the first frame.
        std::stable_sort(order.begin() + 1, order.end(), [this](std::size_t a, std::size_t b) {
            return std::pair(m_markers[a].frame, m_markers[a].percent.value_or(kNone)) <
                   std::pair(m_markers[b].frame, m_markers[b].percent.value_or(kNone));
        });
    }
    return order;
}

void MarkerList::Sort() {
    std::vector<Marker> sorted;
    sorted.reserve(m_markers.size());
    for (const std::size_t index : TimeOrder()) {
        sorted.push_back(m_markers[index]);
    }
    m_markers = std::move(sorted);
}

void MarkerList::Replace(std::span<const Marker> markers) {
    m_markers.assign(markers.begin(), markers.end());
    if ((m_markers.empty() || !IsStart(m_markers.front())) && m_markers.size() < kMaxMarkers) {
        m_markers.insert(m_markers.begin(), PercentMarker(0.0f));
    }
    m_entries.clear();
    m_entries.emplace_back(kHeaderOpened);
    for (std::size_t k = 1; k < m_markers.size(); ++k) {
        m_entries.push_back(MarkerLabel(k));
    }
    m_nNext = m_markers.size();
}

void MarkerList::ResolveFrames(std::uint64_t dataSize, std::uint32_t frameSize) {
    ResolvePercentFrames(m_markers, dataSize, frameSize);
}

std::vector<float> SplitPercents(std::span<const float> markers) {
    std::vector<float> percents(markers.begin(), markers.end());
    std::stable_sort(percents.begin(), percents.end());
    if (percents.empty() || percents.front() > 0.0f) {
        percents.insert(percents.begin(), 0.0f);
    }
    percents.push_back(100.0f);
    return percents;
}

} // namespace sundrel
