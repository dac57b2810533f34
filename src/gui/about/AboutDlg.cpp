#include "gui/about/AboutDlg.h"

#include "core/Version.h"
#include "gui/about/ManualWindow.h"
#include "gui/app/DialogUnits.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

using sundrel::gui::DialogUnits;

namespace {

constexpr int kWidth = 245;
constexpr int kHeight = 191;

// Where an installed copy has it, as a file address: the box shows the same addresses
// wherever the program runs from.
QString InstalledAddress(const char* path) {
    return QUrl::fromLocalFile(QString::fromUtf8(path)).toString();
}

QIcon ApplicationIcon() {
    const QString resource = QStringLiteral(":/icons/sundrel.svg");
    if (QFile::exists(resource)) {
        QIcon icon(resource);
        if (!icon.isNull()) {
            return icon;
        }
    }
    return QApplication::windowIcon();
}

// Places a text at its template rectangle, widened about its centre when the text needs more
// room than the template gave it.
void PlaceText(QLabel* label, const QRect& area, int dialogWidth) {
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    const QSize hint = label->sizeHint();
    const int width = std::min(std::max(area.width(), hint.width()), dialogWidth);
    const int x = std::clamp(area.center().x() - width / 2, 0, dialogWidth - width);
    label->setGeometry(x, area.y(), width, std::max(area.height(), hint.height()));
}

} // namespace

CAboutDlg::CAboutDlg(sundrel::gui::Prompt& prompt, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_linkMaker(prompt, this), m_linkProduct(prompt, this) {
    setObjectName(QStringLiteral("aboutDlg"));
    setWindowTitle(QStringLiteral("About Sundrel"));
    const DialogUnits du(font());
    const int width = du.X(kWidth);
    setFixedSize(width, du.Y(kHeight));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(du.Rect(180, 14, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    const auto text = [&](const char* name, const QString& content, const QRect& area) {
        auto* label = new QLabel(content, this);
        label->setObjectName(QString::fromLatin1(name));
        PlaceText(label, area, width);
        return label;
    };
    text("blank1", QString(), du.Rect(14, 113, 218, 15));
    text("blank2", QString(), du.Rect(13, 131, 216, 25));
    text("noticeLabel",
         QStringLiteral("Sundrel %1 \u2014 provided as is, without warranty")
             .arg(QStringLiteral(SUNDREL_VERSION)),
         du.Rect(56, 162, 140, 8));
    text("blank3", QString(), du.Rect(92, 171, 62, 13));
    text("nameLabel", QStringLiteral("SUNDREL"), du.Rect(95, 14, 55, 11));
    text("headingLabel", QStringLiteral("***SUNDREL MANUAL***"), du.Rect(44, 37, 157, 12));

    m_linkProduct.setObjectName(QStringLiteral("productLink")); // 1019
    m_linkProduct.setText(InstalledAddress(SUNDREL_MANUAL_INSTALLED));
    // The manual opens as Help > Manual opens it: through the desktop, else in a window of
    // its own, and from the source tree when the program runs from its build folder. The box
    // closes first: a manual window of its own would go with it, and one of the main window
    // could not be used while the box is open.
    m_linkProduct.SetOpener([this, &prompt] {
        QWidget* owner = parentWidget();
        if (owner != nullptr) {
            accept();
        }
        sundrel::gui::OpenManual(prompt, owner != nullptr ? owner : this);
    });
    PlaceText(&m_linkProduct, du.Rect(86, 50, 72, 9), width);

    text("sloganLabel", QStringLiteral("Mark the drops, split the mix, keep every sample."),
         du.Rect(17, 63, 206, 12));

    m_linkMaker.setObjectName(QStringLiteral("makerLink")); // 1020
    m_linkMaker.setText(InstalledAddress(SUNDREL_HOME_INSTALLED));
    PlaceText(&m_linkMaker, du.Rect(81, 75, 82, 12), width);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setGeometry(du.Rect(13, 13, 20, 20));
    icon->setPixmap(ApplicationIcon().pixmap(icon->size()));

    auto* divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("divider"));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    divider->setGeometry(du.Rect(7, 101, 231, 9));

    OnInitDialog();
    ok->setFocus();
}

void CAboutDlg::OnInitDialog() {
    m_linkProduct.SetLink(m_linkProduct.text());
    m_linkMaker.SetLink(m_linkMaker.text());
}
