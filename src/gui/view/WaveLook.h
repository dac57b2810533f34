#pragma once

#include "core/overview/Peak.h"
#include "core/view/BandColour.h"

#include <QColor>

namespace sundrel::gui {

// How the overview and the zoomed view draw the waveform: coloured by frequency or in their
// plain colours, on the light or the dark theme. The classic two-second trace keeps its
// colours on the light theme and is only put on a dark ground on the dark one.
struct WaveLook {
    bool coloured = true;
    bool dark = false;
    bool operator==(const WaveLook&) const = default;
};

inline QColor ToQColor(sundrel::view::Rgb c) {
    return QColor(c.r, c.g, c.b);
}
inline sundrel::view::Rgb ToRgb(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

// The colours of one column coloured by its bands: the RMS part in the band colour, the
// peaks beyond it in that colour faded toward the background.
struct ColumnColours {
    QColor peak;
    QColor rms;
};
inline ColumnColours BandColours(const sundrel::overview::Bands& bands, const QColor& background,
                                 bool dark) {
    const sundrel::view::Rgb rms =
        sundrel::view::BandColour(bands.low, bands.mid, bands.high, dark);
    return {ToQColor(sundrel::view::Blend(rms, ToRgb(background), 0.3)), ToQColor(rms)};
}

} // namespace sundrel::gui
