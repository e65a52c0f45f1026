#include "command/step_trap.h"

#include "command/app_identity.h"
#include "command/command_context.h"
#include "platform/dialogs.h"

namespace lexiquill::command {

void StepTrap::report(int line, const QString& description)
{
    m_context.dialogs().showErrorReport(errorReportText(description, m_module, m_procedure, line));
}

void runHandler(CommandContext& context, const QString& procedure,
                const std::function<void()>& body, const QString& module) noexcept
{
    try {
        StepTrap trap(context, module, procedure);
        try {
            trap.step(0, body);
        } catch (const platform::ProgramEnding&) {
        }
    } catch (...) {
        // The report itself failed; there is nobody left to tell.
    }
}

}  // namespace lexiquill::command
