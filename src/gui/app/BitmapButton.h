#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace sundrel::gui {

// A push button that shows only a picture: one face while enabled (normal, pressed and
// focused alike) and one while disabled. Its text is not drawn but gives the Alt shortcut
// and the accessible name.
class CBitmapButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit CBitmapButton(const QString& text, QWidget* parent = nullptr);

    void LoadBitmaps(const QPixmap& normal, const QPixmap& disabled);
    // Resizes the button to its normal face.
    void SizeToContent();
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap m_normal;
    QPixmap m_disabled;
};

} // namespace sundrel::gui
