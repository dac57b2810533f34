#include "gui/time/JumpTimeDlg.h"

#include "core/time/TimeCode.h"
#include "core/view/JumpTime.h"
#include "gui/app/DialogUnits.h"
#include "gui/app/Prompt.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

using sundrel::gui::DialogUnits;
using sundrel::gui::Prompt;

CJumpTimeDlg::CJumpTimeDlg(Prompt& prompt, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_prompt(prompt) {
    setObjectName(QStringLiteral("jumpTimeDlg"));
    setWindowTitle(QStringLiteral("Jump to time"));
    const DialogUnits du(font());
    // Taller than the classic dialog by the line that shows how the time is read.
    setFixedSize(du.Size(150, 111));

    // Created in template order, which is also the tab order.
    m_pJump = new QPushButton(QStringLiteral("&Jump"), this);
    m_pJump->setObjectName(QStringLiteral("jumpButton")); // 1013
    m_pJump->setGeometry(du.Rect(16, 63, 50, 14));
    m_pJump->setDefault(true);

    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setObjectName(QStringLiteral("cancelButton")); // IDCANCEL
    m_pCancel->setGeometry(du.Rect(77, 63, 50, 14));

    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QStringLiteral("timeEdit")); // 1011
    m_pEdit->setGeometry(du.Rect(15, 13, 53, 13));

    auto* format = new QLabel(QStringLiteral("Minutes:Seconds"), this);
    format->setObjectName(QStringLiteral("formatLabel"));
    format->setGeometry(du.Rect(75, 14, 60, 19));
    format->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Fonts wider than the template's may need more room than it gave the hint.
    format->resize(std::max(format->width(), format->sizeHint().width()), format->height());

    m_pMaxTime = new QLabel(QStringLiteral("Static"), this);
    m_pMaxTime->setObjectName(QStringLiteral("maxTimeLabel")); // 1012
    m_pMaxTime->setGeometry(du.Rect(27, 41, 76, 18));
    m_pMaxTime->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_pReading = new QLabel(this);
    m_pReading->setObjectName(QStringLiteral("readingLabel"));
    // Two lines: a refused time is said in full ("4:00:00.000 is past the end of the mix,
    // 0:31:53.000"), wrapped rather than cut.
    m_pReading->setGeometry(du.Rect(15, 34, 130, 18));
    m_pReading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pReading->setWordWrap(true);
    // The Jump and Cancel buttons and the longest time move down to make room for it.
    m_pMaxTime->move(m_pMaxTime->x(), du.Y(55));
    m_pMaxTime->resize(m_pMaxTime->width(), du.Y(12));
    m_pJump->move(m_pJump->x(), du.Y(87));
    m_pCancel->move(m_pCancel->x(), du.Y(87));
    connect(m_pEdit, &QLineEdit::textChanged, this, [this] { m_pReading->setText(ReadingText()); });

    connect(m_pJump, &QPushButton::clicked, this, &CJumpTimeDlg::OnJump);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CJumpTimeDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
        // The field has the focus: the user types the time at once.
        m_pEdit->setFocus();
    }
    QDialog::showEvent(event);
}

void CJumpTimeDlg::OnInitDialog() {
    m_pMaxTime->setText(QString::fromStdString(sundrel::FormatTime(m_fMaxTime)));
    m_pReading->setText(ReadingText());
}

QString CJumpTimeDlg::ReadingText() const {
    return QString::fromStdString(sundrel::JumpReading(m_pEdit->text().toStdString(), m_fMaxTime));
}

void CJumpTimeDlg::OnJump() {
    const sundrel::JumpRequest request =
        sundrel::ReadJumpTime(m_pEdit->text().toStdString(), m_fMaxTime);
    m_fJumpTime = request.jumpTime;
    if (!request.Accepted()) {
        // A time before the start is refused like one beyond the end.
        m_prompt.Message(this, QStringLiteral("error"), QStringLiteral("Sundrel"));
        return;
    }
    m_bJump = true;
    accept();
}
