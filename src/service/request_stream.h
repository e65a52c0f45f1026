#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "service/http_answer.h"

namespace lexiquill::service {

// The longest request line the service reads, its CRLF included; a longer one is
// answered 414.
inline constexpr std::size_t kRequestLineLimit = 8192;

// The requests of one connection, read from its bytes however they are split, and their
// answers in order; the socket is the caller's. The caller hands over what it reads with
// received() and does what next() says.
class RequestStream {
public:
    enum class Step {
        read,    // more bytes are needed
        write,   // answer() is ready; after one with Connection: close comes finish
        finish,  // nothing more is answered: stop sending, then read and drop what still comes
        close,   // stopped with nothing owed: the connection may close at once
    };

    explicit RequestStream(int idleSeconds);
    ~RequestStream();
    RequestStream(const RequestStream&) = delete;
    RequestStream& operator=(const RequestStream&) = delete;

    // How many bytes to read next, at most: a connection never holds more than the largest
    // unfinished request and one byte, however much its client sends.
    std::size_t room() const;
    // Bytes as they came; they are copied, so the caller may reuse its buffer at once.
    void received(std::string_view bytes);
    // When the service stops (`stopping`), requests already received or begun are answered,
    // the last one (after which nothing more is at hand) with Connection: close, and nothing
    // after it. `unread`: bytes the client has sent that the caller has not read yet.
    Step next(bool stopping, std::size_t unread);

    Answer& answer() { return m_answer; }
    // The answered request line for the log, made printable; "-" for a request refused unread.
    std::string describe() const;

    // No request partly read and no bytes unread.
    bool idle() const;
    // The memory held for bytes not yet done with: none while idle.
    std::size_t capacity() const { return m_buffer.capacity(); }

private:
    std::string_view pending() const;
    bool beginRequest();
    std::size_t headerEnd();
    int parse(bool& needMore);
    int checkHeader();
    void compact();
    Step answer(bool last);
    Step refuse(int status);

    struct Parsing;
    std::unique_ptr<Parsing> m_parsing;  // the request being read
    std::vector<char> m_buffer;          // received bytes from m_begin on are not parsed yet
    std::size_t m_begin = 0;
    std::size_t m_searched = 0;  // the end of the header being read is not before this
    Answer m_answer;
    int m_idleSeconds;
    int m_answered = 0;
    bool m_finished = false;
};

}  // namespace lexiquill::service
