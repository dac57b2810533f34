#include "gui/about/AboutDlg.h"
#include "support/ScriptedPrompt.h"

#include <QEnterEvent>
#include <QImage>
#include <QPushButton>
#include <QtTest>

using sundrel::test::ScriptedPrompt;

namespace {

bool Drawn(QWidget& widget, const QColor& colour) {
    const QImage image = widget.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

void Enter(QWidget& widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&widget, &event);
}

} // namespace

// Stops the test at the first failed colour check.
#define CHECK_COLOUR(link, colour)                                                                 \
    do {                                                                                           \
        CheckColour(link, colour);                                                                 \
        if (QTest::currentTestFailed()) {                                                          \
            return;                                                                                \
        }                                                                                          \
    } while (false)

class AboutDlgTest : public QObject {
    Q_OBJECT

    // Checks both the palette the text is drawn with and the pixels on screen.
    static void CheckColour(CLinkStatic& link, const QColor& expected) {
        QCOMPARE(link.TextColor(), expected);
        QCOMPARE(link.palette().color(QPalette::WindowText), expected);
        QVERIFY(Drawn(link, expected));
        for (const QColor& other : {link.m_crHover, link.m_crLink, link.m_crVisited}) {
            if (other != expected) {
                QVERIFY2(!Drawn(link, other), qPrintable(other.name()));
            }
        }
    }

  private slots:
    void showsTheLinksAndTexts() {
        ScriptedPrompt prompt;
        CAboutDlg dlg(prompt);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Sundrel"));
        QCOMPARE(dlg.findChild<QLabel*>(QStringLiteral("headingLabel"))->text(),
                 QStringLiteral("***SUNDREL OFFICIAL WEBSITE***"));
        for (CLinkStatic* link : {&dlg.m_linkProduct, &dlg.m_linkMaker}) {
            QVERIFY(link->text().startsWith(QStringLiteral("file:///")));
            QCOMPARE(link->Link(), link->text());
            QVERIFY(link->font().underline());
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            // The whole address is readable inside the dialog.
            QVERIFY(link->width() >= link->sizeHint().width());
            QVERIFY(dlg.rect().contains(link->geometry()));
        }
        QVERIFY(dlg.m_linkProduct.text().endsWith(QStringLiteral("/Manual.txt")));
    }

    void linkColoursFollowHoverUntilVisited() {
        ScriptedPrompt prompt;
        CAboutDlg dlg(prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CLinkStatic& link = dlg.m_linkProduct;
        CHECK_COLOUR(link, QColor(0, 0, 255));
        Enter(link);
        CHECK_COLOUR(link, QColor(255, 0, 0));
        Leave(link);
        CHECK_COLOUR(link, QColor(0, 0, 255));

        Enter(link);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        // Visited wins over hover, and stays after the mouse leaves and comes back.
        CHECK_COLOUR(link, QColor(5, 34, 143));
        Leave(link);
        Enter(link);
        CHECK_COLOUR(link, QColor(5, 34, 143));
        // The other link is untouched.
        CHECK_COLOUR(dlg.m_linkMaker, QColor(0, 0, 255));
    }

    void clickOpensExactlyTheDisplayedAddress() {
        ScriptedPrompt prompt;
        prompt.openUrlResult = false; // nothing opens it: not reported, still visited
        CAboutDlg dlg(prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::mouseClick(&dlg.m_linkMaker, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseClick(&dlg.m_linkProduct, Qt::RightButton, {}, QPoint(2, 2));
        QTest::mouseClick(&dlg.m_linkProduct, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(prompt.urls.size(), 2);
        QCOMPARE(prompt.urls[0].toString(), dlg.m_linkMaker.text());
        QCOMPARE(prompt.urls[1].toString(), dlg.m_linkProduct.text());
        QVERIFY(dlg.m_linkMaker.IsVisited());
        QVERIFY(prompt.messages.isEmpty());

        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
