#include <QApplication>

#include "platform/platform.h"
#include "shell/main_window.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    lexiquill::shell::MainWindow window(
        lexiquill::platform::realPlatform(QCoreApplication::applicationDirPath()));
    window.show();
    return QApplication::exec();
}
