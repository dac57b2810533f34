#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

namespace sundrel::gui {
class Prompt;
}

// The manual inside the program: a window with the Markdown manual rendered by QTextBrowser.
// Links to headings and other local files open in it; web and mail addresses go to the
// desktop.
class CManualWindow : public QDialog {
    Q_OBJECT
  public:
    CManualWindow(const QString& path, QWidget* parent = nullptr);
    QTextBrowser* Browser() const { return m_pBrowser; }

  private:
    QTextBrowser* m_pBrowser = nullptr;
};

namespace sundrel::gui {

// The manual this copy of the program shows: the installed one (beside the program's prefix,
// then where the build installs it), else, for a program run from its build folder, the
// source's docs/manual.md. Empty when none exists.
QString ManualPath();

// Help > Manual: hands the manual to the desktop; when the desktop cannot open it (no
// launcher, or the launcher failed) shows it in a CManualWindow, which is returned (it closes
// and deletes itself). A missing manual is reported.
CManualWindow* OpenManual(Prompt& prompt, QWidget* parent);

} // namespace sundrel::gui
