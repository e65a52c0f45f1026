#pragma once

#include <QElapsedTimer>

#include "platform/event_pump.h"

namespace lexiquill::adapters {

// Processes the application's pending events; ending leaves every event loop.
//
// Looking for events costs a poll() system call even when there are none, and the
// exports yield once per cell: hundreds of thousands of times, which made the poll
// most of their time. So a yield that comes within kYieldIntervalNs of the last one
// that looked returns at once; events still run within a fraction of a millisecond,
// far sooner than anyone can tell.
class QtEventPump final : public platform::EventPump {
public:
    static constexpr qint64 kYieldIntervalNs = 200'000;

protected:
    void processPending() override;
    void quit() override;

private:
    QElapsedTimer m_sinceLook;
};

}  // namespace lexiquill::adapters
