#pragma once

#include <string>

namespace sundrel::cli {

// A one-line progress report on standard error ("sundrel-cli split: writing tracks 42 %"),
// rewritten in place as the work goes on and cleared when it ends. Shown only when standard
// error is a terminal: a redirected log gets no progress lines.
class TerminalProgress {
  public:
    explicit TerminalProgress(std::string text);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // `share` of the work done, 0 to 1; the line changes only with the whole percent.
    void Show(double share);
    // Removes the line (before other output, and when the work ends).
    void Clear();

  private:
    std::string m_text;
    bool m_terminal = false;
    int m_shown = -1; // the percent on the line, -1 for none
};

} // namespace sundrel::cli
