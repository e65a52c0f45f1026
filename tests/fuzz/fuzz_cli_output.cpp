// Writes arbitrary UTF-16 text (lone surrogates included) as the command line writes a
// tsv row and a JSON line, and reads both back: the tsv fields hold no raw tab or line
// break and unescape to the text, the JSON object parses back to it; both in UTF-8,
// with a lone surrogate as "?". Half the inputs are repeated into fields several times
// the stream's block, as a long line of control characters gives.

#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdint>
#include <cstring>
#include <string>

#include "cli/output_stream.h"
#include "cli/result_writer.h"
#include "fuzz_check.h"

using namespace lexiquill::cli;

namespace {

QByteArray unescapeTsv(const QByteArray& field)
{
    QByteArray text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        check(i + 1 < field.size());
        const char c = field[++i];
        check(c == 't' || c == 'n' || c == 'r' || c == '\\');
        text += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : '\\';
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4) return 0;
    // Filler that leaves the text a little room or none at the end of the stream's
    // block (64 KiB and 4 KiB to spare), so that the room it asks for is tested.
    const std::string filler(69632 - (data[0] | data[1] << 8) % 8192, 'f');
    // 11,000 to 49,250 units: 66 to 295 KB when every one is escaped in six bytes.
    const bool longField = (data[2] & 1) != 0;
    const qsizetype longLength = 11'000 + data[3] * 150;
    data += 4;
    size -= 4;
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    if (longField && !text.isEmpty()) {
        text = text.repeated(longLength / text.size() + 1).left(longLength);
    }
    QString expected = text;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const bool pair = i + 1 < expected.size() && expected[i].isHighSurrogate() &&
                          expected[i + 1].isLowSurrogate();
        if (pair) {
            ++i;
        } else if (expected[i].isSurrogate()) {
            expected[i] = QLatin1Char('?');
        }
    }
    const QByteArray utf8 = expected.toUtf8();

    static const int fd = memfd_create("output", 0);
    check(fd >= 0 && ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0);
    {
        OutputStream out(fd);
        out.append(filler);
        out.append('\n');
        makeResultWriter(Format::Tsv, ResultKind::Acronym, out, {}, {})->write(text, text);
        makeResultWriter(Format::Json, ResultKind::Acronym, out, {}, {})->write(text, text);
        out.flush();
    }
    const off_t length = lseek(fd, 0, SEEK_CUR);
    QByteArray written(static_cast<qsizetype>(length), '\0');
    check(pread(fd, written.data(), static_cast<size_t>(length), 0) == length);

    check(written.startsWith(QByteArray::fromStdString(filler) + '\n'));
    const QList<QByteArray> lines =
        written.mid(static_cast<qsizetype>(filler.size()) + 1).split('\n');
    check(lines.size() == 3 && lines[2].isEmpty());
    const QList<QByteArray> tsv = lines[0].split('\t');
    check(tsv.size() == 2 && !lines[0].contains('\r'));
    check(unescapeTsv(tsv[0]) == utf8 && unescapeTsv(tsv[1]) == utf8);

    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(lines[1], &error).object();
    check(error.error == QJsonParseError::NoError);
    // Qt's JSON reader drops a byte-order mark at the start of a string, unless an escape
    // follows somewhere in it.
    const auto readBack = [&](const QString& read) {
        return read == expected || (expected.startsWith(QChar(0xFEFF)) && read == expected.mid(1));
    };
    check(readBack(json.value("phrase").toString()) && readBack(json.value("acronym").toString()));
    return 0;
}
