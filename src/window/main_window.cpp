#include "window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <optional>

#include "command/app_identity.h"
#include "command/file_system.h"
#include "command/step_trap.h"
#include "generation/generation_run.h"
#include "menu/flashcards.h"
#include "menu/list_sentence.h"
#include "menu/result_menu.h"
#include "output/aligned_text.h"
#include "output/clipboard_copy.h"
#include "output/spreadsheet_export.h"
#include "output/text_export.h"
#include "widgets/caption_progress_bar.h"
#include "widgets/list_control.h"
#include "widgets/twips.h"
#include "window/app_icon.h"
#include "window/appearance.h"
#include "window/cursor_file.h"
#include "window/sentence_dialog.h"
#include "wordlist/list_file_loading.h"
#include "wordlist/word_list_commands.h"

namespace lexiquill::window {

using widgets::rectFromTwips;

namespace {

constexpr int kClientWidthTwips = 8040;
constexpr int kClientHeightTwips = 8790;

QFont arial(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

// The nine command buttons, in tab order. The error report names each one's click
// handler after the button: "PushButton6_Click".
struct Button {
    const char* name;
    const char* caption;
    QRect geometry;
    void (*command)(command::CommandContext&);
};
const Button kButtons[] = {
    {"PushButton6", "Add Word(s)", rectFromTwips(120, 2520, 3840, 400), wordlist::addWord},
    {"PushButton3", "Load Word(s) From File", rectFromTwips(4080, 2520, 3840, 405),
     wordlist::loadWordListFiles},
    {"PushButton1", "Clear List", rectFromTwips(120, 3030, 3840, 405), wordlist::clearWordList},
    {"PushButton2", "Start Generating", rectFromTwips(120, 4335, 7800, 405),
     generation::startGenerating},
    {"PushButton8", "Save Results To Text File", rectFromTwips(120, 7220, 3840, 405),
     output::saveResultsToTextFile},
    {"PushButton4", "Copy Results To Clipboard", rectFromTwips(120, 7730, 3840, 405),
     output::copyResultsToClipboard},
    {"PushButton5", "Clear List", rectFromTwips(4080, 7730, 3840, 405), wordlist::clearResults},
    {"PushButton7", "Load Sample/Example Words", rectFromTwips(4080, 3030, 3840, 405),
     wordlist::loadSampleWords},
    {"PushButton12", "Save Results As Excel File", rectFromTwips(4080, 7220, 3840, 405),
     output::saveResultsAsExcelFile},
};

// The items of the results list's context menu after the other words, in order. The
// error report names each one's handler after the item: "mnuDrawAgain_Click".
struct MenuItem {
    const char* name;
    const char* caption;
    bool onEveryRow;  // also on a row that holds no mnemonic word, such as an acronym
    void (*command)(command::CommandContext&, const menu::RowMenu&);
};
const MenuItem kResultMenu[] = {
    {"mnuDrawAgain", "Draw Again", false, menu::drawAgain},
    {"mnuCopySentence", "Copy Sentence", true, menu::copySentence},
    {"mnuSaveFlashcards", "Save Ticked Rows as Flashcards…", true,
     [](command::CommandContext& ctx, const menu::RowMenu&) {
         menu::saveTickedRowsAsFlashcards(ctx);
     }},
};

// The local files among the dragged data, in the order dragged. Text, remote
// addresses and the like give none.
QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    if (data == nullptr || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) files.append(url.toLocalFile());
    }
    return files;
}

}  // namespace

