#include "gui/app/BitmapButton.h"

#include <QPainter>

namespace sundrel::gui {

CBitmapButton::CBitmapButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setAccessibleName(QString(text).remove(QLatin1Char('&')));
    setFocusPolicy(Qt::StrongFocus);
}

void CBitmapButton::LoadBitmaps(const QPixmap& normal, const QPixmap& disabled) {
    m_normal = normal;
    m_disabled = disabled;
    update();
}

void CBitmapButton::SizeToContent() {
    resize(m_normal.size());
}

QSize CBitmapButton::sizeHint() const {
    return m_normal.size();
}

void CBitmapButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, isEnabled() ? m_normal : m_disabled);
}

} // namespace sundrel::gui
