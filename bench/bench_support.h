#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lexiquill::test {
class FakeDialogs;
}

namespace lexiquill::bench {

// What every benchmark driver needs besides the code it times.

// Words the drivers make their phrases of, one for each letter.
inline constexpr const char* kPhraseWords[] = {
    "apple",  "bridge",  "candle",   "dolphin", "engine", "forest",    "garden", "harbor", "island",
    "jacket", "kettle",  "lantern",  "meadow",  "needle", "orchard",   "pepper", "quartz", "river",
    "saddle", "thunder", "umbrella", "valley",  "window", "xylophone", "yellow", "zephyr",
};

// Prints "<driver>: message" on standard error.
void fail(const QString& message);
// Lets timers fire and the window paint, as they would between a user's actions.
void settle(int ms);
inline double milliseconds(qint64 ns) { return static_cast<double>(ns) / 1e6; }
// Draws off screen unless the caller named a platform, so a driver runs anywhere.
void useOffscreenUnlessSet();
// The most memory the process has held so far, in MiB.
long peakMemoryMiB();
// What every driver runs the real window over: boxes recorded (handed back in boxes),
// the real event pump and the plain skin engine, the executable's folder. The driver
// adds the adapters of the command it times.
platform::Platform windowPlatform(test::FakeDialogs*& boxes);

// How a child process ran.
struct Child {
    double wallMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
    bool ok = false;
};
// Runs argv with standard input and output on the given descriptors (-1: /dev/null)
// and measures it alone, from start to exit.
Child spawn(const std::vector<std::string>& argv, int in, int out);
double median(std::vector<double> values);

// A list of bench/data: its "# title (field)" and its items.
struct List {
    QString title;
    QStringList items;
};
// The lists of a file of bench/data; none when it cannot be read.
QList<List> readLists(const QString& path);

}  // namespace lexiquill::bench