MainWindow::MainWindow(platform::Platform platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_platform(std::move(platform))
{
    setObjectName(command::kWindowModule);
    setFixedSize(widgets::pixelsFromTwips(kClientWidthTwips),
                 widgets::pixelsFromTwips(kClientHeightTwips));
    setFont(arial(9));
    setBackground(this, Qt::white);
    createLists();
    createModeButtons();
    createButtons();
    m_progressBar = new widgets::CaptionProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setGeometry(rectFromTwips(120, 8250, 7800, 405));
    m_progressBar->setCaption(QStringLiteral("Progress Bar"));
    QList<QWidget*> tabOrder{m_wordList, m_resultTable, m_acronymMode, m_mnemonicMode};
    for (QPushButton* button : std::as_const(m_buttons)) tabOrder.append(button);
    for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    trackPointerMoves();

    load();
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
    m_wordList->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createLists()
{
    const QPalette system = QApplication::palette();
    const auto makeList = [&](const char* name, bool checkable, const QRect& geometry,
                              const QString& hint) {
        auto* list = new widgets::ListControl(checkable, this);
        list->setObjectName(QString::fromLatin1(name));
        list->setGeometry(geometry);
        list->setFont(arial(9));
        QPalette palette = list->palette();
        palette.setColor(QPalette::Base, system.color(QPalette::Base));
        palette.setColor(QPalette::Text, system.color(QPalette::Text));
        list->setPalette(palette);
        list->setToolTip(hint);
        return list;
    };
    m_wordList = makeList("ListView1", false, rectFromTwips(120, 120, 7800, 2295),
                          QStringLiteral("Drag and drop files here. Double-click item to remove "
                                         "it. Move | line to right and out of window to reveal "
                                         "full names."));
    m_resultTable = makeList("ListView2", true, rectFromTwips(120, 4830, 7800, 2295),
                             QStringLiteral("Move | line to right and out of window to reveal "
                                            "full names."));
    connect(m_resultTable, &widgets::ListControl::menuRequested, this, &MainWindow::showResultMenu);
    m_resultTable->setRowToolTip([this](int row) noexcept {
        try {
            return menu::mnemonicSentence(*this, row);
        } catch (...) {
            return QString();
        }
    });
    connect(m_wordList, &widgets::ListControl::menuRequested, this, &MainWindow::showWordListMenu);
    // Files dropped on the word list are loaded; the viewport receives the drops.
    m_wordList->setAcceptDrops(true);
    m_wordList->viewport()->setAcceptDrops(true);
}

void MainWindow::createModeButtons()
{
    m_modeFrame = new QGroupBox(QStringLiteral("Option"), this);
    m_modeFrame->setObjectName(QStringLiteral("Frame1"));
    m_modeFrame->setGeometry(rectFromTwips(120, 3510, 7800, 700));
    setBackground(m_modeFrame, Qt::white);
    m_acronymMode = new QRadioButton(QStringLiteral("Acronym"), m_modeFrame);
    m_acronymMode->setObjectName(QStringLiteral("Option1"));
    m_acronymMode->setGeometry(rectFromTwips(240, 300, 1185, 240));
    m_mnemonicMode = new QRadioButton(QStringLiteral("Mnemonic "), m_modeFrame);
    m_mnemonicMode->setObjectName(QStringLiteral("Option2"));
    m_mnemonicMode->setGeometry(rectFromTwips(1680, 300, 1185, 240));
    for (QRadioButton* mode : {m_acronymMode, m_mnemonicMode}) setBackground(mode, Qt::white);
    m_acronymMode->setChecked(true);
}

void MainWindow::createButtons()
{
    const QColor buttonText = QApplication::palette().color(QPalette::ButtonText);
    for (const Button& layout : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(layout.caption), this);
        button->setObjectName(QString::fromLatin1(layout.name));
        button->setGeometry(layout.geometry);
        button->setFont(arial(11.25));
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, Qt::white);
        palette.setColor(QPalette::ButtonText, buttonText);
        button->setPalette(palette);
        const auto command = layout.command;
        connect(button, &QPushButton::clicked, this, [this, button, command] {
            run(button->objectName() + QStringLiteral("_Click"),
                [this, command] { command(*this); });
        });
        m_buttons.append(button);
    }
}

