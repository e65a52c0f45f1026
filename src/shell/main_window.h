#pragma once

#include <QCursor>
#include <QHash>
#include <QWidget>

#include "platform/platform.h"
#include "shell/command_context.h"

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace lexiquill::platform {
class CaptionProgressBar;
class ListControl;
}  // namespace lexiquill::platform

namespace lexiquill::shell {

// The Lexiquill window. It lays out the controls, runs the start-up steps, and hands
// every event to its command; the commands see the window through CommandContext.
// Controls carry their design names as object names ("ListView1", "PushButton2").
class MainWindow : public QWidget, private CommandContext {
    Q_OBJECT

public:
    explicit MainWindow(platform::Platform platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    CommandContext& context() { return *this; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton4_Click();
    void PushButton12_Click();
    void ListView1_DblClick();
    void ListView1_KeyDown(int key);
    // Local files dropped on ListView1, loaded like the files of Load Word(s) From File.
    void ListView1_OLEDragDrop(const QStringList& paths);
    bool dragOverListView1(QEvent* event);
    // Form_MouseMove, Frame1_MouseMove, ListView1_MouseMove, ListView2_MouseMove and
    // PushButtonN_MouseMove for each push button.
    void MouseMove(const QString& handler, bool overPushButton);
    void trackPointer(QWidget* widget, const QString& handler, bool overPushButton);

    // CommandContext
    platform::ListView& wordList() override;
    platform::ListView& resultTable() override;
    bool isOption1() const override;
    bool isOption2() const override;
    void selectOption2() override;
    void setProgressValue(int value) override;
    void setProgressText(const QString& text) override;
    Pointer pointer() const override { return m_pointer; }
    void setPointer(Pointer pointer) override;
    bool busyFlag() const override { return m_busyFlag; }
    void setBusyFlag(bool busy) override { m_busyFlag = busy; }
    platform::Dialogs& dialogs() override { return *m_platform.dialogs; }
    platform::EventPump& pump() override { return *m_platform.pump; }
    platform::TextFileWriter& textFiles() override { return *m_platform.textFiles; }
    platform::Clipboard& clipboard() override { return *m_platform.clipboard; }
    platform::FileReader& fileReader() override { return *m_platform.fileReader; }
    platform::HttpClient& httpClient() override;
    QString mnemonicBaseUrl() const override { return m_platform.mnemonicBaseUrl; }
    platform::ServiceHost& serviceHost() override;
    platform::Spreadsheet& spreadsheet() override { return *m_platform.spreadsheet; }

    platform::Platform m_platform;
    bool m_busyFlag = false;
    Pointer m_pointer = Pointer::Default;
    QCursor m_handCursor{Qt::PointingHandCursor};
    struct PointerArea {
        QString handler;
        bool pushButton;
    };
    QHash<const QObject*, PointerArea> m_pointerAreas;

    platform::ListControl* m_listView1 = nullptr;
    platform::ListControl* m_listView2 = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    platform::CaptionProgressBar* m_progressBar1 = nullptr;
};

}  // namespace lexiquill::shell
