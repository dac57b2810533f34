#pragma once

#include <string>

namespace sundrel {

// The tags written into one track file (UTF-8; an empty text is not written).
struct TrackTags {
    std::string title;
    std::string artist;
    std::string album;         // the mix's title, else its file name without extension
    int number = 0;            // 1, 2, ...
    int count = 0;             // the tracks of the split
    std::string albumArtist{}; // the mix's artist (the DJ)
    std::string date{};        // the mix's date
    std::string genre{};       // the mix's genre
    int disc = 0;              // 1 when the tracks are marked as one album (disc 1 of 1)
    bool compilation = false;  // the tracks are by several artists
    // What DJ software reads instead of analysing the track again (empty: not written).
    std::string bpm{};       // tempo, "128.0"
    std::string key{};       // "Am", "F#", as ID3 TKEY spells keys
    std::string trackGain{}; // ReplayGain 2.0 track gain, "-7.52 dB"
    std::string trackPeak{}; // ReplayGain track peak, linear, "0.988525"
    friend bool operator==(const TrackTags&, const TrackTags&) = default;
};

} // namespace sundrel
