#include "gui/app/SplitChoicesDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace sundrel::gui {

CSplitChoicesDlg::CSplitChoicesDlg(const SplitChoice& offered, const QString& summary,
                                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Split"));
    auto* form = new QFormLayout(this);
    // What will be written, before anything else.
    auto* said = new QLabel(QStringLiteral("Writes %1.").arg(summary), this);
    said->setObjectName(QStringLiteral("summary"));
    said->setVisible(!summary.isEmpty());
    form->addRow(said);

    m_folder = new QLineEdit(QDir::toNativeSeparators(offered.folder), this);
    m_folder->setObjectName(QStringLiteral("folder"));
    m_folder->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    browse->setAutoDefault(false);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(browse);
    // A layout has no buddy of its own: the label names the field for its Alt key.
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"), this);
    folderLabel->setBuddy(m_folder);
    form->addRow(folderLabel, folderRow);
    auto* folderNote = new QLabel(this);
    folderNote->setObjectName(QStringLiteral("folderNote"));
    form->addRow(QString(), folderNote);

    m_template = new QLineEdit(offered.nameTemplate, this);
    m_template->setObjectName(QStringLiteral("template"));
    m_template->setPlaceholderText(QStringLiteral("for example {nn} {artist} - {title}"));
    form->addRow(QStringLiteral("&Names:"), m_template);
    auto* help = new QLabel(NameTemplateHelp(), this);
    help->setObjectName(QStringLiteral("templateHelp"));
    form->addRow(QString(), help);

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    m_format->addItem(QStringLiteral("WAV (the mix's samples, bit for bit)"),
                      static_cast<int>(TrackFormat::Wav));
    m_format->addItem(QStringLiteral("FLAC (lossless, smaller)"),
                      static_cast<int>(TrackFormat::Flac));
    m_format->setCurrentIndex(m_format->findData(static_cast<int>(offered.format)));
    form->addRow(QStringLiteral("F&ormat:"), m_format);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Split"));
    form->addRow(buttons);
    connect(browse, &QPushButton::clicked, this, &CSplitChoicesDlg::OnBrowse);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Split needs a folder; one that is not there yet will be made.
    const auto needFolder = [this, buttons, folderNote] {
        const QString folder = QDir::fromNativeSeparators(m_folder->text().trimmed());
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!folder.isEmpty());
        const QFileInfo info(folder);
        folderNote->setText(folder.isEmpty() || info.isDir() ? QString()
                            : info.exists() ? QStringLiteral("This is a file, not a folder.")
                                            : QStringLiteral("The folder will be created."));
        folderNote->setVisible(!folderNote->text().isEmpty());
    };
    connect(m_folder, &QLineEdit::textChanged, this, needFolder);
    needFolder();
    // The keyboard goes through what is chosen, in order, to Split; Browse comes last.
    QPushButton* split = buttons->button(QDialogButtonBox::Ok);
    QWidget::setTabOrder(m_folder, m_template);
    QWidget::setTabOrder(m_template, m_format);
    QWidget::setTabOrder(m_format, split);
    QWidget::setTabOrder(split, buttons->button(QDialogButtonBox::Cancel));
    QWidget::setTabOrder(buttons->button(QDialogButtonBox::Cancel), browse);
    split->setDefault(true);
}

SplitChoice CSplitChoicesDlg::Choice() const {
    SplitChoice choice;
    choice.folder = QDir::fromNativeSeparators(m_folder->text().trimmed());
    choice.nameTemplate = m_template->text().trimmed();
    choice.format = static_cast<TrackFormat>(m_format->currentData().toInt());
    return choice;
}

void CSplitChoicesDlg::OnBrowse() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Split into folder"), QDir::fromNativeSeparators(m_folder->text()));
    if (!folder.isEmpty()) {
        m_folder->setText(QDir::toNativeSeparators(folder));
    }
}

} // namespace sundrel::gui
