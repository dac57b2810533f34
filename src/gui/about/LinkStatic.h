#pragma once

#include <QColor>
#include <QLabel>
#include <QString>
#include <functional>
#include <utility>

namespace sundrel::gui {
class Prompt;
}

// A text label that behaves as a link: underlined, a pointing hand over it, red while the
// mouse is over it, blue otherwise, dark blue once clicked. A click hands the link target to
// the desktop; the visited colour then stays for the life of the control.
class CLinkStatic : public QLabel {
    Q_OBJECT
  public:
    explicit CLinkStatic(sundrel::gui::Prompt& prompt, QWidget* parent = nullptr);

    void SetLink(const QString& link);
    // What a click does instead of handing the link to the desktop (empty: hand it over).
    void SetOpener(std::function<void()> open) { m_open = std::move(open); }
    const QString& Link() const { return m_strLink; }
    bool IsOver() const { return m_bOver; }
    bool IsVisited() const { return m_bVisited; }
    // The colour the text is drawn in now.
    QColor TextColor() const;

    const QColor m_crHover{255, 0, 0};
    const QColor m_crLink{0, 0, 255};
    const QColor m_crVisited{5, 34, 143};

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void SetOver(bool over);
    void UpdateColor();

    sundrel::gui::Prompt& m_prompt;
    bool m_bOver = false;
    bool m_bVisited = false;
    QString m_strLink;
    std::function<void()> m_open;
};
