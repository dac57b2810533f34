#pragma once

#include <array>
#include <optional>
#include <string>

namespace sundrel {

// A key: its tonic as a pitch class (0 = C, 1 = C#/Db, ... 11 = B) and its mode.
struct MusicalKey {
    int tonic = 0;
    bool minor = false;
    friend bool operator==(const MusicalKey&, const MusicalKey&) = default;
};

// The energy of each pitch class (0 = C ... 11 = B) over a stretch of music.
using Chroma = std::array<double, 12>;

// The key whose profile best matches `chroma`; none for a chroma without energy or with the
// same energy in every class (noise, silence, drums alone give no key).
std::optional<MusicalKey> KeyOfChroma(const Chroma& chroma);

// "A minor", "C# minor", "Eb major": the name musicians read.
std::string KeyName(const MusicalKey& key);
// "Am", "C#m", "Eb": the short form of the ID3 TKEY frame and of INITIALKEY.
std::string KeyShortName(const MusicalKey& key);
// "8A", "12B": the Camelot wheel, on which neighbouring numbers and the same number of the
// other letter mix harmonically.
std::string CamelotName(const MusicalKey& key);

} // namespace sundrel
