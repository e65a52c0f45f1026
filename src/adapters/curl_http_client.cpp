#include "adapters/curl_http_client.h"

#include <curl/curl.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QPointer>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <map>
#include <vector>

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

// What one request gathers while it runs.
struct Transfer {
    QByteArray body;
    QByteArray reason;  // of the last status line: redirections come before it
    bool tooLarge = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    QEventLoop* loop = nullptr;
    char error[CURL_ERROR_SIZE] = {};
};

size_t onHeader(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(size * count)).trimmed();
    if (line.startsWith("HTTP/")) {
        // "HTTP/1.1 404 Not Found": the reason follows the code.
        const qsizetype code = line.indexOf(' ');
        const qsizetype reason = code < 0 ? -1 : line.indexOf(' ', code + 1);
        transfer->reason = reason < 0 ? QByteArray() : line.mid(reason + 1).trimmed();
    }
    return size * count;
}

size_t onBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const auto n = static_cast<qsizetype>(size * count);
    if (transfer->body.size() + n > CurlHttpClient::kMaxBodyBytes) {
        transfer->tooLarge = true;
        return 0;  // ends the transfer
    }
    transfer->body.append(data, n);
    return size * count;
}

bool isThisMachine(const QUrl& url)
{
    const QString host = url.host();
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           QHostAddress(host).isLoopback();
}

}  // namespace

// The multi handle and its sockets and timer, as Qt socket notifiers and a Qt timer,
// and the easy handles kept for reuse. Curl is only ever run from here.
class CurlHttpClient::Driver {
public:
    Driver()
    {
        static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (initialised != CURLE_OK || (m_multi = curl_multi_init()) == nullptr) {
            throw platform::PlatformError(QStringLiteral("The HTTP library could not start"));
        }
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &Driver::onSocket);
        curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &Driver::onTimer);
        curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    }

    ~Driver()
    {
        for (CURL* easy : m_idle) curl_easy_cleanup(easy);
        // Closing the kept connections still calls onSocket.
        curl_multi_cleanup(m_multi);
    }

    CURLM* multi() const { return m_multi; }

    CURL* take()
    {
        if (!m_idle.empty()) {
            CURL* easy = m_idle.back();
            m_idle.pop_back();
            return easy;
        }
        CURL* easy = curl_easy_init();
        if (easy == nullptr)
            throw platform::PlatformError(QStringLiteral("The HTTP library could not start"));
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 50L);
        // A compressed body would be held back until it could be inflated.
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "identity");
        curl_easy_setopt(easy, CURLOPT_USERAGENT, "Mozilla/5.0");
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t{kMaxBodyBytes});
        return easy;
    }

    void giveBack(CURL* easy) { m_idle.push_back(easy); }

