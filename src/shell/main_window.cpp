#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>

#include "generation/generation_run.h"
#include "output/clipboard_copy.h"
#include "output/text_export.h"
#include "output/spreadsheet_export.h"
#include "platform/app_icon.h"
#include "platform/caption_progress_bar.h"
#include "platform/cursor_file.h"
#include "platform/file_system.h"
#include "platform/list_control.h"
#include "platform/twips.h"
#include "shell/app_identity.h"
#include "shell/appearance.h"
#include "shell/step_trap.h"
#include "wordlist/list_file_loading.h"
#include "wordlist/word_list_commands.h"

namespace lexiquill::shell {

using platform::rectFromTwips;

namespace {

constexpr int kClientWidthTwips = 8040;
constexpr int kClientHeightTwips = 8790;

const QString kWordColumn = QStringLiteral(" Word(s)");

QFont arial(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

struct ButtonLayout {
    const char* name;
    const char* caption;
    QRect geometry;
};

// The nine command buttons, in tab order.
const ButtonLayout kButtons[] = {
    {"PushButton6", "Add Word(s)", rectFromTwips(120, 2520, 3840, 400)},
    {"PushButton3", "Load Word(s) From File", rectFromTwips(4080, 2520, 3840, 405)},
    {"PushButton1", "Clear List", rectFromTwips(120, 3030, 3840, 405)},
    {"PushButton2", "Start Generating", rectFromTwips(120, 4335, 7800, 405)},
    {"PushButton8", "Save Results To Text File", rectFromTwips(120, 7220, 3840, 405)},
    {"PushButton4", "Copy Results To Clipboard", rectFromTwips(120, 7730, 3840, 405)},
    {"PushButton5", "Clear List", rectFromTwips(4080, 7730, 3840, 405)},
    {"PushButton7", "Load Sample/Example Words", rectFromTwips(4080, 3030, 3840, 405)},
    {"PushButton12", "Save Results As Excel File", rectFromTwips(4080, 7220, 3840, 405)},
};

}  // namespace

MainWindow::MainWindow(platform::Platform platform, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint),
      m_platform(std::move(platform))
{
    setObjectName(QStringLiteral("Form1"));
    createControls();
    Form_Load();
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                    screen()->availableGeometry()));
    m_listView1->setFocus();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    const QPalette system = QApplication::palette();
    setFixedSize(platform::pixelsFromTwips(kClientWidthTwips),
                 platform::pixelsFromTwips(kClientHeightTwips));
    setFont(arial(9));
    setBackground(this, Qt::white);

