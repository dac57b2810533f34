// Help > About Sundrel: the dialog from the window, and its links' look, colours and clicks.

#include "gui/about/AboutDlg.h"
#include "support/Window.h"

#include <QAction>
#include <QEnterEvent>
#include <QImage>

using sundrel::test::ScriptedPrompt;

namespace {

const QColor kLink(0, 0, 255);
const QColor kHover(255, 0, 0);
const QColor kVisited(5, 34, 143);

// True when the link is set to draw in `colour` and its pixels on screen show it.
bool Shows(CLinkStatic& link, const QColor& colour) {
    if (link.palette().color(QPalette::WindowText) != colour) {
        return false;
    }
    const QImage image = link.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

void Hover(QWidget& widget, bool over) {
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget.mapToGlobal(QPointF(1, 1)));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&widget, over ? static_cast<QEvent*>(&enter) : &leave);
}

} // namespace

class AboutDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void opensFromTheWindowWithUnderlinedHandsThatShowTheirWholeAddress() {
        sundrel::test::Window w;
        QString title;
        QStringList links;
        bool looks = true; // underlined, a pointing hand, wide enough for the whole address
        sundrel::test::WhenModal<CAboutDlg>([&](CAboutDlg* dlg) {
            title = dlg->windowTitle();
            for (CLinkStatic* link : {&dlg->m_linkProduct, &dlg->m_linkMaker}) {
                links << link->text();
                looks = looks && link->font().underline() &&
                        link->cursor().shape() == Qt::PointingHandCursor &&
                        link->width() >= link->sizeHint().width();
            }
            dlg->accept();
        });
        w.dlg.Command(sundrel::gui::ids::kCmdAbout)->trigger();
        QCOMPARE(title, QStringLiteral("About Sundrel"));
        QCOMPARE(links.size(), 2);
        QVERIFY(links[0].endsWith(QStringLiteral("/Manual.txt")));
        for (const QString& link : links) {
            QVERIFY(link.startsWith(QStringLiteral("file:///")));
        }
        QVERIFY(looks);
    }

    void colourFollowsHoverUntilVisited() {
        ScriptedPrompt prompt;
        CAboutDlg dlg(prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        CLinkStatic& link = dlg.m_linkProduct;
        QVERIFY(Shows(link, kLink));
        Hover(link, true);
        QVERIFY(Shows(link, kHover));
        Hover(link, false);
        QVERIFY(Shows(link, kLink));

        // Visited wins over hover, and stays after the mouse leaves and comes back.
        Hover(link, true);
        QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
        QVERIFY(Shows(link, kVisited));
        Hover(link, false);
        Hover(link, true);
        QVERIFY(Shows(link, kVisited));
        QVERIFY(Shows(dlg.m_linkMaker, kLink));
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
    }
};

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
