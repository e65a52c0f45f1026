#include "shell/step_trap.h"

#include "platform/dialogs.h"
#include "shell/app_identity.h"
#include "shell/command_context.h"

namespace lexiquill::shell {

void StepTrap::report(int line, const QString& description)
{
    m_context.dialogs().showErrorReport(errorReportText(description, m_module, m_procedure, line));
}

void runHandler(CommandContext& context, const QString& procedure,
                const std::function<void()>& body) noexcept
{
    try {
        StepTrap trap(context, QStringLiteral("Form1"), procedure);
        try {
            trap.step(0, body);
        } catch (const platform::ProgramEnding&) {
        }
    } catch (...) {
        // The report itself failed; there is nobody left to tell.
    }
}

}  // namespace lexiquill::shell
