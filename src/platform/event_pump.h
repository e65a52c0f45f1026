#pragma once

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
class QtEventPump final : public EventPump {
protected:
    void processPending() override;
    void quit() override;
};

}  // namespace lexiquill::platform
