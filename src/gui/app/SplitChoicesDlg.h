#pragma once

#include "gui/app/SplitChoices.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace sundrel::gui {

// The questions before a split in one small dialog: the folder the tracks go to (typed or
// browsed for), the name template with its placeholders explained, and the format.
class CSplitChoicesDlg : public QDialog {
    Q_OBJECT
  public:
    // `summary` says what the split will write ("3 tracks"); empty: nothing is said.
    explicit CSplitChoicesDlg(const SplitChoice& offered, const QString& summary = QString(),
                              QWidget* parent = nullptr);
    // The choice as the fields now hold it.
    SplitChoice Choice() const;

    QLineEdit* FolderField() const { return m_folder; }
    QLineEdit* TemplateField() const { return m_template; }
    QComboBox* FormatBox() const { return m_format; }

  private:
    void OnBrowse();

    QLineEdit* m_folder = nullptr;
    QLineEdit* m_template = nullptr;
    QComboBox* m_format = nullptr;
};

} // namespace sundrel::gui
