#pragma once

#include "gui/about/LinkStatic.h"

#include <QDialog>

namespace sundrel::gui {
class Prompt;
}

// "About Sundrel": the program's name, its manual and its home as links, a notice and a
// slogan. OK and Escape close it.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(sundrel::gui::Prompt& prompt, QWidget* parent = nullptr);

    // Each link opens the address that it displays.
    void OnInitDialog();

    CLinkStatic m_linkMaker;   // the project's home
    CLinkStatic m_linkProduct; // the manual
};
