#include "output/study_sheet.h"

#include <QFont>
#include <QFontMetricsF>
#include <QIODevice>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <algorithm>

#include "output/study_list.h"
#include "platform/platform_error.h"

namespace lexiquill::output {

namespace {

constexpr qreal kMarginMm = 18;
constexpr qreal kTitlePoints = 20;
constexpr qreal kKeyPoints = 40;
constexpr qreal kTextPoints = 13;
constexpr qreal kItemPoints = 12;
// The longest piece of a paragraph laid out at once.
constexpr qsizetype kLongestPiece = 1000;
// The space after the title, the key and the sentence, in lines of their font.
constexpr qreal kGapLines = 0.6;

// The territories whose paper is US Letter (those whose C library locales say so).
constexpr QLocale::Territory kLetterTerritories[] = {
    QLocale::UnitedStates, QLocale::Canada,    QLocale::Mexico,   QLocale::Philippines,
    QLocale::Bolivia,      QLocale::Chile,     QLocale::Colombia, QLocale::CostaRica,
    QLocale::Guatemala,    QLocale::Nicaragua, QLocale::Panama,   QLocale::PuertoRico,
    QLocale::ElSalvador,   QLocale::Venezuela,
};

// The font of the sheet's text at a size. Shaped, text in Latin letters gets ligatures
// ("ffi" as one glyph), and text copied or searched in a PDF viewer is then not the
// letters of the words.
QFont sheetFont(qreal points)
{
    QFont font;
    font.setPointSizeF(points);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QTextLayout::FormatRange boldRange(qsizetype start, qsizetype length)
{
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    return {int(start), int(length), bold};
}

// Text on the pages one paragraph under the other, going on to a new page where the
// page is full.
class Pages {
public:
    Pages(QPdfWriter& writer, QPainter& painter)
        : m_writer(writer),
          m_painter(painter),
          m_page(writer.pageLayout().paintRectPixels(writer.resolution()))
    {
        m_page.moveTo(0, 0);
    }

    // One paragraph, wrapped to the page's width; the characters of bold in bold.
    void paragraph(const QString& text, qreal points, bool allBold,
                   const QList<QTextLayout::FormatRange>& bold = {})
    {
        // Qt takes a time to lay a paragraph out that grows faster than its length: a
        // very long one (the key or the sentence of thousands of items) goes in pieces,
        // each ending at a blank where it has one.
        if (text.size() <= kLongestPiece || !bold.isEmpty()) {
            layOut(text, points, allBold, bold);
            return;
        }
        for (qsizetype at = 0; at < text.size();) {
            qsizetype end = std::min(at + kLongestPiece, text.size());
            const qsizetype blank = text.lastIndexOf(u' ', end - 1);
            if (end < text.size() && blank > at) end = blank + 1;
            layOut(text.mid(at, end - at), points, allBold, {});
            at = end;
        }
    }

    // One line of runs of text, the odd ones bold, when it fits the page's width; a
    // wrapped paragraph when it does not. Most items are short: drawing them at once
    // takes a fraction of laying out a paragraph each.
    void line(const QStringList& runs, qreal points)
    {
        QFont fonts[2] = {sheetFont(points), sheetFont(points)};
        fonts[1].setBold(true);
        const QFontMetricsF metrics[2] = {QFontMetricsF(fonts[0], &m_writer),
                                          QFontMetricsF(fonts[1], &m_writer)};
        qreal width = 0;
        for (qsizetype i = 0; i < runs.size(); ++i)
            width += metrics[i % 2].horizontalAdvance(runs[i]);
        if (width > m_page.width()) {
            QList<QTextLayout::FormatRange> bold;
            qsizetype at = 0;
            for (qsizetype i = 0; i < runs.size(); at += runs[i].size(), ++i) {
                if (i % 2 == 1) bold.append(boldRange(at, runs[i].size()));
            }
            paragraph(runs.join(QString()), points, false, bold);
            return;
        }
        if (m_y > 0 && m_y + metrics[0].height() > m_page.height()) newPage();
        qreal x = 0;
        for (qsizetype i = 0; i < runs.size(); ++i) {
            if (runs[i].isEmpty()) continue;
            m_painter.setFont(fonts[i % 2]);
            m_painter.drawText(QPointF(x, m_y + metrics[0].ascent()), runs[i]);
            x += metrics[i % 2].horizontalAdvance(runs[i]);
        }
        m_y += metrics[0].height();
    }

    void gap(qreal points) { m_y += points / 72 * m_writer.resolution() * kGapLines; }

private:
    void layOut(const QString& text, qreal points, bool allBold,
                const QList<QTextLayout::FormatRange>& bold)
    {
        QFont font = sheetFont(points);
        font.setBold(allBold);
        QTextLayout layout(text, font, &m_writer);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.setFormats(bold);
        layout.beginLayout();
        std::vector<QTextLine> lines;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(m_page.width());
            lines.push_back(line);
        }
        layout.endLayout();
        for (QTextLine& line : lines) {
            if (m_y > 0 && m_y + line.height() > m_page.height()) newPage();
            line.draw(&m_painter, QPointF(-line.x(), m_y - line.y()));
            m_y += line.height();
        }
    }

    void newPage()
    {
        if (!m_writer.newPage()) throw platform::PlatformError(QStringLiteral("cannot add a page"));
        m_y = 0;
    }

    QPdfWriter& m_writer;
    QPainter& m_painter;
    QRectF m_page;
    qreal m_y = 0;
};

}  // namespace

QPageSize studySheetPaper(const QLocale& locale)
{
    const bool letter = locale.measurementSystem() == QLocale::ImperialUSSystem ||
                        std::find(std::begin(kLetterTerritories), std::end(kLetterTerritories),
                                  locale.territory()) != std::end(kLetterTerritories);
    return QPageSize(letter ? QPageSize::Letter : QPageSize::A4);
}

void writeStudySheet(QIODevice& device, const StudyList& list, const QPageSize& paper)
{
    QPdfWriter writer(&device);
    writer.setPageSize(paper);
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                          QPageLayout::Millimeter);
    writer.setTitle(list.title);
    writer.setCreator(QStringLiteral("Lexiquill"));
    QPainter painter;
    if (!painter.begin(&writer)) {
        throw platform::PlatformError(QStringLiteral("cannot write the sheet: ") +
                                      device.errorString());
    }
    Pages pages(writer, painter);
    pages.paragraph(list.title, kTitlePoints, true);
    pages.gap(kTitlePoints);
    pages.paragraph(list.key, kKeyPoints, true);
    pages.gap(kKeyPoints);
    pages.paragraph(list.sentence, kTextPoints, false);
    pages.gap(kTextPoints);
    for (const StudyItem& item : list.items) {
        // Plain and bold runs by turns: the item's start bold, then the word's.
        const qsizetype itemBold = startLength(item.item, item.start);
        const qsizetype wordBold = startLength(item.word, item.start);
        pages.line({QString(), item.item.left(itemBold),
                    item.item.mid(itemBold) + QStringLiteral("  \u2013  "),
                    item.word.left(wordBold), item.word.mid(wordBold)},
                   kItemPoints);
    }
    painter.end();
}

}  // namespace lexiquill::output
