#include "adapters/qt_event_pump.h"

#include <QCoreApplication>

namespace lexiquill::adapters {

void QtEventPump::processPending()
{
    if (m_sinceLook.isValid() && m_sinceLook.nsecsElapsed() < kYieldIntervalNs) return;
    QCoreApplication::processEvents();
    m_sinceLook.start();
}

void QtEventPump::quit() { QCoreApplication::exit(0); }

}  // namespace lexiquill::adapters
