#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace sundrel::gui {
class Prompt;
}

// "Jump to time": asks for a time within the mix. The caller sets m_fMaxTime before showing
// it and reads m_bJump and m_fJumpTime afterwards; the result of exec() is not needed.
class CJumpTimeDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CJumpTimeDlg(sundrel::gui::Prompt& prompt, QWidget* parent = nullptr);

    float m_fMaxTime = 0.0f;  // longest time accepted, seconds
    float m_fJumpTime = 0.0f; // time read by the last press of Jump, seconds
    bool m_bJump = false;     // a time was accepted

    // Shows the longest allowed time; runs when the dialog is first shown.
    void OnInitDialog();
    // Reads the field; accepts the dialog, or says "error" and stays open.
    void OnJump();
    // The line under the field: how its text is read.
    QString ReadingText() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    sundrel::gui::Prompt& m_prompt;
    QPushButton* m_pJump;
    QPushButton* m_pCancel;
    QLineEdit* m_pEdit;
    QLabel* m_pMaxTime;
    QLabel* m_pReading; // how the typed text is read, updated as it changes
    bool m_bInitialised = false;
};
