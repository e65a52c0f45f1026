// Cards against tsv, and the study sheet against the text export, as a shell runs them:
//
//   cards_bench LEXIQUILL [runs]        default 3 runs
//
// - lexiquill --acronyms --format cards and --format tsv over the same 100,000 and
//   1,000,000 distinct phrases from a file, taking turns: median time and CPU time, the
//   ratio, and the peak memory of each; and the peak memory of both over 4,000,000;
// - a study sheet of one list of 100,000 items (this program again, writing the PDF)
//   beside lexiquill --format text over the same items: time and peak memory.
// Each figure is a line. Exits with 1 when an output is not what it should be.

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QTemporaryDir>
#include <cstdio>
#include <iterator>
#include <string>

#include "bench_support.h"
#include "output/study_list.h"
#include "output/study_sheet.h"

using namespace lexiquill::bench;

namespace {

// Words of kPhraseWords and a number: every phrase distinct, the worst case for the
// cards' memory.
QByteArray phrases(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i) {
        out += kPhraseWords[i % std::size(kPhraseWords)];
        out += ' ';
        out += kPhraseWords[(i / 7) % std::size(kPhraseWords)];
        out += ' ' + QByteArray::number(i) + '\n';
    }
    return out;
}

// The child that writes a sheet of n items to path.
int writeSheet(int argc, char* argv[])
{
    useOffscreenUnlessSet();
    QGuiApplication app(argc, argv);
    lexiquill::output::StudyList list{QStringLiteral("A long list"), {}, {}, {}};
    const int n = QByteArray(argv[2]).toInt();
    for (int i = 0; i < n; ++i) {
        const QString word = QString::fromLatin1(kPhraseWords[i % std::size(kPhraseWords)]);
        list.items.append({word + QLatin1Char(' ') + QString::number(i), word.left(1).toUpper(),
                           word.left(1).toUpper() + word.mid(1)});
        list.key += word.left(1).toUpper();
        list.sentence += (i > 0 ? QStringLiteral(" ") : QString()) + list.items.last().word;
    }
    QFile file(QString::fromLocal8Bit(argv[3]));
    if (!file.open(QIODevice::WriteOnly)) return 1;
    lexiquill::output::writeStudySheet(file, list, QPageSize(QPageSize::A4));
    return file.error() == QFile::NoError ? 0 : 1;
}

int openForWriting(const QString& path)
{
    return open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

// Runs argv with its output into path; false when it failed.
Child runInto(const std::vector<std::string>& argv, const QString& path)
{
    const int out = openForWriting(path);
    const Child child = spawn(argv, -1, out);
    close(out);
    return child;
}

qsizetype lineCount(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : -1;
}

bool cardsAgainstTsv(const std::string& lexiquill, const QTemporaryDir& dir, int n, int runs)
{
    const QString input = dir.filePath(QStringLiteral("phrases-%1.txt").arg(n));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(phrases(n)) < 0) return false;
    file.close();
    std::vector<double> wall[2], cpu[2], peak[2];
    const char* formats[] = {"tsv", "cards"};
    bool ok = true;
    for (int run = 0; run < runs; ++run) {
        for (int f = 0; f < 2; ++f) {
            const QString out = dir.filePath(QStringLiteral("out.%1").arg(formats[f]));
            const Child child = runInto(
                {lexiquill, "--acronyms", "--quiet", "--format", formats[f], input.toStdString()},
                out);
            // The cards file has five header lines, then a note a phrase.
            ok = ok && child.ok && lineCount(out) == n + (f == 1 ? 5 : 0);
            wall[f].push_back(child.wallMs);
            cpu[f].push_back(child.cpuMs);
            peak[f].push_back(child.peakMiB);
        }
    }
    for (int f = 0; f < 2; ++f) {
        std::printf("%d phrases, --format %s: %.0f ms (CPU %.0f ms), peak %.1f MiB\n", n,
                    formats[f], median(wall[f]), median(cpu[f]), median(peak[f]));
    }
    std::printf("%d phrases, cards / tsv: time %.2f, CPU time %.2f\n", n,
                median(wall[1]) / median(wall[0]), median(cpu[1]) / median(cpu[0]));
    if (!ok) fail(QStringLiteral("an output of %1 phrases is not a line a phrase").arg(n));
    return ok;
}

bool sheetAgainstText(const std::string& self, const std::string& lexiquill,
                      const QTemporaryDir& dir)
{
    constexpr int kItems = 100000;
    const QString input = dir.filePath(QStringLiteral("items.txt"));
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(phrases(kItems)) < 0) return false;
    file.close();
    const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
    const Child sheet = spawn({self, "--sheet", std::to_string(kItems), pdf.toStdString()}, -1, -1);
    const Child text =
        runInto({lexiquill, "--acronyms", "--quiet", "--format", "text", input.toStdString()},
                dir.filePath(QStringLiteral("out.text")));
    std::printf("%d list items to a sheet: %.0f ms, peak %.1f MiB, %lld KiB of PDF\n", kItems,
                sheet.wallMs, sheet.peakMiB, static_cast<long long>(QFile(pdf).size() / 1024));
    std::printf("%d items, --format text: %.0f ms, peak %.1f MiB\n", kItems, text.wallMs,
                text.peakMiB);
    return sheet.ok && text.ok;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "--sheet") return writeSheet(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cards_bench LEXIQUILL [runs]\n");
        return 2;
    }
    const std::string lexiquill = argv[1];
    const int runs = argc > 2 ? std::max(1, QByteArray(argv[2]).toInt()) : 3;
    QTemporaryDir dir;
    bool ok = cardsAgainstTsv(lexiquill, dir, 100000, runs) &&
              cardsAgainstTsv(lexiquill, dir, 1000000, runs) &&
              cardsAgainstTsv(lexiquill, dir, 4000000, 1);
    ok = sheetAgainstText(argv[0], lexiquill, dir) && ok;
    return ok ? 0 : 1;
}
