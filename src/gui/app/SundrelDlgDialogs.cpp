// Jump to time and the About box, as seen from the main window.

#include "gui/about/AboutDlg.h"
#include "gui/app/Prompt.h"
#include "gui/app/SundrelDlg.h"
#include "gui/time/JumpTimeDlg.h"
#include "gui/view/MarkedSlider.h"

#include "core/view/JumpTime.h"

#include <QLabel>
#include <QSlider>

void CSundrelDlg::OnJumpToTime() {
    if (!m_session.IsLoaded()) {
        m_prompt.Message(this, QStringLiteral("Please load a wave file"),
                         QStringLiteral("Sundrel"));
        return;
    }
    const double length = m_session.Duration();
    CJumpTimeDlg dlg(m_prompt, this);
    dlg.m_fMaxTime = static_cast<float>(length);
    dlg.exec(); // only m_bJump tells whether a time was accepted
    if (!dlg.m_bJump) {
        return;
    }
    const sundrel::JumpTarget target = sundrel::JumpTo(dlg.m_fJumpTime, length);
    m_session.SetPosition(target.position);
    m_slider->setValue(target.slider);
    m_stPosition->setText(QString::fromStdString(target.label));
    m_bPositionChosen = true;
    // At the default zoom this warns when the window leaves the mix near either end.
    m_session.SetView(m_session.IsDefaultZoom()
                          ? sundrel::TimeWindow{target.viewFrom, target.viewTo}
                          : m_session.WindowAt(target.position));
    ApplyTimeView();
}

void CSundrelDlg::OnAbout() {
    CAboutDlg dlg(m_prompt, this);
    dlg.exec();
}
