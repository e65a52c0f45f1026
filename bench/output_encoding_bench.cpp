// The command line's UTF-8 writing, as it writes tsv fields, against QStringEncoder
// writing the same fields (with the same scan for the characters tsv escapes), both
// into blocks written to /dev/null, in one invocation:
//
//   output_encoding_bench [phrases [rounds]]     default 1,000,000 phrases, 5 rounds
//
// on phrases of common words (ASCII) and on the same phrases in Greek letters. Prints
// each round and the median ratio per kind of text. Exits with 1 when the two do not
// write the same bytes.

#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QStringEncoder>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "bench_support.h"
#include "cli/output_stream.h"

using namespace lexiquill;

namespace {

// A block of the stream's size, filled by QStringEncoder; tsv's four characters are
// found first and written escaped, the runs between them encoded by Qt.
class QtEncoderStream {
public:
    explicit QtEncoderStream(int fd) : m_fd(fd), m_block(69632) {}

    void appendTsv(QStringView text)
    {
        // Three bytes for a unit at most, two for an escape.
        if (m_block.size() - m_size < static_cast<std::size_t>(text.size()) * 3) flush();
        char* to = m_block.data() + m_size;
        qsizetype runStart = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c != u'\t' && c != u'\n' && c != u'\r' && c != u'\\') continue;
            to = m_encoder.appendToBuffer(to, text.mid(runStart, i - runStart));
            *to++ = '\\';
            *to++ = c == u'\t' ? 't' : c == u'\n' ? 'n' : c == u'\r' ? 'r' : '\\';
            runStart = i + 1;
        }
        to = m_encoder.appendToBuffer(to, text.mid(runStart));
        m_size = static_cast<std::size_t>(to - m_block.data());
    }
    void append(char c)
    {
        if (m_size == m_block.size()) flush();
        m_block[m_size++] = c;
    }
    void flush()
    {
        if (::write(m_fd, m_block.data(), m_size) != static_cast<ssize_t>(m_size)) {
            bench::fail(QStringLiteral("write failed"));
        }
        m_size = 0;
    }

private:
    int m_fd;
    std::vector<char> m_block;
    std::size_t m_size = 0;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

QStringList phrases(int count, bool greek)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(bench::kPhraseWords) - 1);
    QStringList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString phrase = QString::fromLatin1(bench::kPhraseWords[pick(random)]) + u' ' +
                         QString::fromLatin1(bench::kPhraseWords[pick(random)]) + u' ' +
                         QString::fromLatin1(bench::kPhraseWords[pick(random)]);
        if (greek) {
            for (QChar& c : phrase) {
                if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - u'a' + 0x3B1);
            }
        }
        list.append(phrase);
    }
    return list;
}

// How long write takes, in nanoseconds.
template <class Write>
qint64 timed(Write&& write)
{
    QElapsedTimer timer;
    timer.start();
    write();
    return timer.nsecsElapsed();
}

// Every phrase, a tab, the phrase again, LF, as tsv.
void ours(const QStringList& list, int fd)
{
    cli::OutputStream out(fd);
    for (const QString& phrase : list) {
        out.appendText(phrase, cli::Escape::Tsv);
        out.append('\t');
        out.appendText(phrase, cli::Escape::Tsv);
        out.append('\n');
        out.flushWhenFull();
    }
    out.flush();
}

void qts(const QStringList& list, int fd)
{
    QtEncoderStream out(fd);
    for (const QString& phrase : list) {
        out.appendTsv(phrase);
        out.append('\t');
        out.appendTsv(phrase);
        out.append('\n');
    }
    out.flush();
}

QByteArray written(const QStringList& list, bool qt)
{
    char name[] = "/tmp/output_encoding_bench_XXXXXX";
    const int fd = mkstemp(name);
    unlink(name);
    if (qt) {
        qts(list, fd);
    } else {
        ours(list, fd);
    }
    QByteArray bytes(static_cast<qsizetype>(lseek(fd, 0, SEEK_END)), '\0');
    if (pread(fd, bytes.data(), static_cast<size_t>(bytes.size()), 0) != bytes.size()) bytes = {};
    close(fd);
    return bytes;
}

}  // namespace

int main(int argc, char* argv[])
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int null = open("/dev/null", O_WRONLY);
    for (const bool greek : {false, true}) {
        const QStringList list = phrases(count, greek);
        if (written(list, false) != written(list, true)) {
            bench::fail(QStringLiteral("the two wrote different bytes"));
            return 1;
        }
        std::vector<double> ratios;
        for (int round = 0; round < rounds; ++round) {
            const qint64 oursNs = timed([&] { ours(list, null); });
            const qint64 qtNs = timed([&] { qts(list, null); });
            ratios.push_back(static_cast<double>(oursNs) / static_cast<double>(qtNs));
            std::printf("%s, %d phrases: ours %.1f ms, QStringEncoder %.1f ms, ratio %.2f\n",
                        greek ? "Greek" : "ASCII", count, bench::milliseconds(oursNs),
                        bench::milliseconds(qtNs), ratios.back());
        }
        std::sort(ratios.begin(), ratios.end());
        std::printf("%s: median ratio %.2f (below 1: ours is faster)\n", greek ? "Greek" : "ASCII",
                    ratios[ratios.size() / 2]);
    }
    return 0;
}
