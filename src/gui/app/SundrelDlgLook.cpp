// View > Colours by Frequency and View > Dark.

#include "gui/app/AppSettings.h"
#include "gui/app/ControlIds.h"
#include "gui/app/SundrelDlg.h"
#include "gui/view/OverviewCtrl.h"
#include "gui/view/WaveViewCtrl.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPalette>

namespace ids = sundrel::gui::ids;

namespace {

// A dark palette for dim rooms: light text on dark grounds, the usual blue selection.
QPalette DarkPalette() {
    QPalette p;
    const QColor window(45, 45, 48);
    const QColor base(30, 30, 32);
    const QColor text(230, 230, 230);
    const QColor disabled(125, 125, 125);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(58, 58, 62));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(255, 90, 90));
    p.setColor(QPalette::Light, QColor(80, 80, 84));
    p.setColor(QPalette::Midlight, QColor(65, 65, 68));
    p.setColor(QPalette::Mid, QColor(40, 40, 42));
    p.setColor(QPalette::Dark, QColor(22, 22, 24));
    p.setColor(QPalette::Shadow, QColor(10, 10, 10));
    p.setColor(QPalette::Highlight, QColor(42, 110, 200));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(110, 170, 255));
    p.setColor(QPalette::LinkVisited, QColor(170, 140, 255));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, disabled);
    }
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 70, 74));
    return p;
}

} // namespace

void CSundrelDlg::SetUpLook() {
    const sundrel::gui::AppSettings settings;
    m_bColoursByFrequency = settings.ColoursByFrequency();
    m_bDarkTheme = settings.DarkTheme();
    m_pMenuView->addSeparator();
    const auto add = [this](const QString& text, int id, bool checked) {
        QAction* action = m_pMenuView->addAction(text);
        action->setData(id);
        action->setObjectName(QStringLiteral("cmd%1").arg(id));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setCheckable(true);
        action->setChecked(checked);
        return action;
    };
    QAction* colours = add(QStringLiteral("&Colours by Frequency"), ids::kCmdColoursByFrequency,
                           m_bColoursByFrequency);
    connect(colours, &QAction::toggled, this, [this](bool on) {
        m_bColoursByFrequency = on;
        sundrel::gui::AppSettings().SetColoursByFrequency(on);
        ApplyLook();
    });
    QAction* dark = add(QStringLiteral("&Dark"), ids::kCmdDarkTheme, m_bDarkTheme);
    connect(dark, &QAction::toggled, this, [this](bool on) {
        m_bDarkTheme = on;
        sundrel::gui::AppSettings().SetDarkTheme(on);
        ApplyLook();
    });
    ApplyLook();
}

void CSundrelDlg::ApplyLook() {
    // The light theme is the palette the program started with (the desktop's), taken before
    // the dark one is first put in its place.
    static const QPalette light = QApplication::palette();
    QApplication::setPalette(m_bDarkTheme ? DarkPalette() : light);
    const sundrel::gui::WaveLook look{m_bColoursByFrequency, m_bDarkTheme};
    m_pOverview->SetLook(look);
    m_pWaveView->SetLook(look);
}
