#pragma once

// Markers as text in test failures ("frame@percent%:title/artist") instead of their bytes.

#include "core/markers/Marker.h"

#include <ostream>

namespace sundrel {

inline void PrintTo(const Marker& m, std::ostream* os) {
    *os << m.frame;
    if (m.percent) {
        *os << "@" << *m.percent << "%";
    }
    if (!m.title.empty() || !m.artist.empty()) {
        *os << ":" << m.title << "/" << m.artist;
    }
}

} // namespace sundrel
