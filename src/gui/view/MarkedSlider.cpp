#include "gui/view/MarkedSlider.h"

#include "gui/view/ViewMarker.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

CMarkedSlider::CMarkedSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void CMarkedSlider::SetMarks(QList<int> values) {
    if (values != m_marks) {
        m_marks = std::move(values);
        update();
    }
}

void CMarkedSlider::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (m_marks.isEmpty()) {
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    // The groove's span as the style maps values onto it.
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = width() - handle.width();
    QPainter p(this);
    p.setPen(QPen(sundrel::gui::kMarkerColour, 1));
    for (const int value : m_marks) {
        const int x =
            QStyle::sliderPositionFromValue(minimum(), maximum(), value, span) + handle.width() / 2;
        p.drawLine(x, height() - 4, x, height() - 1);
        p.drawLine(x, 0, x, 2);
    }
}