void MainWindow::trackPointerMoves()
{
    trackPointer(this, QStringLiteral("Form_MouseMove"), false);
    trackPointer(m_modeFrame, QStringLiteral("Frame1_MouseMove"), false);
    for (auto* list : {m_wordList, m_resultTable}) {
        const QString handler = list->objectName() + QStringLiteral("_MouseMove");
        for (QWidget* part : {static_cast<QWidget*>(list), list->viewport(),
                              list->horizontalHeader()->viewport()}) {
            trackPointer(part, handler, false);
        }
    }
    for (QPushButton* button : std::as_const(m_buttons)) {
        trackPointer(button, button->objectName() + QStringLiteral("_MouseMove"), true);
    }
    // Moves over these have no handler, and must not reach the frame or window
    // behind them either.
    for (QWidget* quiet :
         {static_cast<QWidget*>(m_acronymMode), static_cast<QWidget*>(m_mnemonicMode),
          static_cast<QWidget*>(m_progressBar)}) {
        quiet->setAttribute(Qt::WA_NoMousePropagation);
    }
}

void MainWindow::run(const QString& procedure, const std::function<void()>& body)
{
    command::runHandler(*this, procedure, body);
}

void MainWindow::load()
{
    run(QStringLiteral("Form_Load"), [this] {
        command::StepTrap trap(*this, command::kWindowModule, QStringLiteral("Form_Load"));
        const QString& folder = m_platform.programFolder;
        trap.step(100, [&] { applySkin(*this, *m_platform.skinEngine, folder); });
        if (trap.test(104, [&] { return command::fileExists(handCursorPath(folder)); })) {
            trap.step(106, [&] { m_handCursor = loadCursorFile(handCursorPath(folder)); });
        }
        trap.step(126, [&] { setWindowTitle(command::kProductName); });
        trap.step(126, [&] { setWindowIcon(applicationIcon()); });
        trap.step(126, [&] {
            dialogs().setApplicationTitle(command::applicationTitle(command::kProductName));
        });
        trap.step(128, [&] { m_wordList->addColumn(output::kWordColumnHeader); });
        trap.step(130, [&] { m_wordList->setColumnWidth(1, 7000); });
        trap.step(132, [&] { m_resultTable->addColumn(output::kWordColumnHeader); });
        trap.step(134, [&] { m_resultTable->addColumn(output::kResultColumnHeader); });
        trap.step(136, [&] { m_resultTable->setColumnWidth(1, 3500); });
        trap.step(138, [&] { m_resultTable->setColumnWidth(2, 3500); });
    });
}

void MainWindow::queryUnload()
{
    run(QStringLiteral("Form_QueryUnload"), [this] {
        command::StepTrap trap(*this, command::kWindowModule, QStringLiteral("Form_QueryUnload"));
        trap.step(100, [&] { pump().yield(); });
        trap.step(102, [&] { pump().yield(); });
    });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    queryUnload();
    run(QStringLiteral("Form_Unload"), [this] { pump().endProgram(); });
    event->accept();
}

bool MainWindow::handleWordListDrag(QEvent* event)
{
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            // Always a copy: a program that offered to move its files must not take
            // the drop for permission to delete them.
            if (!localFiles(drag->mimeData()).isEmpty() &&
                (drag->possibleActions() & Qt::CopyAction)) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const QStringList files = localFiles(drop->mimeData());
            if (files.isEmpty() || !(drop->possibleActions() & Qt::CopyAction)) {
                drop->ignore();
                return true;
            }
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            // Loaded once the drop is over: the loading may wait for the user on a
            // message box, and the program the files came from must not wait too.
            QMetaObject::invokeMethod(
                this,
                [this, files] {
                    run(QStringLiteral("ListView1_OLEDragDrop"),
                        [this, &files] { wordlist::loadDroppedFiles(*this, files); });
                },
                Qt::QueuedConnection);
            return true;
        }
        default:
            return false;
    }
}

void MainWindow::trackPointer(QWidget* widget, const QString& handler, bool overPushButton)
{
    widget->setMouseTracking(true);
    if (widget != this) widget->setAttribute(Qt::WA_NoMousePropagation);
    // The same filter also hands the word list's double-clicks and keys to their handlers.
    widget->installEventFilter(this);
    m_pointerAreas.insert(widget, {handler, overPushButton});
}

