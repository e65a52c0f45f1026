#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "adapters/qt_dialogs.h"
#include "platform/dialogs.h"
#include "support/test_platform.h"

using lexiquill::adapters::QtDialogs;
using lexiquill::platform::OpenDialogOptions;

namespace {

const QString kNul(QChar(0));

OpenDialogOptions listOptions()
{
    OpenDialogOptions options;
    options.flags = 2621953;
    options.title = "Load List(s) - Hold Ctrl to select multiple list files";
    options.filter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
    return options;
}

// Shows the real dialog and lets the user act on it once it is up.
QString runDialog(QtDialogs& dialogs, const std::function<void(QFileDialog&)>& user)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        poll.stop();
        // The user works in the dialog, which has the focus.
        dialog->activateWindow();
        if (!QTest::qWaitForWindowActive(dialog)) qWarning("the dialog did not become active");
        user(*dialog);
    });
    poll.start();
    return dialogs.openFileName(listOptions());
}

void type(QFileDialog& dialog, const QString& folder, const QString& text)
{
    dialog.setDirectory(folder);
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(edit != nullptr);
    edit->setFocus();
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QStringList filterLabels(QFileDialog& dialog)
{
    auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo");
    QStringList labels;
    for (int i = 0; combo != nullptr && i < combo->count(); ++i) labels.append(combo->itemText(i));
    return labels;
}

}  // namespace

class TestOpenFileDialog : public QObject {
    Q_OBJECT

private slots:
    void typedNamesComeBackInTheDialogForm_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");  // "<dir>" stands for the folder
        QTest::newRow("typed name of a missing file") << "missing.txt"
                                                      << "<dir>/missing.txt";
        QTest::newRow("one existing file") << "a.txt"
                                           << "<dir>/a.txt";
        QTest::newRow("several files: folder, then names in order")
            << R"("b.txt" "a.txt" "gone.txt")"
            << "<dir>" + kNul + "b.txt" + kNul + "a.txt" + kNul + "gone.txt";
    }

    void typedNamesComeBackInTheDialogForm()
    {
        QFETCH(QString, typed);
        QFETCH(QString, result);
        QTemporaryDir dir;
        for (const char* name : {"a.txt", "b.txt"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QtDialogs dialogs;
        const QString chosen =
            runDialog(dialogs, [&](QFileDialog& d) { type(d, dir.path(), typed); });
        QCOMPARE(chosen, result.replace("<dir>", dir.path()));
    }

    // It only chooses files to read: the menu on a file offers no way to change one, and
    // the Delete key deletes nothing, even when its question is answered Yes.
    void aFileCanBeNeitherDeletedNorRenamed()
    {
        QTemporaryDir dir;
        lexiquill::test::writeFile(dir.filePath("a.txt"), "");
        QtDialogs dialogs;
        QStringList offered;
        runDialog(dialogs, [&](QFileDialog& d) {
            d.setDirectory(dir.path());
            auto* view = d.findChild<QListView*>("listView");
            QModelIndex item;
            QTRY_VERIFY((item = view->model()->index(0, 0, view->rootIndex())).isValid());
            QTimer::singleShot(100, &d, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                for (QAction* action : menu ? menu->actions() : QList<QAction*>{}) {
                    if (action->isVisible()) offered << action->text();
                }
                if (menu) menu->close();
            });
            emit view->customContextMenuRequested(view->visualRect(item).center());
            view->setCurrentIndex(item);
            QTimer::singleShot(100, &d, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    box->button(QMessageBox::Yes)->click();
            });
            QTest::keyClick(view, Qt::Key_Delete);
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        QVERIFY(!offered.isEmpty());
        QCOMPARE(offered.filter("Rename") + offered.filter("Delete"), QStringList{});
        QVERIFY(QFile::exists(dir.filePath("a.txt")));
    }

    void cancelGivesNothing()
    {
        QtDialogs dialogs;
        const QString chosen =
            runDialog(dialogs, [](QFileDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
        QCOMPARE(chosen, QString());
    }

    void titleAndFiltersAndTheFilterIsRemembered()
    {
        QTemporaryDir dir;
        QtDialogs dialogs;
        QString title;
        QStringList labels;
        QString firstFilter;
        runDialog(dialogs, [&](QFileDialog& d) {
            title = d.windowTitle();
            labels = filterLabels(d);
            auto* combo = d.findChild<QComboBox*>("fileTypeCombo");
            firstFilter = combo->currentText();
            combo->setFocus();
            QTest::keyClick(combo, Qt::Key_Down);
            type(d, dir.path(), "words");
        });
        QCOMPARE(title, QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"));
        QCOMPARE(labels, (QStringList{"Text Files (*.txt)", "All Files (*.*)"}));
        QCOMPARE(firstFilter, QStringLiteral("Text Files (*.txt)"));

        QString secondFilter;
        QStringList patterns;
        runDialog(dialogs, [&](QFileDialog& d) {
            secondFilter = d.findChild<QComboBox*>("fileTypeCombo")->currentText();
            patterns = d.nameFilters().last().split(' ');
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        QCOMPARE(secondFilter, QStringLiteral("All Files (*.*)"));
        // Every file, also one without a dot in its name.
        QCOMPARE(patterns.last(), QStringLiteral("(*)"));
    }
};

QTEST_MAIN(TestOpenFileDialog)
#include "tst_open_file_dialog.moc"
