#include "bench_support.h"

#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "adapters/plain_skin_engine.h"
#include "adapters/qt_event_pump.h"
#include "support/test_platform.h"

namespace lexiquill::bench {

void fail(const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
                 qPrintable(message));
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void useOffscreenUnlessSet()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

long peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_maxrss + 512) / 1024;  // Linux gives kilobytes
}

platform::Platform windowPlatform(test::FakeDialogs*& boxes)
{
    platform::Platform p;
    auto dialogs = std::make_unique<test::FakeDialogs>();
    boxes = dialogs.get();
    p.dialogs = std::move(dialogs);
    p.pump = std::make_unique<adapters::QtEventPump>();
    p.skinEngine = std::make_unique<adapters::PlainSkinEngine>();
    p.programFolder = QCoreApplication::applicationDirPath();
    return p;
}

QList<List> readLists(const QString& path)
{
    QFile file(path);
    QList<List> lists;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return lists;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(QLatin1String("# "))) {
            lists.append({line.mid(2), {}});
        } else if (!line.isEmpty() && !line.startsWith(u'#') && !lists.isEmpty()) {
            lists.last().items.append(line);
        }
    }
    return lists;
}

}  // namespace lexiquill::bench
