#pragma once

#include "platform/platform_error.h"

namespace lexiquill::platform {

// Yielding to pending window events, and ending the program. Every yield of every
// command goes through yield(), so ending the program in the middle of a command is
// handled here once: after endProgram(), yield() throws ProgramEnding.
class EventPump {
public:
    virtual ~EventPump() = default;

    void yield()
    {
        if (!m_ending) processPending();
        if (m_ending) throw ProgramEnding{};
    }
    void endProgram()
    {
        if (m_ending) return;
        m_ending = true;
        quit();
    }
    bool isEnding() const { return m_ending; }

protected:
    virtual void processPending() = 0;
    virtual void quit() = 0;

private:
    bool m_ending = false;
};

}  // namespace lexiquill::platform
