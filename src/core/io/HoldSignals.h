#pragma once

#include <signal.h>

namespace sundrel::io {

// Holds back SIGINT, SIGTERM and SIGHUP in the calling thread while it lives: a step that
// must not be cut in half (putting a set of files in place) runs to its end, and a signal
// that came meanwhile is delivered when this goes out of scope.
class HoldSignals {
  public:
    HoldSignals();
    ~HoldSignals();
    HoldSignals(const HoldSignals&) = delete;
    HoldSignals& operator=(const HoldSignals&) = delete;

  private:
    sigset_t m_old{};
};

} // namespace sundrel::io
