#pragma once

#include <QList>
#include <QSlider>

// The position slider with a small tick under it at every marker.
class CMarkedSlider : public QSlider {
    Q_OBJECT
  public:
    explicit CMarkedSlider(QWidget* parent = nullptr);
    // Slider values where markers lie.
    void SetMarks(QList<int> values);
    const QList<int>& Marks() const { return m_marks; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QList<int> m_marks;
};
