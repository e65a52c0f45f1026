#include "window/sentence_dialog.h"

#include <QAbstractTextDocumentLayout>
#include <QBoxLayout>
#include <QBuffer>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <algorithm>

#include "command/command_context.h"
#include "command/step_trap.h"
#include "output/study_list.h"
#include "output/study_sheet.h"
#include "widgets/list_control.h"

namespace lexiquill::window {

namespace {

// The word with its first length characters in bold, as rich text.
QString withBoldStart(const QString& word, qsizetype length)
{
    return QStringLiteral("<b>") + word.left(length).toHtmlEscaped() + QStringLiteral("</b>") +
           word.mid(length).toHtmlEscaped();
}

// The words column: each word with its start in bold, so that the key shows in it.
class BoldStartDelegate final : public QStyledItemDelegate {
public:
    BoldStartDelegate(const menu::ListSentence& sentence, QObject* parent)
        : QStyledItemDelegate(parent), m_sentence(sentence)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        QTextDocument text;
        text.setDocumentMargin(0);
        text.setDefaultFont(cell.font);
        text.setHtml(withBoldStart(cell.text, m_sentence.starts.value(index.row()).size()));
        cell.text.clear();
        const QStyle* style = cell.widget->style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, cell.widget);
        QAbstractTextDocumentLayout::PaintContext paint;
        paint.palette.setColor(
            QPalette::Text,
            cell.palette.color(cell.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                   : QPalette::Text));
        painter->save();
        painter->translate(area.left(), area.top() + (area.height() - text.size().height()) / 2);
        painter->setClipRect(QRectF(0, 0, area.width(), area.height()));
        text.documentLayout()->draw(painter, paint);
        painter->restore();
    }

private:
    const menu::ListSentence& m_sentence;
};

// The study sheet of a list as PDF bytes, on the paper of where the user lives.
QByteArray studySheetPdf(const output::StudyList& list)
{
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    output::writeStudySheet(pdf, list, output::studySheetPaper(QLocale()));
    return pdf.data();
}

void saveStudySheet(command::CommandContext& context, const menu::ListSentence& sentence)
{
    menu::saveStudySheet(context, sentence, studySheetPdf);
}

// The buttons that hand the sentence to a command, in tab order after Draw Again. The
// error report names each one's handler after the button: "cmdCopy_Click".
struct SentenceButton {
    const char* name;
    const char* caption;
    void (*command)(command::CommandContext&, const menu::ListSentence&);
};
const SentenceButton kSentenceButtons[] = {
    {"cmdCopy", "&Copy", menu::copyListSentence},
    {"cmdSaveFlashcards", "Save as &Flashcards…", menu::saveListFlashcards},
    {"cmdSaveSheet", "Save &Study Sheet…", saveStudySheet},
};

}  // namespace

void openSentenceDialog(command::CommandContext& context, QWidget* mainWindow)
{
    std::optional<menu::ListSentence> planned = menu::planListSentence(context);
    if (!planned) return;
    if (auto* open = mainWindow->findChild<SentenceDialog*>()) open->close();
    auto* dialog = new SentenceDialog(context, std::move(*planned), mainWindow);
    dialog->show();
    // Opened from the keyboard, it is where the keys go next.
    dialog->activateWindow();
}

SentenceDialog::SentenceDialog(command::CommandContext& context, menu::ListSentence sentence,
                               QWidget* parent)
    : QDialog(parent), m_context(context), m_sentence(std::move(sentence))
{
    setObjectName(menu::kSentenceModule);
    setWindowTitle(QStringLiteral("Sentence for the List"));
    createControls();
    showItems({});
    m_words->setFocus();
}

void SentenceDialog::createControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_key = new QLabel(this);
    m_key->setObjectName(QStringLiteral("lblKey"));
    QFont large = m_key->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    m_key->setFont(large);
    m_key->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(m_key, 1);
    m_anyOrder = new QCheckBox(QStringLiteral("&Any order"), this);
    m_anyOrder->setObjectName(QStringLiteral("chkAnyOrder"));
    m_anyOrder->setToolTip(
        QStringLiteral("Put the items in an order whose initials spell a word, for a list "
                       "whose order does not matter"));
    connect(m_anyOrder, &QCheckBox::toggled, this, &SentenceDialog::setAnyOrder);
    top->addWidget(m_anyOrder);
    layout->addLayout(top);
    createWordList(*layout);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lblSentence"));
    m_text->setTextFormat(Qt::RichText);
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_text);
    createButtons(*layout);
    // A size of its own: left to find one, the dialog would lay the wrapped sentence
    // out again and again to fit its height to a width, which a long list makes slow.
    resize(680, minimumSizeHint().height());
}

void SentenceDialog::createWordList(QBoxLayout& layout)
{
    m_words = new widgets::ListControl(true, this);
    m_words->setObjectName(QStringLiteral("lstWords"));
    m_words->addColumn(QStringLiteral("Item (tick to keep its word)"));
    m_words->addColumn(QStringLiteral("Word"));
    m_words->setColumnWidth(1, 2700);
    m_words->setColumnWidth(2, 3300);
    m_words->setItemDelegateForColumn(m_words->rows().columnIndex(2),
                                      new BoldStartDelegate(m_sentence, m_words));
    m_words->horizontalHeader()->setStretchLastSection(true);
    m_words->installEventFilter(this);
    connect(m_words, &widgets::ListControl::menuRequested, this, &SentenceDialog::showOtherWords);
    // Room for the rows of a short list; a long one scrolls.
    const int rows = static_cast<int>(std::clamp<qsizetype>(m_sentence.items.size(), 3, 14));
    m_words->setMinimumHeight(m_words->horizontalHeader()->sizeHint().height() +
                              rows * m_words->verticalHeader()->defaultSectionSize() +
                              2 * m_words->frameWidth());
    layout.addWidget(m_words, 1);
}

