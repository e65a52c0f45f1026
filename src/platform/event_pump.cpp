#include "platform/event_pump.h"

#include <QCoreApplication>

#include "platform/platform_error.h"

namespace lexiquill::platform {

void EventPump::yield()
{
    if (!m_ending) processPending();
    if (m_ending) throw ProgramEnding{};
}

void EventPump::endProgram()
{
    if (m_ending) return;
    m_ending = true;
    quit();
}

void QtEventPump::processPending()
{
    if (m_sinceLook.isValid() && m_sinceLook.nsecsElapsed() < kYieldIntervalNs) return;
    QCoreApplication::processEvents();
    m_sinceLook.start();
}

void QtEventPump::quit() { QCoreApplication::exit(0); }

}  // namespace lexiquill::platform
