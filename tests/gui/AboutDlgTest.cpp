// Help > About Sundrel: the dialog from the window, and its links' look, colours and clicks.

#include "gui/about/AboutDlg.h"
#include "gui/about/ManualWindow.h"
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
        QStringList links;
        bool looks = true; // underlined, a pointing hand, wide enough for the whole address
        sundrel::test::WhenModal<CAboutDlg>([&](CAboutDlg* dlg) {
            for (CLinkStatic* link : {&dlg->m_linkProduct, &dlg->m_linkMaker}) {
                links << link->text();
                looks = looks && link->font().underline() &&
                        link->cursor().shape() == Qt::PointingHandCursor &&
                        link->width() >= link->sizeHint().width();
            }
            dlg->accept();
        });
        w.dlg.Command(sundrel::gui::ids::kCmdAbout)->trigger();
        QCOMPARE(links.size(), 2);
        // Where an installed copy keeps them, wherever this copy runs from.
        QCOMPARE(links[0],
                 QUrl::fromLocalFile(QStringLiteral(SUNDREL_MANUAL_INSTALLED)).toString());
        QCOMPARE(links[1], QUrl::fromLocalFile(QStringLiteral(SUNDREL_HOME_INSTALLED)).toString());
        QVERIFY(links[0].endsWith(QStringLiteral("/doc/sundrel/manual.md")));
        const QString source = QUrl::fromLocalFile(QStringLiteral(SUNDREL_MANUAL_BUILT))
                                   .adjusted(QUrl::RemoveFilename)
                                   .toString();
        for (const QString& link : links) {
            QVERIFY(link.startsWith(QStringLiteral("file:///")));
            QVERIFY2(!link.startsWith(source), qPrintable(link)); // nothing in the source tree
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

    void theManualOpenedFromTheBoxOutlivesIt() {
        sundrel::test::Window w;
        w.prompt.openUrlResult = false; // the program's own manual window
        bool closed = false;
        sundrel::test::WhenModal<CAboutDlg>([&closed](CAboutDlg* dlg) {
            QTest::mouseClick(&dlg->m_linkProduct, Qt::LeftButton, {}, QPoint(2, 2));
            closed = !dlg->isVisible();
            if (!closed) {
                dlg->reject();
            }
        });
        w.dlg.Command(sundrel::gui::ids::kCmdAbout)->trigger();
        QVERIFY(closed);
        const QList<CManualWindow*> manuals = w.dlg.findChildren<CManualWindow*>();
        QCOMPARE(manuals.size(), 1);
        QVERIFY(manuals[0]->isVisible());
        QVERIFY(!manuals[0]->isModal());
    }

    void clicksOpenTheFolderAndTheManualAsHelpManualDoes() {
        ScriptedPrompt prompt;
        prompt.openUrlResult = false; // nothing opens them: not reported, still visited
        CAboutDlg dlg(prompt);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::mouseClick(&dlg.m_linkMaker, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseClick(&dlg.m_linkProduct, Qt::RightButton, {}, QPoint(2, 2));
        QCOMPARE(prompt.urls.size(), 1);
        QCOMPARE(prompt.urls[0].toString(), dlg.m_linkMaker.text());
        QVERIFY(dlg.m_linkMaker.IsVisited());
        // The manual: the copy there is (installed, or the source's), in the program's own
        // window when the desktop cannot open it.
        QTest::mouseClick(&dlg.m_linkProduct, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(prompt.urls.size(), 2);
        QCOMPARE(prompt.urls[1].toLocalFile(), sundrel::gui::ManualPath());
        QVERIFY(dlg.m_linkProduct.IsVisited());
        QCOMPARE(dlg.findChildren<CManualWindow*>().size(), 1);
        QVERIFY(prompt.messages.isEmpty());
    }
};

QTEST_MAIN(AboutDlgTest)
#include "AboutDlgTest.moc"
