#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lexiquill::service {

// Requests answered on one connection before it closes, as the Keep-Alive header announces.
inline constexpr int kRequestsPerConnection = 100000;

// How an answer is framed on its connection.
struct Framing {
    bool head = false;      // a HEAD request: headers only
    bool keepAlive = true;  // the connection stays open for the next request
    int idleSeconds = 10;   // announced in Keep-Alive
};

// One answer of the service, as the bytes that go back to the client.
struct Answer {
    int status = 200;
    std::size_t bodySize = 0;  // what the log reports, also for HEAD
    std::string bytes;
};

// The answer to a parsed request: the routes, their statuses, headers and pages.
Answer answerRequest(std::string_view method, std::string_view target, const Framing& framing);

// The answer to a request that could not be read (400, 413, 414, 431) or not be taken (503).
Answer answerFailure(int status, const Framing& framing);

}  // namespace lexiquill::service
