#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <new>

#include "platform/platform_error.h"

namespace lexiquill::command {

class CommandContext;

// The module names the error report gives the window's handlers and the shared
// procedures.
inline const QString kWindowModule = QStringLiteral("Form1");
inline const QString kSharedModule = QStringLiteral("Main");

// Thrown to leave a command whose work can no longer come out right, such as an
// export whose rows were cleared while it yielded. No trap reports it: the command
// that throws it also catches it and tells the user once, in its own words.
struct CommandAbandoned {};

// The error trap of a procedure whose steps are numbered. A failing step is shown
// in the "Application Error" report under its number, and the procedure goes on
// with the next step.
class StepTrap {
public:
    StepTrap(CommandContext& context, QString module, QString procedure)
        : m_context(context), m_module(std::move(module)), m_procedure(std::move(procedure))
    {
    }

    template <class Action>
    void step(int line, Action&& action)
    {
        try {
            action();
        } catch (const platform::ProgramEnding&) {
            throw;
        } catch (const CommandAbandoned&) {
            throw;
        } catch (const std::bad_alloc&) {
            report(line, QStringLiteral("Out of memory"));
        } catch (const std::exception& e) {
            report(line, QString::fromStdString(e.what()));
        } catch (...) {
            report(line, QStringLiteral("Unexpected error"));
        }
    }

    // The test of a conditional step. A test that fails counts as true, so that the
    // procedure goes on with the first step inside the conditional.
    template <class Condition>
    bool test(int line, Condition&& condition)
    {
        bool result = true;
        step(line, [&] { result = condition(); });
        return result;
    }

    void report(int line, const QString& description);

private:
    CommandContext& m_context;
    QString m_module;
    QString m_procedure;
};

// Runs one step through the trap; true when it succeeded.
template <class Action>
bool attempt(StepTrap& trap, int line, Action&& action)
{
    bool done = false;
    trap.step(line, [&] {
        action();
        done = true;
    });
    return done;
}

// Runs a handler of the main window (or of another of its windows, named by module) so
// that nothing is ever thrown into the event loop: a failure that no step trap caught
// is reported as line 0 of the handler, and a command abandoned because the program is
// ending returns silently.
void runHandler(CommandContext& context, const QString& procedure,
                const std::function<void()>& body, const QString& module = kWindowModule) noexcept;

}  // namespace lexiquill::command
