#pragma once

#include "core/view/TimeWindow.h"

namespace sundrel {

// The part of the session that is only how the mix is looked at: the visible window and the
// zoom. At the default zoom (2 s wide) windows follow the classic rules, one second either
// side of the position; loading a mix returns to it.
class ViewState {
  public:
    ViewState();

    TimeWindow View() const { return m_view; }
    void SetView(TimeWindow range) { m_view = range; }
    double ZoomSpan() const { return m_zoomSpan; }
    bool IsDefaultZoom() const { return m_bDefaultZoom; }
    // Zooms to a window `seconds` wide (not the default zoom, even when 2 s wide).
    void SetZoomSpan(double seconds);
    void SetDefaultZoom();
    // The window that shows `position` of a mix of `duration` seconds at the current zoom: at
    // the default zoom the classic one second either side, else the zoom's width centred on
    // it; either held inside the mix near its ends.
    TimeWindow WindowAt(double position, double duration) const;

  private:
    TimeWindow m_view;
    double m_zoomSpan;
    bool m_bDefaultZoom = true;
};

} // namespace sundrel
