#pragma once

#include <QElapsedTimer>

namespace lexiquill::platform {

// Yielding to pending window events, and ending the program. Every yield of every
// command goes through yield(), so ending the program in the middle of a command is
// handled here once: after endProgram(), yield() throws ProgramEnding.
class EventPump {
public:
    virtual ~EventPump() = default;

    void yield();
    void endProgram();
    bool isEnding() const { return m_ending; }

protected:
    virtual void processPending() = 0;
    virtual void quit() = 0;

private:
    bool m_ending = false;
};

// Processes the application's pending events; ending leaves every event loop.
//
// Looking for events costs a poll() system call even when there are none, and the
// exports yield once per cell: hundreds of thousands of times, which made the poll
// most of their time. So a yield that comes within kYieldIntervalNs of the last one
// that looked returns at once; events still run within a fraction of a millisecond,
// far sooner than anyone can tell.
class QtEventPump final : public EventPump {
public:
    static constexpr qint64 kYieldIntervalNs = 200'000;

protected:
    void processPending() override;
    void quit() override;

private:
    QElapsedTimer m_sinceLook;
};

}  // namespace lexiquill::platform
