#include "output/flashcard_file.h"

#include <QCryptographicHash>
#include <algorithm>
#include <utility>

namespace lexiquill::output {

namespace {

// 80 bits of the phrase's SHA-256: no two phrases of any list share them.
constexpr int kGuidBytes = 10;

void appendField(QString& line, const QString& text)
{
    const bool quoted = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == u'\t' || c == u'\r' || c == u'\n' || c == u'"';
    });
    if (!quoted) {
        line += text;
        return;
    }
    line += u'"';
    line += QString(text).replace(QLatin1Char('"'), QLatin1String("\"\""));
    line += u'"';
}

}  // namespace

bool isDeckName(const QString& name)
{
    return !name.isEmpty() && std::none_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control;
    });
}

FlashcardWriter::FlashcardWriter(const QString& deck, LineSink sink) : m_sink(std::move(sink))
{
    for (const QString& line :
         {QStringLiteral("#separator:tab"), QStringLiteral("#html:false"),
          QStringLiteral("#notetype:Basic"), QStringLiteral("#deck:") + deck,
          QStringLiteral("#guid column:1"), QStringLiteral("#tags column:4")}) {
        m_sink(line);
    }
}

void FlashcardWriter::write(const QString& phrase, const QString& result)
{
    const QByteArray digest =
        QCryptographicHash::hash(phrase.toUtf8(), QCryptographicHash::Sha256).left(kGuidBytes);
    if (m_written.contains(digest)) return;
    m_written.insert(digest);
    // The GUID comes first: a line starting with "#" would be a comment to the
    // importer, and a GUID never does, whatever the phrase.
    QString line = QStringLiteral("lexiquill-") + QString::fromLatin1(digest.toHex());
    line += u'\t';
    appendField(line, phrase);
    line += u'\t';
    appendField(line, result);
    line += QStringLiteral("\tlexiquill");
    m_sink(line);
}

}  // namespace lexiquill::output
