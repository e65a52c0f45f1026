#include "cli/result_writer.h"

#include <string>
#include <vector>

#include "cli/output_stream.h"
#include "generation/sentence.h"
#include "output/aligned_text.h"
#include "output/delimited_field.h"
#include "output/flashcard_file.h"
#include "output/study_list.h"

namespace lexiquill::cli {

namespace {

// phrase TAB result, both escaped, LF.
class TsvWriter final : public ResultWriter {
public:
    explicit TsvWriter(OutputStream& out) : m_out(out) {}
    void write(const QString& phrase, const QString& result) override
    {
        m_out.appendText(phrase, Escape::Tsv);
        m_out.append('\t');
        m_out.appendText(result, Escape::Tsv);
        m_out.append('\n');
        m_out.flushWhenFull();
    }
    void write(const QString& phrase, const QStringList& words) override
    {
        for (const QString& word : words) write(phrase, word);
    }

private:
    OutputStream& m_out;
};

// RFC 4180: a field holding a comma, a quote, CR or LF is quoted, its quotes doubled;
// CR LF after every record.
class CsvWriter final : public ResultWriter {
public:
    explicit CsvWriter(OutputStream& out) : m_out(out) {}
    void write(const QString& phrase, const QString& result) override
    {
        field(phrase);
        m_out.append(',');
        field(result);
        m_out.append("\r\n");
        m_out.flushWhenFull();
    }
    void write(const QString& phrase, const QStringList& words) override
    {
        for (const QString& word : words) write(phrase, word);
    }

private:
    void field(const QString& text)
    {
        output::appendDelimitedField(text, u',',
                                     [this](QStringView piece) { m_out.appendText(piece); });
    }

    OutputStream& m_out;
};

// JSON Lines: one object per phrase.
class JsonWriter final : public ResultWriter {
public:
    JsonWriter(OutputStream& out, ResultKind kind) : m_out(out), m_kind(kind) {}
    void write(const QString& phrase, const QString& result) override
    {
        begin(phrase);
        m_out.append(m_kind == ResultKind::Acronym ? "\"acronym\": " : "\"sentence\": ");
        string(result);
        end();
    }
    void write(const QString& phrase, const QStringList& words) override
    {
        begin(phrase);
        m_out.append("\"words\": [");
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (i > 0) m_out.append(", ");
            string(words[i]);
        }
        m_out.append(']');
        end();
    }

private:
    void begin(const QString& phrase)
    {
        m_out.append("{\"phrase\": ");
        string(phrase);
        m_out.append(", ");
    }
    void end()
    {
        m_out.append("}\n");
        m_out.flushWhenFull();
    }
    void string(const QString& text)
    {
        m_out.append('"');
        m_out.appendText(text, Escape::Json);
        m_out.append('"');
    }

    OutputStream& m_out;
    ResultKind m_kind;
};

// The bytes Save Results To Text File writes with every row ticked. The column widths
// take every row, so the rows wait until the last one is in: kept as UTF-8 one after
// another, with their lengths, which costs little more than the text itself.
class TextWriter final : public ResultWriter {
public:
    explicit TextWriter(OutputStream& out) : m_out(out) {}
    void write(const QString& phrase, const QString& result) override
    {
        keep(phrase, 0);
        keep(result, 1);
    }
    void write(const QString& phrase, const QStringList& words) override
    {
        for (const QString& word : words) write(phrase, word);
    }
    void finish() override
    {
        QString line;
        output::appendAlignedCell(line, output::kWordColumnHeader, m_widths[0]);
        output::appendAlignedCell(line, output::kResultColumnHeader, m_widths[1]);
        writeLine(line);
        std::size_t at = 0;
        for (std::size_t i = 0; i < m_lengths.size(); i += 2) {
            line.clear();
            for (std::size_t column = 0; column < 2; ++column) {
                const auto length = static_cast<qsizetype>(m_lengths[i + column]);
                output::appendAlignedCell(line, QString::fromUtf8(m_cells.data() + at, length),
                                          m_widths[column]);
                at += static_cast<std::size_t>(length);
            }
            writeLine(line);
        }
    }

private:
    void keep(const QString& cell, int column)
    {
        m_widths[column] = std::max(m_widths[column], cell.size());
        const QByteArray bytes = cell.toUtf8();
        m_cells.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        m_lengths.push_back(static_cast<std::size_t>(bytes.size()));
    }
    void writeLine(const QString& line)
    {
        m_out.appendText(line);
        m_out.append("\r\n");
        m_out.flushWhenFull();
    }

    OutputStream& m_out;
    qsizetype m_widths[2] = {output::kWordColumnHeader.size(), output::kResultColumnHeader.size()};
    std::string m_cells;
    std::vector<std::size_t> m_lengths;
};

// Notes for the flashcard program, one per phrase: the same bytes as the window's
// Save Ticked Rows as Flashcards, CR LF after every line. The list is named by its file,
// or by its first phrase (see output::listTitle).
class CardsWriter final : public ResultWriter, private output::CardSink {
public:
    CardsWriter(OutputStream& out, ResultKind kind, const QString& deck, const QString& listFile)
        : m_out(out),
          m_kind(kind == ResultKind::Acronym ? output::CardKind::Acronym
                                             : output::CardKind::Mnemonic),
          m_listFile(listFile),
          m_cards(deck, *this)
    {
    }
    void write(const QString& phrase, const QString& result) override
    {
        if (m_list.isNull()) m_list = output::listTitle(m_listFile, {phrase});
        m_cards.writePhrase(m_kind, m_list, phrase, result);
    }
    void write(const QString& phrase, const QStringList& words) override
    {
        write(phrase, generation::sentenceOf(words));
    }
    void writeList(const output::StudyList& list) override { m_cards.writeList(list); }
    void finish() override { m_cards.finish(); }

private:
    void writeLine(std::string_view line) override
    {
        m_out.append(line);
        m_out.append("\r\n");
        m_out.flushWhenFull();
    }

    OutputStream& m_out;
    output::CardKind m_kind;
    QString m_listFile;
    QString m_list;
    output::FlashcardWriter m_cards;
};

}  // namespace

void ResultWriter::writeList(const output::StudyList& list) { write(list.key, list.sentence); }

std::unique_ptr<ResultWriter> makeResultWriter(Format format, ResultKind kind, OutputStream& out,
                                               const QString& deck, const QString& listFile)
{
    switch (format) {
        case Format::Tsv:
            return std::make_unique<TsvWriter>(out);
        case Format::Csv:
            return std::make_unique<CsvWriter>(out);
        case Format::Json:
            return std::make_unique<JsonWriter>(out, kind);
        case Format::Cards:
            return std::make_unique<CardsWriter>(out, kind, deck, listFile);
        case Format::Text:
            break;
    }
    return std::make_unique<TextWriter>(out);
}

}  // namespace lexiquill::cli
