#pragma once

#include "platform/dialogs.h"

namespace lexiquill::adapters {

class QtDialogs final : public platform::Dialogs {
public:
    void setApplicationTitle(const QString& title) override;
    void showMessage(const QString& text) override;
    QString inputText(const QString& prompt) override;
    void showErrorReport(const QString& text) override;
    QString saveFileName(const platform::SaveDialogOptions& options) override;
    QString openFileName(const platform::OpenDialogOptions& options) override;

private:
    QString m_title;
    // The filter the user picked last in the open dialog, counted from 0.
    int m_openFilterIndex = 0;
};

}  // namespace lexiquill::adapters
