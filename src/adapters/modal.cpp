#include "adapters/modal.h"

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QDialog>
#include <QGuiApplication>
#include <QPointer>
#include <cstring>

namespace lexiquill::adapters {

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// Notes the X11 close requests (WM_DELETE_WINDOW) of windows other than the box's.
class BlockedCloses final : public QAbstractNativeEventFilter {
public:
    explicit BlockedCloses(QDialog& dialog) : m_dialog(dialog)
    {
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (x11 == nullptr || x11->connection() == nullptr) return;  // another window system
        m_protocols = internAtom(x11->connection(), "WM_PROTOCOLS");
        m_deleteWindow = internAtom(x11->connection(), "WM_DELETE_WINDOW");
        qGuiApp->installNativeEventFilter(this);
    }

    // Carries out the closes noted, once control is back in the caller's event loop.
    ~BlockedCloses() override
    {
        qGuiApp->removeNativeEventFilter(this);
        for (const QPointer<QWidget>& window : std::as_const(m_closes)) {
            if (window) QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
        }
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        if (client->format != 32 || client->type != m_protocols ||
            client->data.data32[0] != m_deleteWindow) {
            return false;
        }
        QWidget* window = QWidget::find(client->window);
        if (window != nullptr && window != &m_dialog && !m_closes.contains(window)) {
            m_closes.append(window);
        }
        return false;  // Qt goes on to drop it while the box is open
    }

private:
    QDialog& m_dialog;
    xcb_atom_t m_protocols = XCB_ATOM_NONE;
    xcb_atom_t m_deleteWindow = XCB_ATOM_NONE;
    QList<QPointer<QWidget>> m_closes;
};

}  // namespace

int execModal(QDialog& dialog)
{
    const BlockedCloses closes(dialog);
    return dialog.exec();
}

}  // namespace lexiquill::adapters
