#include "core/io/GuardedRead.h"

#include <algorithm>
#include <atomic>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

namespace sundrel::io {

namespace {

// What a thread guards while it runs guarded work.
struct Guard {
    const std::byte* begin;
    const std::byte* end;
    Guard* outer; // the guard this one runs inside, if any
    sigjmp_buf resume;
};

// Read by the signal handler on the faulting thread: a plain pointer with no dynamic
// initialisation, so reaching it there needs no allocation.
constinit thread_local Guard* t_guard = nullptr;

struct sigaction g_previous {};

void OnBus(int signal, siginfo_t* info, void* context) {
    Guard* guard = t_guard;
    // Only a fault the kernel raised for an access (not a SIGBUS sent by kill) counts.
    if (guard != nullptr && info != nullptr && info->si_code > 0) {
        const auto* at = static_cast<const std::byte*>(info->si_addr);
        if (at >= guard->begin && at < guard->end) {
            t_guard = guard->outer;
            siglongjmp(guard->resume, 1);
        }
    }
    // Not ours: whatever was there before handles it. The ignore and default actions are
    // told first: they share the field that holds an SA_SIGINFO handler.
    const bool sent = info == nullptr || info->si_code <= 0; // by kill, not by a fault
    if (g_previous.sa_handler == SIG_IGN && sent) {
        return; // a sent SIGBUS stays ignored, as before
    }
    if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN) {
        if ((g_previous.sa_flags & SA_SIGINFO) != 0) {
            g_previous.sa_sigaction(signal, info, context);
        } else {
            g_previous.sa_handler(signal);
        }
        return;
    }
    // The default action (a fault cannot be ignored). For a fault, returning runs the access
    // again and the kernel raises it anew with the default handler, keeping its address and
    // cause in the core dump; a sent one is raised again, delivered once this returns.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(SIGBUS, &fallback, nullptr);
    if (sent) {
        ::raise(SIGBUS);
    }
}

bool Install() {
    struct sigaction action {};
    action.sa_sigaction = OnBus;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    // The handler before is taken first: once ours is in place, a fault on another thread
    // may already need it.
    return ::sigaction(SIGBUS, nullptr, &g_previous) == 0 &&
           ::sigaction(SIGBUS, &action, nullptr) == 0;
}

// Installs the handler once; true while it is still the process's SIGBUS handler (another
// library may have put its own in place since).
bool HandlerInPlace() {
    static const bool installed = Install();
    if (!installed) {
        return false;
    }
    struct sigaction now {};
    return ::sigaction(SIGBUS, nullptr, &now) == 0 && (now.sa_flags & SA_SIGINFO) != 0 &&
           now.sa_sigaction == OnBus;
}

} // namespace

GuardResult GuardedRead(std::span<const std::byte> region, void (*work)(void*), void* context) {
    if (!HandlerInPlace()) {
        return GuardResult::Unavailable;
    }
    Guard guard{region.data(), region.data() + region.size(), t_guard, {}};
    // Nothing local changes between here and the jump back, so nothing needs to be volatile.
    if (sigsetjmp(guard.resume, 1) != 0) {
        return GuardResult::Faulted; // the handler restored the outer guard
    }
    t_guard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    try {
        work(context);
    } catch (...) {
        t_guard = guard.outer;
        throw;
    }
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_guard = guard.outer;
    return GuardResult::Done;
}

MappedWindows::MappedWindows(int fd, std::uint64_t begin, std::uint64_t end, std::size_t window)
    : m_fd(fd), m_begin(begin), m_end(std::max(begin, end)), m_window(window),
      m_page(static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE))) {}

MappedWindows::~MappedWindows() {
    Unmap();
}

void MappedWindows::Unmap() {
    if (m_map != nullptr) {
        ::munmap(m_map, m_mapSize);
        m_map = nullptr;
        m_mapSize = 0;
    }
}

std::span<const std::byte> MappedWindows::View(std::uint64_t offset, std::size_t size) {
    if (offset < m_begin || offset > m_end || size > m_end - offset) {
        return {};
    }
    if (m_map == nullptr || offset < m_mapOffset || offset + size > m_mapOffset + m_mapSize) {
        Unmap();
        const std::uint64_t from = offset / m_page * m_page;
        const std::uint64_t to = std::max(offset + size, std::min(m_end, from + m_window));
        const auto length = static_cast<std::size_t>(to - from);
        if (length == 0) {
            return {};
        }
        void* map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, m_fd, static_cast<off_t>(from));
        if (map == MAP_FAILED) {
            return {};
        }
        ::madvise(map, length, MADV_SEQUENTIAL);
        m_map = static_cast<std::byte*>(map);
        m_mapOffset = from;
        m_mapSize = length;
    }
    return {m_map + (offset - m_mapOffset), size};
}

} // namespace sundrel::io
