#pragma once

#include "core/markers/Marker.h"
#include "core/markers/MarkerMath.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sundrel {

// The markers of the open mix together with the entries of the window's marker list box.
// Element k and entry k belong together: entry 0 is the header entry and stands for the start
// marker (element 0, always at the first frame), entry k >= 1 is labelled "Marker n" with the
// number it was given when it was added. Entries are never renumbered; sorting rearranges the
// elements only, as the list box always did. Every access is bounds-checked.
class MarkerList {
  public:
    static constexpr const char* kHeaderInitial = "List Marker..";
    static constexpr const char* kHeaderOpened = "List Marker--";

    // The list of a fresh window: the start marker (0 %) and the initial header entry.
    MarkerList();

    const std::vector<Marker>& Markers() const { return m_markers; }
    const std::vector<std::string>& Entries() const { return m_entries; }
    std::size_t Count() const { return m_markers.size(); }
    // Element `index`, or nothing outside the list.
    const Marker* At(std::size_t index) const;

    // Add Marker's limits for a position in a mix of `duration` seconds.
    AddMarkerCheck CheckAdd(float position, double duration) const;

    // Appends `marker` with the entry "Marker n"; returns its index. Throws std::length_error
    // when the list is full (kMaxMarkers); other limits are the caller's to check.
    std::size_t Add(Marker marker);
    // Appends the percentage marker of `position` (the Add Marker button's rule).
    std::size_t Add(float position, double duration);

    // Replaces element `index` (not the start marker) keeping its entry; false, changing
    // nothing, for the start marker and for an index outside the list.
    bool Set(std::size_t index, Marker marker);
    // Gives marker `index` its names, the start marker too (it names the first track); its
    // place stays. False outside the list.
    bool Rename(std::size_t index, std::string title, std::string artist);
    // "ANP": moves marker `index` to the percentage of `position`, keeping its names.
    bool Change(std::size_t index, float position, double duration);
    // Removes element `index` and its entry; the start marker cannot be removed.
    bool Remove(std::size_t index);

    // Stable ascending sort of the elements, as Split does before it cuts; the entries keep
    // their labels.
    void Sort();
    // The element indices in the order Sort puts them in (the tracks' order): the start
    // marker first, then by frame.
    std::vector<std::size_t> TimeOrder() const;

    // Replaces the list with the markers of a project file and rebuilds the entries: the
    // header "List Marker--", then "Marker 1", "Marker 2", ... A file whose first marker is
    // not the start of the mix (or that holds none) gets the start marker put in front, so
    // entry k still stands for element k and Split still starts at the first frame.
    void Replace(std::span<const Marker> markers);

    // Sets the frames of the percentage markers for a mix of `dataSize` bytes of audio in
    // frames of `frameSize` bytes (see ResolvePercentFrames).
    void ResolveFrames(std::uint64_t dataSize, std::uint32_t frameSize);

    friend bool operator==(const MarkerList&, const MarkerList&) = default;

  private:
    std::vector<Marker> m_markers;
    std::vector<std::string> m_entries;
    std::size_t m_nNext = 1; // the number of the next "Marker n" entry
};

// "Marker %d".
std::string MarkerLabel(std::size_t number);

// The percentages Split cuts at for a marker list: the markers in ascending order (a stable
// sort), with 0 put in front when the smallest is above it, and 100 appended.
std::vector<float> SplitPercents(std::span<const float> markers);

} // namespace sundrel