    const auto makeList = [&](const char* name, bool checkable, const QRect& geometry,
                              const QString& hint) {
        auto* list = new platform::ListControl(checkable, this);
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
    m_listView1 = makeList("ListView1", false, rectFromTwips(120, 120, 7800, 2295),
                           QStringLiteral("Drag and drop files here. Double-click item to remove "
                                          "it. Move | line to right and out of window to reveal "
                                          "full names."));
    m_listView2 = makeList("ListView2", true, rectFromTwips(120, 4830, 7800, 2295),
                           QStringLiteral("Move | line to right and out of window to reveal full "
                                          "names."));

    m_frame1 = new QGroupBox(QStringLiteral("Option"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(rectFromTwips(120, 3510, 7800, 700));
    setBackground(m_frame1, Qt::white);
    m_option1 = new QRadioButton(QStringLiteral("Acronym"), m_frame1);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option1->setGeometry(rectFromTwips(240, 300, 1185, 240));
    m_option2 = new QRadioButton(QStringLiteral("Mnemonic "), m_frame1);
    m_option2->setObjectName(QStringLiteral("Option2"));
    m_option2->setGeometry(rectFromTwips(1680, 300, 1185, 240));
    for (QRadioButton* option : {m_option1, m_option2}) setBackground(option, Qt::white);
    m_option1->setChecked(true);

    QList<QWidget*> tabOrder{m_listView1, m_listView2, m_option1, m_option2};
    for (const ButtonLayout& layout : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(layout.caption), this);
        button->setObjectName(QString::fromLatin1(layout.name));
        button->setGeometry(layout.geometry);
        button->setFont(arial(11.25));
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, Qt::white);
        palette.setColor(QPalette::ButtonText, system.color(QPalette::ButtonText));
        button->setPalette(palette);
        tabOrder.append(button);
    }

    m_progressBar1 = new platform::CaptionProgressBar(this);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setGeometry(rectFromTwips(120, 8250, 7800, 405));
    m_progressBar1->setCaption(QStringLiteral("Progress Bar"));

    for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    trackPointer(this, QStringLiteral("Form_MouseMove"), false);
    trackPointer(m_frame1, QStringLiteral("Frame1_MouseMove"), false);
    // Files dropped on the word list are loaded; the viewport receives the drops.
    m_listView1->setAcceptDrops(true);
    m_listView1->viewport()->setAcceptDrops(true);
    for (auto* list : {m_listView1, m_listView2}) {
        const QString handler = list->objectName() + QStringLiteral("_MouseMove");
        for (QWidget* part : {static_cast<QWidget*>(list), list->viewport(),
                              list->horizontalHeader()->viewport()}) {
            trackPointer(part, handler, false);
        }
    }
    for (QWidget* control : tabOrder) {
        if (qobject_cast<QPushButton*>(control)) {
            trackPointer(control, control->objectName() + QStringLiteral("_MouseMove"), true);
        }
    }
    // Moves over these have no handler, and must not reach the frame or window
    // behind them either.
    for (QWidget* quiet : {static_cast<QWidget*>(m_option1), static_cast<QWidget*>(m_option2),
                           static_cast<QWidget*>(m_progressBar1)}) {
        quiet->setAttribute(Qt::WA_NoMousePropagation);
    }

    const auto button = [this](const char* name) {
        return findChild<QPushButton*>(QString::fromLatin1(name));
    };
    connect(button("PushButton1"), &QPushButton::clicked, this, &MainWindow::PushButton1_Click);
    connect(button("PushButton2"), &QPushButton::clicked, this, &MainWindow::PushButton2_Click);
    connect(button("PushButton3"), &QPushButton::clicked, this, &MainWindow::PushButton3_Click);
    connect(button("PushButton5"), &QPushButton::clicked, this, &MainWindow::PushButton5_Click);
    connect(button("PushButton6"), &QPushButton::clicked, this, &MainWindow::PushButton6_Click);
    connect(button("PushButton7"), &QPushButton::clicked, this, &MainWindow::PushButton7_Click);
    connect(button("PushButton8"), &QPushButton::clicked, this, &MainWindow::PushButton8_Click);
    connect(button("PushButton4"), &QPushButton::clicked, this, &MainWindow::PushButton4_Click);
    connect(button("PushButton12"), &QPushButton::clicked, this, &MainWindow::PushButton12_Click);
}

void MainWindow::Form_Load()
{
    runHandler(*this, QStringLiteral("Form_Load"), [this] {
        StepTrap trap(*this, QStringLiteral("Form1"), QStringLiteral("Form_Load"));
        const QString& folder = m_platform.programFolder;
        trap.step(100, [&] { applySkin(*this, *m_platform.skinEngine, folder); });
        if (trap.test(104, [&] { return platform::fileExists(handCursorPath(folder)); })) {
            trap.step(106, [&] { m_handCursor = platform::loadCursorFile(handCursorPath(folder)); });
        }
        trap.step(126, [&] { setWindowTitle(kProductName); });
        trap.step(126, [&] { setWindowIcon(platform::applicationIcon()); });
        trap.step(126, [&] { dialogs().setApplicationTitle(applicationTitle(kProductName)); });
        trap.step(128, [&] { m_listView1->addColumn(kWordColumn); });
        trap.step(130, [&] { m_listView1->setColumnWidth(1, 7000); });
        trap.step(132, [&] { m_listView2->addColumn(kWordColumn); });
        trap.step(134, [&] { m_listView2->addColumn(QStringLiteral("Result")); });
        trap.step(136, [&] { m_listView2->setColumnWidth(1, 3500); });
        trap.step(138, [&] { m_listView2->setColumnWidth(2, 3500); });
    });
}

void MainWindow::Form_QueryUnload()
{
    runHandler(*this, QStringLiteral("Form_QueryUnload"), [this] {
        StepTrap trap(*this, QStringLiteral("Form1"), QStringLiteral("Form_QueryUnload"));
        trap.step(100, [&] { pump().yield(); });
        trap.step(102, [&] { pump().yield(); });
    });
}

void MainWindow::Form_Unload()
{
    runHandler(*this, QStringLiteral("Form_Unload"), [this] { pump().endProgram(); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

void MainWindow::PushButton1_Click()
{
    runHandler(*this, QStringLiteral("PushButton1_Click"), [this] { wordlist::clearWordList(*this); });
}

void MainWindow::PushButton2_Click()
{
    runHandler(*this, QStringLiteral("PushButton2_Click"),
               [this] { generation::startGenerating(*this); });
}

void MainWindow::PushButton3_Click()
{
    runHandler(*this, QStringLiteral("PushButton3_Click"),
               [this] { wordlist::loadWordListFiles(*this); });
}

void MainWindow::PushButton5_Click()
{
    runHandler(*this, QStringLiteral("PushButton5_Click"), [this] { wordlist::clearResults(*this); });
}

void MainWindow::PushButton6_Click()
{
    runHandler(*this, QStringLiteral("PushButton6_Click"), [this] { wordlist::addWord(*this); });
}

void MainWindow::PushButton7_Click()
{
    runHandler(*this, QStringLiteral("PushButton7_Click"),
               [this] { wordlist::loadSampleWords(*this); });
}

void MainWindow::PushButton8_Click()
{
    runHandler(*this, QStringLiteral("PushButton8_Click"), [this] { output::saveResultsToTextFile(*this); });
}

void MainWindow::PushButton4_Click()
{
    runHandler(*this, QStringLiteral("PushButton4_Click"),
               [this] { output::copyResultsToClipboard(*this); });
}

void MainWindow::PushButton12_Click()
{
    runHandler(*this, QStringLiteral("PushButton12_Click"),
               [this] { output::saveResultsAsExcelFile(*this); });
}

void MainWindow::ListView1_DblClick()
{
    runHandler(*this, QStringLiteral("ListView1_DblClick"),
               [this] { wordlist::removeSelectedPhrase(*this); });
}

void MainWindow::ListView1_KeyDown(int key)
{
    runHandler(*this, QStringLiteral("ListView1_KeyDown"), [this, key] {
        // Only the Delete key removes; Shift and Ctrl do not matter.
        if (key == Qt::Key_Delete) wordlist::removeSelectedPhrase(*this);
    });
}

void MainWindow::ListView1_OLEDragDrop(const QStringList& paths)
{
    runHandler(*this, QStringLiteral("ListView1_OLEDragDrop"),
               [this, &paths] { wordlist::loadDroppedFiles(*this, paths); });
}

namespace {

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

bool MainWindow::dragOverListView1(QEvent* event)
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
                this, [this, files] { ListView1_OLEDragDrop(files); }, Qt::QueuedConnection);
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
    // The same filter also hands ListView1's double-clicks and keys to their handlers.
    widget->installEventFilter(this);
    m_pointerAreas.insert(widget, {handler, overPushButton});
}

void MainWindow::MouseMove(const QString& handler, bool overPushButton)
{
    runHandler(*this, handler,
               [this, overPushButton] { setPointer(pointerAfterMove(m_pointer, overPushButton)); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const auto area = m_pointerAreas.constFind(watched);
        if (area != m_pointerAreas.cend()) MouseMove(area->handler, area->pushButton);
    }
    if (watched == m_listView1->viewport() && dragOverListView1(event)) return true;
    if (watched == m_listView1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) ListView1_DblClick();
    } else if (watched == m_listView1 && event->type() == QEvent::KeyPress) {
        ListView1_KeyDown(static_cast<QKeyEvent*>(event)->key());
    }
    return QWidget::eventFilter(watched, event);
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

platform::ListView& MainWindow::wordList() { return *m_listView1; }

platform::ListView& MainWindow::resultTable() { return *m_listView2; }

bool MainWindow::isOption1() const { return m_option1->isChecked(); }

bool MainWindow::isOption2() const { return m_option2->isChecked(); }

void MainWindow::selectOption2() { m_option2->setChecked(true); }

void MainWindow::setProgressValue(int value) { m_progressBar1->setPosition(value); }

void MainWindow::setProgressText(const QString& text) { m_progressBar1->setCaption(text); }

void MainWindow::setPointer(Pointer pointer)
{
    if (pointer == m_pointer) return;
    m_pointer = pointer;
    switch (pointer) {
        case Pointer::Default:
            setCursor(Qt::ArrowCursor);
            break;
        case Pointer::Hand:
            setCursor(m_handCursor);
            break;
        case Pointer::Busy:
            setCursor(Qt::WaitCursor);
            break;
    }
}

}  // namespace lexiquill::shell