void MainWindow::pointerMoved(const QString& handler, bool overPushButton)
{
    run(handler,
        [this, overPushButton] { setPointer(pointerAfterMove(m_pointer, overPushButton)); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto area = m_pointerAreas.constFind(watched);
        if (area != m_pointerAreas.cend()) pointerMoved(area->handler, area->pushButton);
    }
    if (watched == m_wordList->viewport() && handleWordListDrag(event)) return true;
    const auto removeSelected = [this] { wordlist::removeSelectedPhrase(*this); };
    if (watched == m_wordList->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            run(QStringLiteral("ListView1_DblClick"), removeSelected);
        }
    } else if (watched == m_wordList && event->type() == QEvent::KeyPress) {
        // Only the Delete key removes; Shift and Ctrl do not matter.
        const bool remove = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete;
        run(QStringLiteral("ListView1_KeyDown"), [&] {
            if (remove) removeSelected();
        });
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showResultMenu(int row, const QPoint& globalPos)
{
    if (row == 0) return;
    std::optional<menu::RowMenu> opening;
    run(QStringLiteral("ListView2_ContextMenu"), [&] { opening = menu::openRowMenu(*this, row); });
    if (!opening) return;  // the row could not be read
    const menu::RowMenu& opened = *opening;
    auto* popup = new QMenu(this);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    const auto addItem = [&](const QString& name, const QString& caption,
                             std::function<void()> command) {
        QAction* action = popup->addAction(caption);
        action->setObjectName(name);
        action->setEnabled(opened.enabled);
        connect(action, &QAction::triggered, this,
                [this, name, command] { run(name + QStringLiteral("_Click"), command); });
    };
    for (const QString& word : std::as_const(opened.otherWords)) {
        addItem(QStringLiteral("mnuOtherWord"), word,
                [this, opened, word] { menu::chooseWord(*this, opened, word); });
    }
    if (!opened.otherWords.isEmpty()) popup->addSeparator();
    for (const MenuItem& item : kResultMenu) {
        if (!opened.mnemonic && !item.onEveryRow) continue;
        addItem(QString::fromLatin1(item.name), QString::fromUtf8(item.caption),
                [this, opened, command = item.command] { command(*this, opened); });
    }
    popup->popup(globalPos);
}

void MainWindow::showWordListMenu(int, const QPoint& globalPos)
{
    auto* popup = new QMenu(this);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    QAction* sentence = popup->addAction(QStringLiteral("Sentence for the List…"));
    sentence->setObjectName(QStringLiteral("mnuListSentence"));
    sentence->setEnabled(menu::canPlanListSentence(*this));
    connect(sentence, &QAction::triggered, this, [this] {
        run(QStringLiteral("mnuListSentence_Click"), [this] { openSentenceDialog(*this, this); });
    });
    popup->popup(globalPos);
}

platform::HttpClient& MainWindow::httpClient()
{
    if (!m_platform.http) throw platform::PlatformError(QStringLiteral("No HTTP client"));
    return *m_platform.http;
}

platform::ServiceHost& MainWindow::serviceHost()
{
    if (!m_platform.serviceHost) {
        throw platform::PlatformError(QStringLiteral("The mnemonic service cannot be started"));
    }
    return *m_platform.serviceHost;
}

platform::ListView& MainWindow::wordList() { return *m_wordList; }

platform::ListView& MainWindow::resultTable() { return *m_resultTable; }

bool MainWindow::isAcronymMode() const { return m_acronymMode->isChecked(); }

bool MainWindow::isMnemonicMode() const { return m_mnemonicMode->isChecked(); }

void MainWindow::selectMnemonicMode() { m_mnemonicMode->setChecked(true); }

void MainWindow::setProgressValue(int value) { m_progressBar->setPosition(value); }

void MainWindow::setProgressText(const QString& text) { m_progressBar->setCaption(text); }

void MainWindow::setPointer(command::Pointer pointer)
{
    if (pointer == m_pointer) return;
    m_pointer = pointer;
    switch (pointer) {
        case command::Pointer::Default:
            setCursor(Qt::ArrowCursor);
            break;
        case command::Pointer::Hand:
            setCursor(m_handCursor);
            break;
        case command::Pointer::Busy:
            setCursor(Qt::WaitCursor);
            break;
    }
}

}  // namespace lexiquill::window
