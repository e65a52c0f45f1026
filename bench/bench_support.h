#pragma once

#include <QString>
#include <QtGlobal>

namespace lexiquill::bench {

// What every benchmark driver needs besides the code it times.

// Prints "<driver>: message" on standard error.
void fail(const QString& message);
// Lets timers fire and the window paint, as they would between a user's actions.
void settle(int ms);
inline double milliseconds(qint64 ns) { return static_cast<double>(ns) / 1e6; }
// Draws off screen unless the caller named a platform, so a driver runs anywhere.
void useOffscreenUnlessSet();

}  // namespace lexiquill::bench
