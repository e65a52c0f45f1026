#pragma once

#include <QDialog>

#include "menu/list_sentence.h"

class QBoxLayout;
class QCheckBox;
class QLabel;

namespace lexiquill::command {
class CommandContext;
}

namespace lexiquill::widgets {
class ListControl;
}

namespace lexiquill::window {

// "Sentence for the List…": plans the word list's sentence and shows it in a window of
// its own beside the main window, which stays usable. One such window is open at a
// time; opening another closes the first. A service that fails is reported once, and
// no window opens.
void openSentenceDialog(command::CommandContext& context, QWidget* mainWindow);

// The key, each item beside its word (the start of the word in bold, a tick to keep
// it), and the sentence. Works on the items as they were when it opened and never
// changes the main window's lists.
class SentenceDialog : public QDialog {
    Q_OBJECT

public:
    SentenceDialog(command::CommandContext& context, menu::ListSentence sentence, QWidget* parent);

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createWordList(QBoxLayout& layout);
    void createButtons(QBoxLayout& layout);
    // The items in their order, those of kept (kept[i] for the item at i) ticked, and
    // the sentence.
    void showItems(const QList<bool>& kept);
    void showSentence();
    // The ticks: kept[i] for the item at i.
    QList<bool> kept() const;
    // Runs a command that may ask the service. The window system may close the dialog
    // meanwhile: it then goes once the command is over, not under its feet.
    void run(const QString& procedure, const std::function<void()>& body);
    // The other words for the word of a row (from 1), as a menu at globalPos.
    void showOtherWords(int row, const QPoint& globalPos);
    void showOtherWordsAtCurrentRow();
    void drawAgain();
    void setAnyOrder(bool anyOrder);

    command::CommandContext& m_context;
    menu::ListSentence m_sentence;
    bool m_running = false;
    bool m_closed = false;
    QLabel* m_key = nullptr;
    widgets::ListControl* m_words = nullptr;
    QLabel* m_text = nullptr;
    QCheckBox* m_anyOrder = nullptr;
};

}  // namespace lexiquill::window
