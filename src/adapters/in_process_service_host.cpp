#include "adapters/in_process_service_host.h"

#include <QHostAddress>
#include <QUrl>
#include <string_view>

#include "service/mnemonic_server.h"
#include "service/request_stream.h"

namespace lexiquill::adapters {

InProcessServiceHost::InProcessServiceHost() = default;

InProcessServiceHost::~InProcessServiceHost()
{
    if (m_server) m_server->stop();
}

bool InProcessServiceHost::start(const QString& baseUrl)
{
    if (m_server) return true;
    const QUrl url(baseUrl);
    if (url.scheme() != QLatin1String("http")) return false;
    // Only an address of this machine can be served from here; a service elsewhere
    // that does not answer is an ordinary failure.
    const QString host = url.host();
    const QHostAddress address(host);
    if (host != QLatin1String("localhost") && !address.isLoopback()) return false;

    auto server = std::make_unique<service::MnemonicServer>();
    if (!server->start(host.toStdString(), url.port(80))) return false;
    m_server = std::move(server);
    return true;
}

qsizetype InProcessServiceHost::longestPhrase() const
{
    // The request line around the phrase, as the program asks for a page.
    constexpr std::string_view around = "GET /mnemonics/?w= HTTP/1.1\r\n";
    return static_cast<qsizetype>(service::kRequestLineLimit - around.size());
}

}  // namespace lexiquill::adapters
