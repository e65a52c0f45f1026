#pragma once

#include "platform/dialogs.h"

namespace lexiquill::platform {

class QtDialogs final : public Dialogs {
public:
    void setApplicationTitle(const QString& title) override;
    void showMessage(const QString& text) override;
    QString inputText(const QString& prompt) override;
    void showErrorReport(const QString& text) override;
    QString saveFileName(const SaveDialogOptions& options) override;

private:
    QString m_title;
};

}  // namespace lexiquill::platform
