#include "support/loopback_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <chrono>
#include <stdexcept>

namespace lexiquill::test {

LoopbackServer::LoopbackServer() { m_server.set_tcp_nodelay(true); }

LoopbackServer::~LoopbackServer()
{
    m_server.stop();
    if (m_thread.joinable()) m_thread.join();
}

void LoopbackServer::start()
{
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port < 0) throw std::runtime_error("cannot bind a loopback port");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    // A stop before the thread listens is lost, and the destructor would wait for it for
    // ever: a test that ends at once must not hang.
    for (int waited = 0; !m_server.is_running(); ++waited) {
        if (waited == 10000) throw std::runtime_error("the loopback server does not listen");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

QString LoopbackServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

int freeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("no free port");
    return probe.serverPort();
}

}  // namespace lexiquill::test
