// Feeds raw bytes, split into reads as the input chooses, to the reading and answering of one
// connection, and checks what a client relies on: every answer framed whole, the one that
// ends the connection saying so and nothing after it, and the bytes held within bounds.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "service/request_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using lexiquill::service::RequestStream;
    if (size < 3) return 0;
    // The first byte chooses a start that takes the fuzzer a while to find, and seeds the
    // lengths of the reads. The second byte's low six bits are the read after which the
    // service stops, unless its top bit is set; with its 0x40 bit, the last byte comes 40,000
    // times more, as in an endless line, field or chunk extension.
    static constexpr std::string_view kStarts[] = {
        "", "GET /mnemonics/?w=", "HEAD /healthz HTTP/1.1\r\nHost: x\r\n",
        "POST /healthz HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"};
    std::uint32_t split = data[0] >> 2;
    const std::size_t stopAfter = data[1] & 0x80 ? SIZE_MAX : data[1] & 0x3F;
    std::string bytes(kStarts[data[0] & 3]);
    bytes.append(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (data[1] & 0x40) bytes.append(40000, bytes.back());

    RequestStream stream(10);
    std::size_t at = 0;
    std::size_t reads = 0;
    bool ended = false;
    while (true) {
        if (reads == stopAfter) stream.stop();
        const RequestStream::Step step = stream.next(bytes.size() - at);
        if (step == RequestStream::Step::close) check(stream.stopping());
        if (step == RequestStream::Step::finish || step == RequestStream::Step::close) {
            check(stream.next() == RequestStream::Step::finish);
            break;
        }
        if (step == RequestStream::Step::write) {
            check(!ended);
            const std::string_view answer = stream.answer().bytes;
            const std::size_t headerEnd = answer.find("\r\n\r\n");
            check(answer.starts_with("HTTP/1.1 ") && headerEnd != std::string_view::npos);
            const std::string_view header = answer.substr(0, headerEnd + 2);
            ended = header.find("\r\nConnection: close\r\n") != std::string_view::npos;
            check(ended == !stream.keepAlive());
            // Answers to HEAD, which alone accept ranges, carry no body.
            const std::size_t length = header.find("\r\nContent-Length: ");
            check(length != std::string_view::npos);
            const bool head = header.find("\r\nAccept-Ranges:") != std::string_view::npos;
            check(std::strtoul(header.data() + length + 18, nullptr, 10) ==
                  (head ? stream.answer().bodySize : answer.size() - headerEnd - 4));
            continue;
        }
        if (at == bytes.size()) break;
        const std::span<char> space = stream.space();
        check(!space.empty());
        split = split * 1103515245u + 12345u;
        const std::size_t n =
            std::min<std::size_t>({space.size(), bytes.size() - at, 1 + (split >> 16) % 512});
        bytes.copy(space.data(), n, at);
        stream.received(n);
        at += n;
        ++reads;
        check(stream.capacity() <= 32 * 1024);
    }
    return 0;
}
