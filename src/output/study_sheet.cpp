#include "output/study_sheet.h"

#include <QFont>
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
// The space after the title, the key and the sentence, in lines of their font.
constexpr qreal kGapLines = 0.6;

// The territories whose paper is US Letter (those whose C library locales say so).
constexpr QLocale::Territory kLetterTerritories[] = {
    QLocale::UnitedStates, QLocale::Canada,    QLocale::Mexico,   QLocale::Philippines,
    QLocale::Bolivia,      QLocale::Chile,     QLocale::Colombia, QLocale::CostaRica,
    QLocale::Guatemala,    QLocale::Nicaragua, QLocale::Panama,   QLocale::PuertoRico,
    QLocale::ElSalvador,   QLocale::Venezuela,
};

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
        QFont font;
        font.setPointSizeF(points);
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

    void gap(qreal points) { m_y += points / 72 * m_writer.resolution() * kGapLines; }

private:
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

QTextLayout::FormatRange boldRange(qsizetype start, qsizetype length)
{
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    return {int(start), int(length), bold};
}

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
        const QString line = item.item + QStringLiteral("  \u2013  ") + item.word;
        pages.paragraph(
            line, kItemPoints, false,
            {boldRange(0, startLength(item.item, item.start)),
             boldRange(line.size() - item.word.size(), startLength(item.word, item.start))});
    }
    painter.end();
}

}  // namespace lexiquill::output
