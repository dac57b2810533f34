#include "core/markers/MarkerList.h"

#include <algorithm>
#include <stdexcept>

namespace sundrel {

std::string MarkerLabel(std::size_t number) {
    return "Marker " + std::to_string(number);
}

MarkerList::MarkerList() : m_values{0.0f}, m_entries{kHeaderInitial} {}

AddMarkerCheck MarkerList::CheckAdd(float position, double duration) const {
    return CheckAddMarker(position, duration, m_values.size());
}

std::size_t MarkerList::Add(float position, double duration) {
    if (m_values.size() >= kMaxMarkers) {
        throw std::length_error(AddMarkerMessage(AddMarkerCheck::ListFull));
    }
    const std::size_t n = m_values.size();
    m_values.push_back(PercentOfPosition(position, duration));
    m_entries.push_back(MarkerLabel(n));
    return n;
}

bool MarkerList::Change(std::size_t index, float position, double duration) {
    if (index == 0 || index >= m_values.size()) {
        return false;
    }
    m_values[index] = PercentOfPosition(position, duration);
    return true;
}

std::optional<float> MarkerList::At(std::size_t index) const {
    if (index >= m_values.size()) {
        return std::nullopt;
    }
    return m_values[index];
}

void MarkerList::Sort() {
    std::stable_sort(m_values.begin(), m_values.end());
}

std::vector<float> MarkerList::SplitPercents() const {
    return sundrel::SplitPercents(m_values);
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

void MarkerList::Replace(std::span<const float> markers) {
    m_values.assign(markers.begin(), markers.end());
    if ((m_values.empty() || m_values.front() != 0.0f) && m_values.size() < kMaxMarkers) {
        m_values.insert(m_values.begin(), 0.0f);
    }
    m_entries.clear();
    m_entries.emplace_back(kHeaderOpened);
    for (std::size_t k = 1; k < m_values.size(); ++k) {
        m_entries.push_back(MarkerLabel(k));
    }
}

} // namespace sundrel
