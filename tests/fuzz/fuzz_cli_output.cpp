// Writes arbitrary UTF-16 text (lone surrogates included) as the command line writes a
// tsv field and a JSON string, and reads both back: the tsv field holds no raw tab or
// line break and unescapes to the text, the JSON string parses back to it; both in
// UTF-8, with a lone surrogate as "?". The text repeats the input up to several times
// the stream's block, as a long line of control characters does.

#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "cli/output_stream.h"
#include "fuzz_check.h"

using lexiquill::cli::Escape;
using lexiquill::cli::OutputStream;

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
    const int repeats = 1 + (data[2] | data[3] << 8);
    data += 4;
    size -= 4;
    QString pattern(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(pattern.data(), data, size / 2 * 2);
    // At most 48,000 units: six bytes each when escaped, over four blocks.
    const QString text = pattern.repeated(
        std::min<qsizetype>(repeats, 48'000 / std::max<qsizetype>(pattern.size(), 1)));
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
        out.appendText(text, Escape::Tsv);
        out.append('\n');
        // Qt's JSON reader drops a byte-order mark at the start of a string.
        out.append('x');
        out.appendText(text, Escape::Json);
        out.flush();
    }
    const off_t length = lseek(fd, 0, SEEK_CUR);
    QByteArray written(static_cast<qsizetype>(length), '\0');
    check(pread(fd, written.data(), static_cast<size_t>(length), 0) == length);

    check(written.startsWith(QByteArray::fromStdString(filler) + '\n'));
    written.remove(0, static_cast<qsizetype>(filler.size()) + 1);
    const qsizetype cut = written.indexOf('\n');
    check(cut >= 0);
    const QByteArray tsv = written.left(cut);
    check(!tsv.contains('\t') && !tsv.contains('\r'));
    check(unescapeTsv(tsv) == utf8);

    QJsonParseError error{};
    const QJsonDocument json =
        QJsonDocument::fromJson("[\"" + written.mid(cut + 1) + "\"]", &error);
    check(error.error == QJsonParseError::NoError && json.array().size() == 1);
    check(json.array().at(0).toString().toUtf8() == "x" + utf8);
    return 0;
}
