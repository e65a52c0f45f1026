#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "service/http_answer.h"

namespace lexiquill::service {

// The requests of one connection, read from its bytes however they are split, and their
// answers in order; the socket is the caller's. The caller reads into space(), reports
// what came with received(), and does what next() says.
class RequestStream {
public:
    enum class Step {
        read,    // more bytes are needed
        write,   // answer() is ready; keepAlive() says whether more requests are read after it
        finish,  // nothing more is answered: stop sending, then read and drop what still comes
        close,   // stopped with nothing owed: the connection may close at once
    };

    explicit RequestStream(int idleSeconds);
    ~RequestStream();
    RequestStream(const RequestStream&) = delete;
    RequestStream& operator=(const RequestStream&) = delete;

    std::span<char> space();  // where the next bytes go; never empty
    void received(std::size_t count);
    // `waiting`: bytes the client has sent that are not read yet (they matter at a stop).
    Step next(std::size_t waiting = 0);

    Answer& answer() { return m_answer; }
    bool keepAlive() const { return !m_finished; }
    // The answered request line for the log, made printable; "-" for a request refused unread.
    std::string describe() const;

    // No request partly read and no bytes unread.
    bool idle() const;
    // The service stops: requests already received or begun are answered, the last one
    // (after which nothing more is at hand) with Connection: close, and nothing after it.
    void stop() { m_stopping = true; }
    bool stopping() const { return m_stopping; }
    std::size_t capacity() const { return m_buffer.size(); }

private:
    Step answer(std::size_t waiting);
    Step refuse(int status);

    struct Parsing;
    std::unique_ptr<Parsing> m_parsing;  // the request being read
    std::string m_buffer;                // received bytes from m_begin to m_end are not parsed yet
    std::size_t m_start = 0;             // where the request being read began
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    Answer m_answer;
    int m_idleSeconds;
    int m_answered = 0;
    bool m_finished = false;
    bool m_stopping = false;
};

}  // namespace lexiquill::service
