#include "cli/TerminalProgress.h"

#include <algorithm>
#include <unistd.h>
#include <utility>

namespace sundrel::cli {

namespace {

// Carriage return, the text, then "erase to the end of the line" (ANSI, every terminal).
void Write(const std::string& text) {
    const std::string line = "\r" + text + "\x1b[K";
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
}

} // namespace

TerminalProgress::TerminalProgress(std::string text)
    : m_text(std::move(text)), m_terminal(::isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() {
    Clear();
}

void TerminalProgress::Show(double share) {
    const int percent = static_cast<int>(std::clamp(share, 0.0, 1.0) * 100.0);
    if (!m_terminal || percent == m_shown) {
        return;
    }
    m_shown = percent;
    Write(m_text + " " + std::to_string(percent) + " %");
}

void TerminalProgress::Clear() {
    if (m_shown >= 0) {
        Write("");
        m_shown = -1;
    }
}

} // namespace sundrel::cli
