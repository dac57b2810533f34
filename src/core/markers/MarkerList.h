#pragma once

#include "core/markers/MarkerMath.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sundrel {

// The marker list of the main window together with the entries of its marker combo box.
// Element k and entry k belong together: entry 0 is the header entry and stands for the start
// marker (element 0, always 0 %), entry k >= 1 is labelled "Marker %d" with the number it was
// given when it was added. Entries are never renumbered; sorting rearranges the elements only.
// Every access is bounds-checked: nothing reads or writes outside the list.
class MarkerList {
  public:
    static constexpr const char* kHeaderInitial = "List Marker..";
    static constexpr const char* kHeaderOpened = "List Marker--";

    // The list of a fresh window: the start marker 0.0 and the initial header entry.
    MarkerList();

    const std::vector<float>& Values() const { return m_values; }
    const std::vector<std::string>& Entries() const { return m_entries; }
    std::size_t Count() const { return m_values.size(); }

    // Add Marker's limits for a position in a mix of `duration` seconds.
    AddMarkerCheck CheckAdd(float position, double duration) const;

    // Appends the marker of `position` and its entry "Marker n" (n = count before the append);
    // returns the new index. Throws std::length_error when the list is full; the position
    // limits are the caller's to check (CheckAdd), as the window asks before adding.
    std::size_t Add(float position, double duration);

    // "ANP": moves marker `index` to `position`, keeping its index and label. The start
    // marker (index 0, the header entry) cannot be moved, since Split relies on it being 0;
    // returns false, changing nothing, for it and for an index outside the list.
    bool Change(std::size_t index, float position, double duration);

    // Element `index`, or nothing outside the list.
    std::optional<float> At(std::size_t index) const;

    // Stable ascending sort of the elements, as Split does before it cuts; the entries keep
    // their labels.
    void Sort();

    // The percentages Split cuts at: the elements in ascending order, starting with 0 and
    // ending with the 100 appended here.
    std::vector<float> SplitPercents() const;

    // Replaces the list with the markers read from a project file and rebuilds the entries:
    // the header "List Marker--", then "Marker 1", "Marker 2", ... A file whose first marker is
    // not 0 (or that holds none) gets the start marker put in front, so entry k still stands
    // for element k and Split still starts at the beginning of the data.
    void Replace(std::span<const float> markers);

  private:
    std::vector<float> m_values;
    std::vector<std::string> m_entries;
};

// "Marker %d".
std::string MarkerLabel(std::size_t number);

// The percentages Split cuts at for a marker list: the markers in ascending order (a stable
// sort), with 0 put in front when the smallest is above it, and 100 appended.
std::vector<float> SplitPercents(std::span<const float> markers);

} // namespace sundrel
