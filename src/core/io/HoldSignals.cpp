#include "core/io/HoldSignals.h"

#include <pthread.h>

namespace sundrel::io {

HoldSignals::HoldSignals() {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &held, &m_old);
}

HoldSignals::~HoldSignals() {
    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
}

} // namespace sundrel::io
