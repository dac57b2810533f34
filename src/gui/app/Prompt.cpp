#include "gui/app/Prompt.h"

#include "gui/app/SplitChoicesDlg.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace sundrel::gui {

Prompt::Answer QtPrompt::Message(QWidget* owner, const QString& text, const QString& caption,
                                 Buttons buttons, Icon icon) {
    QMessageBox box(owner);
    box.setText(text);
    box.setWindowTitle(caption);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

int QtPrompt::Choose(QWidget* owner, const QString& text, const QString& caption,
                     const QStringList& answers) {
    QMessageBox box(owner);
    box.setText(text);
    box.setWindowTitle(caption);
    box.setIcon(QMessageBox::Question);
    std::vector<QPushButton*> buttons;
    for (int i = 0; i < answers.size(); ++i) {
        const bool last = i + 1 == answers.size();
        buttons.push_back(
            box.addButton(answers[i], last ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    }
    if (buttons.empty()) {
        return -1;
    }
    box.setDefaultButton(buttons.front());
    box.setEscapeButton(buttons.back());
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return static_cast<int>(i);
        }
    }
    return static_cast<int>(buttons.size()) - 1;
}

std::optional<QString> QtPrompt::ChooseFolder(QWidget* owner, const QString& caption,
                                              const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(owner, caption, start);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

std::optional<SplitChoice> QtPrompt::ChooseSplit(QWidget* owner, const SplitChoice& offered,
                                                 const QString& summary) {
    CSplitChoicesDlg dialog(offered, summary, owner);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Choice();
}

std::optional<QStringList> QtPrompt::EditTexts(QWidget* owner, const QString& caption,
                                               const QStringList& labels,
                                               const QStringList& values) {
    QDialog dialog(owner);
    dialog.setWindowTitle(caption);
    auto* form = new QFormLayout(&dialog);
    std::vector<QLineEdit*> fields;
    for (int i = 0; i < labels.size(); ++i) {
        auto* field = new QLineEdit(i < values.size() ? values[i] : QString(), &dialog);
        field->setMinimumWidth(280);
        form->addRow(labels[i], field);
        fields.push_back(field);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    QStringList edited;
    for (const QLineEdit* field : fields) {
        edited << field->text();
    }
    return edited;
}

std::optional<QString> QtPrompt::OpenFile(QWidget* owner, const QString& filter,
                                          const QString& start) {
    const QString path = QFileDialog::getOpenFileName(owner, QString(), start, filter);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path;
}

std::optional<QString> QtPrompt::SaveFile(QWidget* owner, const QString& filter,
                                          const QString& defaultSuffix, const QString& start) {
    QFileDialog dialog(owner, QString(), start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

bool QtPrompt::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace sundrel::gui