private:
    struct Watch {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    // Lets curl go on with what a socket or its timer has for it, and ends the wait of
    // every request that has finished.
    void act(curl_socket_t socket, int events)
    {
        int running = 0;
        curl_multi_socket_action(m_multi, socket, events, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
            if (message->msg != CURLMSG_DONE) continue;
            Transfer* transfer = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
            transfer->result = message->data.result;
            transfer->done = true;
            transfer->loop->quit();
        }
    }

    // Notifiers are only switched off, never deleted, here: curl calls this from
    // inside act(), which a notifier's own signal may have started.
    void watch(std::unique_ptr<QSocketNotifier>& notifier, curl_socket_t socket,
               QSocketNotifier::Type type, bool on)
    {
        if (!notifier) {
            if (!on) return;
            notifier = std::make_unique<QSocketNotifier>(socket, type);
            const int events = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
            QObject::connect(notifier.get(), &QSocketNotifier::activated,
                             [this, socket, events] { act(socket, events); });
        }
        notifier->setEnabled(on);
    }

    static int onSocket(CURL*, curl_socket_t socket, int what, void* user, void*)
    {
        auto* driver = static_cast<Driver*>(user);
        Watch& watch = driver->m_watches[socket];
        driver->watch(watch.read, socket, QSocketNotifier::Read,
                      what == CURL_POLL_IN || what == CURL_POLL_INOUT);
        driver->watch(watch.write, socket, QSocketNotifier::Write,
                      what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
        return 0;
    }

    static int onTimer(CURLM*, long ms, void* user)
    {
        auto* driver = static_cast<Driver*>(user);
        if (ms < 0) {
            driver->m_timer.stop();
        } else {
            driver->m_timer.start(static_cast<int>(ms));
        }
        return 0;
    }

    CURLM* m_multi = nullptr;
    QTimer m_timer;
    std::map<curl_socket_t, Watch> m_watches;
    std::vector<CURL*> m_idle;
};

namespace {

// Throws the failure of a finished transfer, in words a user can act on: a status
// other than 2xx, a refusal, an unknown host, a page that breaks off, or curl's own.
void throwIfFailed(CURL* easy, const Transfer& transfer, const QString& host)
{
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status != 0 && (status < 200 || status > 299)) {
        throw platform::ServerReplied(static_cast<int>(status), QString::fromUtf8(transfer.reason));
    }
    switch (transfer.result) {
        case CURLE_OK:
            break;
        case CURLE_COULDNT_CONNECT: {
            long error = 0;
            curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &error);
            if (error == ECONNREFUSED) throw platform::ConnectionRefused();
            break;
        }
        case CURLE_COULDNT_RESOLVE_HOST:
            throw platform::PlatformError(QStringLiteral("Host %1 not found").arg(host));
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
            throw platform::ConnectionLost();
        default:
            break;
    }
    if (transfer.result != CURLE_OK) {
        throw platform::PlatformError(transfer.error[0] != '\0'
                                          ? QString::fromUtf8(transfer.error)
                                          : QString::fromUtf8(curl_easy_strerror(transfer.result)));
    }
}

}  // namespace

CurlHttpClient::CurlHttpClient(std::chrono::milliseconds timeout)
    : m_driver(std::make_unique<Driver>()), m_timeout(timeout)
{
}

CurlHttpClient::~CurlHttpClient() = default;

QString CurlHttpClient::get(const QString& address)
{
    const QUrl url = QUrl(address, QUrl::TolerantMode).adjusted(QUrl::RemoveFragment);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        throw platform::PlatformError(QStringLiteral("Not a web address: ") + address);
    }

    Transfer transfer;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    // A coarse timer may fire 5% early: three seconds on a minute.
    deadline.setTimerType(Qt::PreciseTimer);
    deadline.setInterval(m_timeout);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    transfer.loop = &loop;

    CURL* easy = m_driver->take();
    const QByteArray target = url.toEncoded();
    curl_easy_setopt(easy, CURLOPT_URL, target.constData());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.error);
    // A service on this machine is asked directly, whatever proxy the environment names.
    curl_easy_setopt(easy, CURLOPT_PROXY, isThisMachine(url) ? "" : nullptr);
    // A secure address is never redirected to a plain one.
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR,
                     scheme == QLatin1String("https") ? "https" : "http,https");

    HeldInput input;
    curl_multi_add_handle(m_driver->multi(), easy);
    // Whatever leaves this function, the transfer is over (abandoned if unfinished)
    // and the handle is free for the next request.
    const auto cleanup = qScopeGuard([&] {
        curl_multi_remove_handle(m_driver->multi(), easy);
        m_driver->giveBack(easy);
    });
    deadline.start();
    // Only the application quitting ends the loop before the transfer has finished or
    // the deadline has passed: the window was closed, and the request is abandoned with
    // the program.
    loop.exec();
    if (!transfer.done && !timedOut) throw platform::ProgramEnding{};
    input.handOn();

    if (timedOut) throw platform::PlatformError(timeoutText(m_timeout));
    if (transfer.tooLarge || transfer.result == CURLE_FILESIZE_EXCEEDED) {
        throw platform::PlatformError(QStringLiteral("The page is larger than 16 MiB"));
    }
    throwIfFailed(easy, transfer, url.host());
    return QString::fromUtf8(transfer.body);
}

}  // namespace lexiquill::adapters
