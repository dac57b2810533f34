#include "gui/about/LinkStatic.h"

#include "gui/app/Prompt.h"

#include <QMouseEvent>
#include <QUrl>

CLinkStatic::CLinkStatic(sundrel::gui::Prompt& prompt, QWidget* parent)
    : QLabel(parent), m_prompt(prompt) {
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    setCursor(Qt::PointingHandCursor);
    // No background of its own: the dialog shows through.
    setAutoFillBackground(false);
    UpdateColor();
}

void CLinkStatic::SetLink(const QString& link) {
    m_strLink = link;
}

QColor CLinkStatic::TextColor() const {
    if (m_bVisited) {
        return m_crVisited;
    }
    return m_bOver ? m_crHover : m_crLink;
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    SetOver(true);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    SetOver(false);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        return;
    }
    // Whether the desktop found a program for the link is not reported; the link counts as
    // visited either way.
    if (m_open) {
        m_open();
    } else {
        m_prompt.OpenUrl(QUrl(m_strLink));
    }
    m_bVisited = true;
    UpdateColor();
}

void CLinkStatic::SetOver(bool over) {
    if (m_bOver == over) {
        return;
    }
    m_bOver = over;
    UpdateColor();
}

void CLinkStatic::UpdateColor() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, TextColor());
    setPalette(pal);
}
