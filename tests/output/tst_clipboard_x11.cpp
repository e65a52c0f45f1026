// The clipboard copy on a real X server, read back by another program (xclip) while
// this one runs: Xvfb has no clipboard manager, so the text lives only as long as
// the program that placed it answers for it.

#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "adapters/qt_clipboard.h"
#include "adapters/qt_dialogs.h"
#include "export_helpers.h"
#include "window/main_window.h"

using namespace lexiquill;

namespace {

// Runs xclip while this program keeps answering the X server, and hands back what
// it printed.
QByteArray xclip(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral("xclip"), arguments);
    if (!process.waitForStarted(5000)) return "<xclip did not start>";
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(5);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return "<xclip timed out>";
    }
    return process.readAllStandardOutput();
}

QByteArray clipboardBytes() { return xclip({"-o", "-selection", "clipboard"}); }

// The real window over the real clipboard; messages are recorded, not shown.
struct RealClipboardWindow {
    RealClipboardWindow()
    {
        platform::Platform p = test::realLoopPlatform(dialogs);
        p.textFiles = std::make_unique<adapters::SaveFileWriter>(*p.pump);
        p.clipboard = std::make_unique<adapters::QtClipboard>();
        window = std::make_unique<window::MainWindow>(std::move(p));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void addResults(const QStringList& rows, const QList<bool>& ticked)
    {
        command::CommandContext& ctx = window->context();
        auto& list = *window->findChild<widgets::ListControl*>(QStringLiteral("ListView2"));
        for (const QString& row : rows) {
            const int r = ctx.resultTable().append(row.section(QLatin1Char('|'), 0, 0));
            ctx.resultTable().setSubText(r, 2, row.section(QLatin1Char('|'), 1));
        }
        list.rows().publishRows();
        for (qsizetype i = 0; i < ticked.size(); ++i) {
            if (ticked[i])
                list.model()->setData(list.model()->index(int(i), 0), Qt::Checked,
                                      Qt::CheckStateRole);
        }
    }

    void copy()
    {
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("PushButton4")),
                          Qt::LeftButton);
    }

    test::FakeDialogs* dialogs = nullptr;
    std::unique_ptr<window::MainWindow> window;
};

}  // namespace

class TestClipboardX11 : public QObject {
    Q_OBJECT

private slots:
    void xclipReadsTheCopiedBytes_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<bool>>("ticked");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two ticked rows")
            << QStringList{"portable network graphics|P.N.G.", "radar|R.", "x-ray|X."}
            << QList<bool>{true, false, true}
            << QByteArray("portable network graphics\tP.N.G.\r\nx-ray                    \tX.\r\n");
        QTest::newRow("non-ASCII as UTF-8") << QStringList{QString::fromUtf8("Zürich straße|Z.S."),
                                                           QString::fromUtf8("😀 smile|😀.S.")}
                                            << QList<bool>{true, true}
                                            << QByteArray(
                                                   "Z\xC3\xBCrich stra\xC3\x9F"
                                                   "e\tZ.S.\r\n\xF0\x9F\x98\x80 smile     \t"
                                                   "\xF0\x9F\x98\x80.S.\r\n");
        QTest::newRow("no ticked row empties the clipboard")
            << QStringList{"a|A."} << QList<bool>{false} << QByteArray("");
    }

    void xclipReadsTheCopiedBytes()
    {
        QFETCH(QStringList, rows);
        QFETCH(QList<bool>, ticked);
        QFETCH(QByteArray, bytes);
        // xclip's parent returns before its child has taken the clipboard.
        xclip({"-i", "-selection", "clipboard"}, "held by another program");
        QTRY_COMPARE_WITH_TIMEOUT(clipboardBytes(), QByteArray("held by another program"), 5000);
        RealClipboardWindow w;
        w.addResults(rows, ticked);
        w.copy();
        QCOMPARE(w.dialogs->errorReports, QStringList{});
        QCOMPARE(w.dialogs->messages.size(), 1);
        QCOMPARE(clipboardBytes(), bytes);
    }

    void anEmptyListLeavesAnotherProgramsText()
    {
        xclip({"-i", "-selection", "clipboard"}, "held by another program");
        QTRY_COMPARE_WITH_TIMEOUT(clipboardBytes(), QByteArray("held by another program"), 5000);
        RealClipboardWindow w;
        w.copy();
        QCOMPARE(clipboardBytes(), QByteArray("held by another program"));
        QCOMPARE(w.dialogs->messages.size(), 1);
    }

    void aLargeCopyArrivesWhole()
    {
        RealClipboardWindow w;
        QStringList rows;
        QByteArray expected;
        for (int i = 0; i < 20000; ++i) {
            rows.append(QStringLiteral("phrase number %1|P.N.").arg(i, 5, 10, QLatin1Char('0')));
            expected += QStringLiteral("phrase number %1\tP.N.\r\n")
                            .arg(i, 5, 10, QLatin1Char('0'))
                            .toUtf8();
        }
        w.addResults(rows, QList<bool>(rows.size(), true));
        w.copy();
        QCOMPARE(w.dialogs->errorReports, QStringList{});
        const QByteArray got = clipboardBytes();
        QCOMPARE(got.size(), expected.size());
        QVERIFY(got == expected);
    }
};

QTEST_MAIN(TestClipboardX11)
#include "tst_clipboard_x11.moc"
