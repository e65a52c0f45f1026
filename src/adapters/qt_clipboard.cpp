#include "adapters/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "platform/platform_error.h"

namespace lexiquill::adapters {

namespace {

QClipboard& systemClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        throw platform::PlatformError(QStringLiteral("There is no clipboard."));
    return *clipboard;
}

// Numbered formats other than plain text travel as a private MIME type.
QString mimeTypeOf(int format)
{
    return QStringLiteral("application/x-lexiquill-format-%1").arg(format);
}

}  // namespace

void QtClipboard::clear()
{
    QClipboard& clipboard = systemClipboard();
    clipboard.clear();
    const QMimeData* data = clipboard.mimeData();
    if (data != nullptr && !data->formats().isEmpty()) {
        throw platform::PlatformError(QStringLiteral("The clipboard could not be emptied."));
    }
}

void QtClipboard::setText(const QString& text, int format)
{
    QClipboard& clipboard = systemClipboard();
    bool placed = false;
    if (format == 0) {
        clipboard.setText(text);
        // An empty text may come back as no text at all, which is the same thing.
        const QMimeData* data = clipboard.mimeData();
        placed = (data != nullptr ? data->text() : QString()) == text;
    } else {
        auto* data = new QMimeData;
        data->setData(mimeTypeOf(format), text.toUtf8());
        clipboard.setMimeData(data);
        const QMimeData* back = clipboard.mimeData();
        placed = back != nullptr && back->data(mimeTypeOf(format)) == text.toUtf8();
    }
    if (!placed) throw platform::PlatformError(QStringLiteral("The clipboard could not be set."));
}

}  // namespace lexiquill::adapters
