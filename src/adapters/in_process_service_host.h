#pragma once

#include <memory>

#include "platform/service_host.h"

namespace lexiquill::service {
class MnemonicServer;
}

namespace lexiquill::adapters {

// Runs the mnemonic service on background threads of this process. It serves until
// the host is destroyed, which stops it and waits for its threads.
class InProcessServiceHost final : public platform::ServiceHost {
public:
    InProcessServiceHost();
    ~InProcessServiceHost() override;

    bool start(const QString& baseUrl) override;
    qsizetype longestPhrase() const override;

private:
    std::unique_ptr<service::MnemonicServer> m_server;
};

}  // namespace lexiquill::adapters
