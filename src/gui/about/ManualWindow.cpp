#include "gui/about/ManualWindow.h"

#include "gui/app/Prompt.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The anchor a heading gets on the web ("Project files (`.sdr`)" -> "project-files-sdr"),
// which the manual's own links use.
QString Slug(const QString& heading) {
    QString slug;
    for (const QChar c : heading.toLower()) {
        if (c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_')) {
            slug += c;
        } else if (c == QLatin1Char(' ')) {
            slug += QLatin1Char('-');
        }
    }
    return slug;
}

// QTextDocument's Markdown reader gives headings no anchors: each heading gets the one its
// text makes, so links to "#the-command-line" move to it.
void NameHeadings(QTextDocument* document) {
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0 || block.text().isEmpty()) {
            continue;
        }
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorNames({Slug(block.text())});
        cursor.mergeCharFormat(anchor);
    }
}

} // namespace

CManualWindow::CManualWindow(const QString& path, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(QStringLiteral("Sundrel Manual"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_pBrowser = new QTextBrowser(this);
    m_pBrowser->setObjectName(QStringLiteral("manualBrowser"));
    // Local links (headings, files beside the manual) stay here; the rest go to the desktop.
    m_pBrowser->setOpenLinks(true);
    m_pBrowser->setOpenExternalLinks(true);
    m_pBrowser->setSearchPaths({QFileInfo(path).absolutePath()});
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        m_pBrowser->setMarkdown(QString::fromUtf8(file.readAll()));
        NameHeadings(m_pBrowser->document());
    } else {
        m_pBrowser->setPlainText(
            QStringLiteral("The manual could not be read: %1\n%2").arg(path, file.errorString()));
    }
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pBrowser);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(720, 640);
}

namespace sundrel::gui {

QString ManualPath() {
    // A relocated install finds its manual from the program's own folder (<prefix>/bin).
    const QString candidates[] = {
        QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../share/doc/sundrel/manual.md")),
        QStringLiteral(SUNDREL_MANUAL_INSTALLED),
        QStringLiteral(SUNDREL_MANUAL_BUILT),
    };
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile()) {
            return QFileInfo(candidate).canonicalFilePath();
        }
    }
    return {};
}

CManualWindow* OpenManual(Prompt& prompt, QWidget* parent) {
    const QString path = ManualPath();
    if (path.isEmpty()) {
        prompt.Message(parent,
                       QStringLiteral("The manual is not installed (%1).")
                           .arg(QStringLiteral(SUNDREL_MANUAL_INSTALLED)),
                       QStringLiteral("Sundrel"), Prompt::Buttons::Ok, Prompt::Icon::Warning);
        return nullptr;
    }
    if (prompt.OpenUrl(QUrl::fromLocalFile(path))) {
        return nullptr;
    }
    auto* window = new CManualWindow(path, parent);
    window->show();
    return window;
}

} // namespace sundrel::gui
