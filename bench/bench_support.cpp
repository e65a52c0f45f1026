#include "bench_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <algorithm>
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

Child spawn(const std::vector<std::string>& argv, int in, int out)
{
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(in >= 0 ? in : null, STDIN_FILENO);
        dup2(out >= 0 ? out : null, STDOUT_FILENO);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Child child;
    child.wallMs = milliseconds(timer.nsecsElapsed());
    child.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    child.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    child.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!child.ok) fail(QStringLiteral("%1 failed").arg(QString::fromStdString(argv[0])));
    return child;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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
