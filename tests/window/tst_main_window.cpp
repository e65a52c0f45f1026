#include <QGroupBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

using namespace lexiquill;
using test::TestWindow;

namespace {
QRect twips(int left, int top, int width, int height)
{
    const auto px = [](int t) { return qRound(t / 15.0); };
    return {px(left), px(top), px(width), px(height)};
}
}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void controlsStandWhereDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<qreal>("pointSize");
        QTest::newRow("ListView1") << "ListView1"
                                   << "" << twips(120, 120, 7800, 2295) << 9.0;
        QTest::newRow("PushButton6") << "PushButton6"
                                     << "Add Word(s)" << twips(120, 2520, 3840, 400) << 11.25;
        QTest::newRow("PushButton3")
            << "PushButton3"
            << "Load Word(s) From File" << twips(4080, 2520, 3840, 405) << 11.25;
        QTest::newRow("PushButton1") << "PushButton1"
                                     << "Clear List" << twips(120, 3030, 3840, 405) << 11.25;
        QTest::newRow("PushButton7")
            << "PushButton7"
            << "Load Sample/Example Words" << twips(4080, 3030, 3840, 405) << 11.25;
        QTest::newRow("Frame1") << "Frame1"
                                << "Option" << twips(120, 3510, 7800, 700) << 9.0;
        QTest::newRow("Option1") << "Option1"
                                 << "Acronym" << twips(240, 300, 1185, 240) << 9.0;
        QTest::newRow("Option2") << "Option2"
                                 << "Mnemonic " << twips(1680, 300, 1185, 240) << 9.0;
        QTest::newRow("PushButton2") << "PushButton2"
                                     << "Start Generating" << twips(120, 4335, 7800, 405) << 11.25;
        QTest::newRow("ListView2") << "ListView2"
                                   << "" << twips(120, 4830, 7800, 2295) << 9.0;
        QTest::newRow("PushButton8")
            << "PushButton8"
            << "Save Results To Text File" << twips(120, 7220, 3840, 405) << 11.25;
        QTest::newRow("PushButton12")
            << "PushButton12"
            << "Save Results As Excel File" << twips(4080, 7220, 3840, 405) << 11.25;
        QTest::newRow("PushButton4")
            << "PushButton4"
            << "Copy Results To Clipboard" << twips(120, 7730, 3840, 405) << 11.25;
        QTest::newRow("PushButton5") << "PushButton5"
                                     << "Clear List" << twips(4080, 7730, 3840, 405) << 11.25;
        QTest::newRow("ProgressBar1") << "ProgressBar1"
                                      << "Progress Bar" << twips(120, 8250, 7800, 405) << 9.0;
    }

    void controlsStandWhereDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        QFETCH(qreal, pointSize);
        TestWindow t;
        auto* control = t.window->findChild<QWidget*>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        // The font drawn, not the one asked for: Arial, or Liberation Sans, which has
        // Arial's metrics and stands in for it on Debian.
        const QFontInfo used = control->fontInfo();
        QVERIFY2(QStringList({"Arial", "Liberation Sans"}).contains(used.family()),
                 qPrintable(used.family()));
        QCOMPARE(used.pointSizeF(), pointSize);
        QVERIFY(used.bold());
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            QCOMPARE(button->text(), caption);
        } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            QCOMPARE(frame->title(), caption);
        } else if (auto* bar = qobject_cast<QProgressBar*>(control)) {
            QCOMPARE(bar->text(), caption);
            QCOMPARE(bar->value(), 0);
        }
    }

    void windowStartsAsDesigned()
    {
        TestWindow t;
        QWidget& w = *t.window;
        QCOMPARE(w.size(), QSize(536, 586));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowTitle(), QStringLiteral("Lexiquill"));
        QVERIFY(!w.windowIcon().isNull());
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(t.dialogs->title, QStringLiteral("Lexiquill"));
        QVERIFY(t.dialogs->errorReports.isEmpty());
        QVERIFY(w.findChild<QRadioButton*>("Option1")->isChecked());
        QVERIFY(!w.findChild<QRadioButton*>("Option2")->isChecked());
        QCOMPARE(t.context().pointer(), command::Pointer::Default);
        QVERIFY(!t.context().isGenerating());
        QCOMPARE(w.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(w.findChild<QWidget*>("Frame1")->palette().color(QPalette::Window),
                 QColor(Qt::white));
        QCOMPARE(t.button("PushButton2")->palette().color(QPalette::Button), QColor(Qt::white));
    }

    void listsStartWithTheirColumns()
    {
        TestWindow t;
        auto& words = t.context().wordList();
        auto& results = t.context().resultTable();
        QCOMPARE(words.rowCount(), 0);
        QCOMPARE(results.rowCount(), 0);
        QCOMPARE(words.columnCount(), 1);
        QCOMPARE(words.header(1), QStringLiteral(" Word(s)"));
        QCOMPARE(results.columnCount(), 2);
        QCOMPARE(results.header(1), QStringLiteral(" Word(s)"));
        QCOMPARE(results.header(2), QStringLiteral("Result"));
        auto* list1 = t.window->findChild<widgets::ListControl*>("ListView1");
        auto* list2 = t.window->findChild<widgets::ListControl*>("ListView2");
        QCOMPARE(list1->horizontalHeader()->sectionSize(0), 467);
        QCOMPARE(list2->horizontalHeader()->sectionSize(0), 233);
        QCOMPARE(list2->horizontalHeader()->sectionSize(1), 233);
        QVERIFY(list1->toolTip().startsWith(
            "Drag and drop files here. Double-click item to remove it."));
        QCOMPARE(list2->toolTip(),
                 QStringLiteral("Move | line to right and out of window to reveal full names."));
    }

    void focusStartsOnTheWordListAndTabFollowsTheDesign()
    {
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowActive(t.window.get()));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("ListView1"));
        const QStringList expected{"ListView2",   "Option1",     "PushButton6",  "PushButton3",
                                   "PushButton1", "PushButton2", "PushButton8",  "PushButton4",
                                   "PushButton5", "PushButton7", "PushButton12", "ListView1"};
        QStringList visited;
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(visited, expected);
    }

    void userTicksRowsWithMouseOrSpace()
    {
        TestWindow t;
        t.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
        auto& results = t.context().resultTable();
        results.append("first");
        results.append("second");
        auto* list2 = t.window->findChild<widgets::ListControl*>("ListView2");
        list2->rows().publishRows();
        QVERIFY(!results.checked(1) && !results.checked(2));

        QStyleOptionViewItem option;
        option.initFrom(list2);
        option.rect = list2->visualRect(list2->model()->index(0, 0));
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        const QRect box =
            list2->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list2);
        QTest::mouseClick(list2->viewport(), Qt::LeftButton, {}, box.center());
        QVERIFY(results.checked(1));

        list2->setFocus();
        for (int column : {0, 1}) {  // Space ticks the current row from either of its cells
            list2->setCurrentIndex(list2->model()->index(1, column));
            QTest::keyClick(list2, Qt::Key_Space);
            QVERIFY(results.checked(2));
            QTest::keyClick(list2, Qt::Key_Space);
            QVERIFY(!results.checked(2));
        }
    }

    void failingTitleCostsOnlyItsStep()
    {
        // The third action of step 126 fails; the columns are still set up.
        platform::Platform p;
        auto dialogs = std::make_unique<test::FakeDialogs>();
        dialogs->faults.failAt("dialogs.setApplicationTitle", 1);
        auto* fake = dialogs.get();
        p.dialogs = std::move(dialogs);
        p.pump = std::make_unique<test::ScriptedPump>();
        p.skinEngine = std::make_unique<test::FakeSkinEngine>();
        window::MainWindow w(std::move(p));
        QCOMPARE(fake->errorReports,
                 QStringList{test::reportFor("Injected failure of dialogs.setApplicationTitle",
                                             "Form_Load", 126)});
        QCOMPARE(w.windowTitle(), QStringLiteral("Lexiquill"));
        QCOMPARE(w.context().resultTable().columnCount(), 2);
    }

    void closingDuringARunEndsItAtOnce()
    {
        TestWindow t;
        t.window->show();
        for (int i = 0; i < 10; ++i)
            t.context().wordList().append(QStringLiteral("phrase %1").arg(i));
        t.pump->onYield = [&](int yield) {
            if (yield == 3) t.window->close();
        };
        t.click("PushButton2");
        // Two yields of the close request on top of the run's third.
        QCOMPARE(t.pump->yields, 5);
        QVERIFY(t.pump->quitRequested);
        QVERIFY(!t.window->isVisible());
        QCOMPARE(t.context().resultTable().rowCount(), 2);
        QVERIFY(t.dialogs->messages.isEmpty());
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }

    void closingWhenIdleYieldsTwiceAndEnds()
    {
        TestWindow t;
        t.window->show();
        t.window->close();
        QCOMPARE(t.pump->yields, 2);
        QVERIFY(t.pump->quitRequested);
        QVERIFY(t.dialogs->errorReports.isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