void SentenceDialog::createButtons(QBoxLayout& layout)
{
    auto* buttons = new QHBoxLayout;
    const auto addButton = [&](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(button);
        return button;
    };
    connect(addButton("cmdOtherWords", QStringLiteral("&Other Words…")), &QPushButton::clicked,
            this, &SentenceDialog::showOtherWordsAtCurrentRow);
    connect(addButton("cmdDrawAgain", QStringLiteral("&Draw Again")), &QPushButton::clicked, this,
            &SentenceDialog::drawAgain);
    for (const SentenceButton& item : kSentenceButtons) {
        const QString procedure = QString::fromLatin1(item.name) + QStringLiteral("_Click");
        connect(addButton(item.name, QString::fromUtf8(item.caption)), &QPushButton::clicked, this,
                [this, procedure, command = item.command] {
                    run(procedure, [&] { command(m_context, m_sentence); });
                });
    }
    buttons->addStretch(1);
    connect(addButton("cmdClose", QStringLiteral("Close")), &QPushButton::clicked, this,
            &QDialog::close);
    layout.addLayout(buttons);
}

void SentenceDialog::showItems(const QList<bool>& kept)
{
    m_words->clear();
    for (const QString& item : std::as_const(m_sentence.items)) {
        const int row = m_words->append(item);
        if (kept.value(row - 1)) {
            m_words->model()->setData(m_words->model()->index(row - 1, 0), Qt::Checked,
                                      Qt::CheckStateRole);
        }
    }
    m_words->rows().publishRows();
    m_words->setCurrentIndex(m_words->model()->index(0, 1));
    showSentence();
}

void SentenceDialog::showSentence()
{
    m_key->setText(QStringLiteral("Key: ") + menu::keyOf(m_sentence));
    QStringList words = m_sentence.sentence.split(QLatin1Char(' '));
    for (qsizetype i = 0; i < words.size(); ++i) {
        // What follows the word is its punctuation.
        words[i] = withBoldStart(m_sentence.words[i], m_sentence.starts[i].size()) +
                   words[i].mid(m_sentence.words[i].size()).toHtmlEscaped();
        m_words->setSubText(static_cast<int>(i) + 1, 2, m_sentence.words[i]);
    }
    m_text->setText(words.join(QLatin1Char(' ')));
}

void SentenceDialog::run(const QString& procedure, const std::function<void()>& body)
{
    m_running = true;
    command::runHandler(m_context, procedure, body, menu::kSentenceModule);
    m_running = false;
    if (m_closed) deleteLater();
}

void SentenceDialog::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    // The window system hides it with a minimised main window; that is no closing.
    if (event->spontaneous()) return;
    m_closed = true;
    if (!m_running) deleteLater();
}

bool SentenceDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Return on a word offers its other words, as the Menu key does; the dialog would
    // take it for its default button.
    if (watched == m_words && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            showOtherWordsAtCurrentRow();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SentenceDialog::showOtherWordsAtCurrentRow()
{
    const QModelIndex current = m_words->currentIndex();
    const int row = current.isValid() ? current.row() + 1 : 1;
    const QRect cell =
        m_words->visualRect(m_words->model()->index(row - 1, m_words->rows().columnIndex(2)));
    showOtherWords(row, m_words->viewport()->mapToGlobal(cell.bottomLeft()));
}

void SentenceDialog::showOtherWords(int row, const QPoint& globalPos)
{
    if (row == 0) return;
    std::optional<QStringList> offered;
    run(QStringLiteral("lstWords_ContextMenu"),
        [&] { offered = menu::otherWordsFor(m_context, m_sentence, row - 1); });
    if (!offered || m_closed) return;
    auto* popup = new QMenu(this);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    if (offered->isEmpty()) popup->addAction(QStringLiteral("No other words"))->setEnabled(false);
    for (const QString& word : std::as_const(*offered)) {
        connect(popup->addAction(word), &QAction::triggered, this, [this, row, word] {
            menu::chooseWord(m_sentence, row - 1, word);
            // A word chosen by hand is one to keep.
            m_words->model()->setData(m_words->model()->index(row - 1, 0), Qt::Checked,
                                      Qt::CheckStateRole);
            showSentence();
        });
    }
    popup->popup(globalPos);
}

QList<bool> SentenceDialog::kept() const
{
    QList<bool> kept;
    for (int row = 1; row <= m_words->rowCount(); ++row) kept.append(m_words->checked(row));
    return kept;
}

void SentenceDialog::drawAgain()
{
    run(QStringLiteral("cmdDrawAgain_Click"), [this] {
        if (menu::drawAgain(m_context, m_sentence, kept())) showSentence();
    });
}

void SentenceDialog::setAnyOrder(bool anyOrder)
{
    run(QStringLiteral("chkAnyOrder_Click"), [this, anyOrder] {
        QList<bool> keep = kept();
        if (menu::setAnyOrder(m_context, m_sentence, keep, anyOrder)) {
            showItems(keep);
        } else {
            // The order stays as it was, and so does the box.
            const QSignalBlocker quiet(m_anyOrder);
            m_anyOrder->setChecked(!anyOrder);
        }
    });
}

}  // namespace lexiquill::window
