#pragma once

// A deliberately plain HTTP/1.1 client over a loopback socket, so that the tests can send
// what no well-behaved client would: huge request lines, NUL bytes, broken escapes.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <cerrno>

struct RawResponse {
    int status = 0;  // 0: no answer
    QByteArray headers;
    QByteArray body;

    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : headers.split('\n')) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower()) {
                return line.mid(colon + 1).trimmed();
            }
        }
        return {};
    }
};

class RawConnection {
public:
    explicit RawConnection(int port)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval timeout{5, 0};
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(m_socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        const int yes = 1;
        ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected =
            ::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawConnection()
    {
        if (m_socket >= 0) ::close(m_socket);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return m_connected; }

    // Sends the bytes as they are, reading what comes meanwhile: a server may answer before
    // it has read them all, and waits for a reader while this one is still sending. Stops
    // when the server ends the connection or nothing moves for the time-out.
    void sendOnly(const QByteArray& bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            pollfd ready{m_socket, POLLIN | POLLOUT, 0};
            if (::poll(&ready, 1, 5000) <= 0) return;
            if (ready.revents & POLLIN) {
                if (!receive()) return;
            } else if (!(ready.revents & POLLOUT)) {
                return;
            }
            const ssize_t n =
                ::send(m_socket, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent),
                       MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && errno != EAGAIN) return;
            sent += qMax<ssize_t>(n, 0);
        }
    }

    // True when the server ends the connection before sending anything more; false when
    // more comes or it stays silent for the time-out.
    bool endsStream()
    {
        while (m_pending.isEmpty() && receive()) {
        }
        return m_pending.isEmpty() && m_ended;
    }

    // Closes with a reset instead of an orderly shutdown, as a client that gives up does.
    void reset()
    {
        linger hard{1, 0};
        ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(m_socket);
        m_socket = -1;
    }

    // Sends the bytes and reads one response (by its Content-Length).
    RawResponse exchange(const QByteArray& request)
    {
        sendOnly(request);
        RawResponse response;
        qsizetype headerEnd = -1;
        while ((headerEnd = m_pending.indexOf("\r\n\r\n")) < 0) {
            if (!receive()) return response;
        }
        response.headers = m_pending.left(headerEnd);
        const QByteArray statusLine = response.headers.left(response.headers.indexOf("\r\n"));
        const QList<QByteArray> parts = statusLine.split(' ');
        if (parts.size() >= 2 && parts[0].startsWith("HTTP/1.")) response.status = parts[1].toInt();
        const qsizetype length = response.header("Content-Length").toLongLong();
        const bool head = request.startsWith("HEAD ");
        const qsizetype total = headerEnd + 4 + (head ? 0 : length);
        while (m_pending.size() < total) {
            if (!receive()) break;
        }
        response.body = m_pending.mid(headerEnd + 4, head ? 0 : length);
        m_pending.remove(0, qMin(total, m_pending.size()));
        return response;
    }

    RawResponse get(const QByteArray& target)
    {
        return exchange("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    }

private:
    bool receive()
    {
        char buffer[16384];
        const ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
        m_ended = n == 0;
        if (n <= 0) return false;
        m_pending.append(buffer, n);
        return true;
    }

    int m_socket = -1;
    bool m_connected = false;
    bool m_ended = false;  // the server has ended the connection
    QByteArray m_pending;
};

inline RawResponse rawGet(int port, const QByteArray& target)
{
    RawConnection connection(port);
    return connection.get(target);
}
