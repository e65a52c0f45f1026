#include "adapters/qt_http_client.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>

namespace lexiquill::adapters {

namespace {

QString timeoutText(std::chrono::milliseconds timeout)
{
    const qint64 ms = timeout.count();
    const QString seconds = ms % 1000 == 0 ? QString::number(ms / 1000)
                                           : QString::number(static_cast<double>(ms) / 1000.0);
    return QStringLiteral("The request timed out after %1 %2")
        .arg(seconds, ms == 1000 ? QStringLiteral("second") : QStringLiteral("seconds"));
}

// Holds back the user's input to the windows while a request is under way, and hands
// it on in order once the answer is in, so that clicks and keys act on the window as
// the request left it. Waiting with QEventLoop::ExcludeUserInputEvents would do the
// same, but it also holds back the window system's close request, and the user
// could not leave while a service keeps silent.
class HeldInput final : public QObject {
public:
    HeldInput() { QCoreApplication::instance()->installEventFilter(this); }
    ~HeldInput() override { QCoreApplication::instance()->removeEventFilter(this); }

    void handOn()
    {
        QCoreApplication::instance()->removeEventFilter(this);
        for (auto& [window, event] : m_held) {
            if (window) QCoreApplication::postEvent(window, event.release());
        }
        m_held.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!watched->isWindowType() || !isUserInput(event->type())) return false;
        m_held.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
        return true;
    }

private:
    static bool isUserInput(QEvent::Type type)
    {
        switch (type) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TouchCancel:
                return true;
            default:
                return false;
        }
    }

    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};

}  // namespace

QtHttpClient::QtHttpClient(std::chrono::milliseconds timeout)
    : m_manager(std::make_unique<QNetworkAccessManager>()), m_timeout(timeout)
{
}

QtHttpClient::~QtHttpClient() = default;

QString QtHttpClient::get(const QString& address)
{
    const QUrl url = QUrl(address, QUrl::TolerantMode).adjusted(QUrl::RemoveFragment);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        throw platform::PlatformError(QStringLiteral("Not a web address: ") + address);
    }

    QNetworkRequest request(url);
    // Qt would ask for a compressed body and hold it back until it could inflate it.
    request.setRawHeader("Accept-Encoding", "identity");
    QByteArray body;
    bool finished = false;
    // A time-out and a cancel both end as OperationCanceledError; only these flags
    // tell the user which it was.
    bool timedOut = false;
    bool tooLarge = false;
    QTimer silence;
    silence.setSingleShot(true);
    // A coarse timer may fire 5% early: three seconds on a minute.
    silence.setTimerType(Qt::PreciseTimer);
    silence.setInterval(m_timeout);

    HeldInput input;
    const std::unique_ptr<QNetworkReply> reply(m_manager->get(request));
    QEventLoop loop;
    // Whatever leaves this function, the reply is finished and no longer talks to
    // the locals above.
    const auto cleanup = qScopeGuard([&] {
        if (!finished) reply->abort();
        reply->disconnect();
        silence.disconnect();
    });
    QObject::connect(&silence, &QTimer::timeout, reply.get(), [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(), [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kMaxBodyBytes) {
            tooLarge = true;
            reply->abort();
            return;
        }
        silence.start();
    });
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
        body += reply->readAll();
        if (body.size() > kMaxBodyBytes) {
            tooLarge = true;
            reply->abort();
            return;
        }
        silence.start();
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, reply.get(), [&] {
        finished = true;
        silence.stop();
        loop.quit();
    });

    silence.start();
    // Only the application quitting ends the loop before the reply has finished: the
    // window was closed, and the request is abandoned with the program.
    if (!finished) loop.exec();
    if (!finished) throw platform::ProgramEnding{};
    input.handOn();
    if (!tooLarge) body += reply->readAll();
    if (body.size() > kMaxBodyBytes) tooLarge = true;

    if (timedOut) throw platform::PlatformError(timeoutText(m_timeout));
    if (tooLarge) throw platform::PlatformError(QStringLiteral("The page is larger than 16 MiB"));
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        const QString reason =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
        throw platform::PlatformError(QStringLiteral("Server replied ") +
                                      QString::number(status.toInt()) +
                                      (reason.isEmpty() ? QString() : QLatin1Char(' ') + reason));
    }
    switch (reply->error()) {
        case QNetworkReply::NoError:
            break;
        case QNetworkReply::ConnectionRefusedError:
            throw platform::ConnectionRefused();
        case QNetworkReply::HostNotFoundError:
            throw platform::PlatformError(QStringLiteral("Host %1 not found").arg(url.host()));
        case QNetworkReply::RemoteHostClosedError:
            throw platform::PlatformError(
                QStringLiteral("The server closed the connection before the whole page arrived"));
        default:
            throw platform::PlatformError(reply->errorString());
    }
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && body.size() < length.toLongLong()) {
        throw platform::PlatformError(
            QStringLiteral("The server closed the connection before the whole page arrived"));
    }
    return QString::fromUtf8(body);
}

}  // namespace lexiquill::adapters
