#include <QFile>
#include <QLocale>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "output/study_list.h"
#include "output/study_sheet.h"

using lexiquill::output::StudyList;

namespace {

// What a poppler tool says of the file.
QString poppler(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

}  // namespace

class TestStudySheet : public QObject {
    Q_OBJECT

private slots:
    void sheet_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("items");  // more than the Great Lakes: numbered lakes
        QTest::addColumn<QString>("paper");
        QTest::addColumn<int>("pages");
        QTest::newRow("German: A4, one page") << "de_DE" << 5 << "A4" << 1;
        QTest::newRow("British English uses A4 too") << "en_GB" << 5 << "A4" << 1;
        QTest::newRow("US English: Letter") << "en_US" << 5 << "Letter" << 1;
        QTest::newRow("Canadian French: Letter, by the territory") << "fr_CA" << 5 << "Letter" << 1;
        QTest::newRow("a list longer than a page goes on to the next")
            << "de_DE" << 60 << "A4" << 2;
    }

    void sheet()
    {
        QFETCH(QString, locale);
        QFETCH(int, items);
        QFETCH(QString, paper);
        QFETCH(int, pages);
        StudyList list{"Great Lakes", "HOMES", "Happy Owls Munch Eggs Slowly.", {}};
        const QStringList lakes{"Huron", "Ontario", "Michigan", "Erie", "Superior"};
        const QStringList words{"Happy", "Owls", "Munch", "Eggs", "Slowly"};
        for (int i = 0; i < items; ++i) {
            const QString number = i < 5 ? QString() : QStringLiteral(" %1").arg(i);
            list.items.append({lakes[i % 5] + number, lakes[i % 5].left(1), words[i % 5]});
        }
        QTemporaryDir dir;
        QFile file(dir.filePath("sheet.pdf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        lexiquill::output::writeStudySheet(file, list,
                                           lexiquill::output::studySheetPaper(QLocale(locale)));
        file.close();
        const QString info = poppler("pdfinfo", {file.fileName()});
        QVERIFY2(info.contains(QRegularExpression("Page size: .*\\(" + paper + "\\)",
                                                  QRegularExpression::CaseInsensitiveOption)),
                 qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages: +%1\\n").arg(pages))),
                 qPrintable(info));
        const QString text = poppler("pdftotext", {file.fileName(), "-"});
        QCOMPARE(text.split(QRegularExpression("[\\n\\f]+"), Qt::SkipEmptyParts).first(8),
                 (QStringList{"Great Lakes", "HOMES", "Happy Owls Munch Eggs Slowly.",
                              "Huron \u2013 Happy", "Ontario \u2013 Owls", "Michigan \u2013 Munch",
                              "Erie \u2013 Eggs", "Superior \u2013 Slowly"}));
        QCOMPARE(text.count(u'\u2013'), items);
        QVERIFY(poppler("pdffonts", {file.fileName()}).contains("Bold"));
    }
};

QTEST_MAIN(TestStudySheet)
#include "tst_study_sheet.moc"
