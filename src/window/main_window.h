#pragma once

#include <QCursor>
#include <QHash>
#include <QWidget>

#include "command/command_context.h"
#include "command/result_origins.h"
#include "platform/platform.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace lexiquill::widgets {
class CaptionProgressBar;
class ListControl;
}  // namespace lexiquill::widgets

namespace lexiquill::window {

// The Lexiquill window. It lays out the controls, runs the start-up steps, and hands
// every event to its command; the commands see the window through CommandContext.
// Controls carry their design names as object names ("ListView1", "PushButton2"),
// which tests and the error report use.
class MainWindow : public QWidget, private command::CommandContext {
    Q_OBJECT

public:
    explicit MainWindow(platform::Platform platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    command::CommandContext& context() { return *this; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createLists();
    void createModeButtons();
    void createButtons();
    void trackPointerMoves();
    void load();
    void queryUnload();
    // Runs a handler under the name the error report gives it.
    void run(const QString& procedure, const std::function<void()>& body);
    bool handleWordListDrag(QEvent* event);
    // The pointer handlers: each area has its own name in the error report
    // (Form_MouseMove, ListView1_MouseMove, PushButton2_MouseMove, ...).
    void trackPointer(QWidget* widget, const QString& handler, bool overPushButton);
    void pointerMoved(const QString& handler, bool overPushButton);
    // The results list's context menu on a row (numbered from 1; 0 for none).
    void showResultMenu(int row, const QPoint& globalPos);
    // The word list's context menu, which is about the whole list wherever it opens.
    void showWordListMenu(int row, const QPoint& globalPos);

    // CommandContext
    platform::ListView& wordList() override;
    platform::ListView& resultTable() override;
    command::ResultOrigins& resultOrigins() override { return m_resultOrigins; }
    bool isAcronymMode() const override;
    bool isMnemonicMode() const override;
    void selectMnemonicMode() override;
    void setProgressValue(int value) override;
    void setProgressText(const QString& text) override;
    command::Pointer pointer() const override { return m_pointer; }
    void setPointer(command::Pointer pointer) override;
    bool isGenerating() const override { return m_generating; }
    void setGenerating(bool generating) override { m_generating = generating; }
    platform::Dialogs& dialogs() override { return *m_platform.dialogs; }
    platform::EventPump& pump() override { return *m_platform.pump; }
    platform::TextFileWriter& textFiles() override { return *m_platform.textFiles; }
    platform::Clipboard& clipboard() override { return *m_platform.clipboard; }
    platform::FileReader& fileReader() override { return *m_platform.fileReader; }
    platform::HttpClient& httpClient() override;
    QString mnemonicBaseUrl() const override { return m_platform.mnemonicBaseUrl; }
    QString mnemonicAddressProblem() const override { return m_platform.mnemonicAddressProblem; }
    platform::ServiceHost& serviceHost() override;
    platform::Spreadsheet& spreadsheet() override { return *m_platform.spreadsheet; }

    platform::Platform m_platform;
    bool m_generating = false;
    command::ResultOrigins m_resultOrigins;
    command::Pointer m_pointer = command::Pointer::Default;
    QCursor m_handCursor{Qt::PointingHandCursor};
    struct PointerArea {
        QString handler;
        bool pushButton;
    };
    QHash<const QObject*, PointerArea> m_pointerAreas;

    widgets::ListControl* m_wordList = nullptr;
    widgets::ListControl* m_resultTable = nullptr;
    QGroupBox* m_modeFrame = nullptr;
    QRadioButton* m_acronymMode = nullptr;
    QRadioButton* m_mnemonicMode = nullptr;
    widgets::CaptionProgressBar* m_progressBar = nullptr;
    QList<QPushButton*> m_buttons;
};

}  // namespace lexiquill::window
