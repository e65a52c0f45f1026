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
    if (size < 4) return 0;
    // The first byte chooses a start that takes the fuzzer a while to find, whether reads
    // go up to 32 KiB rather than 512 bytes, and seeds the lengths of the reads. The second
    // byte's low six bits are the read after which the service stops, unless its top bit is
    // set; with its 0x40 bit, the last byte comes 40,000 times more, as in an endless line,
    // field or chunk extension. The third byte repeats the rest up to 16 times, so that
    // requests and their limits reach past every buffer of the stream.
    static constexpr std::string_view kStarts[] = {
        "", "GET /mnemonics/?w=", "HEAD /healthz HTTP/1.1\r\nHost: x\r\n",
        "POST /healthz HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n"};
    std::uint32_t split = data[0] >> 3;
    const std::size_t longestRead = data[0] & 4 ? 32768 : 512;
    const std::size_t stopAfter = data[1] & 0x80 ? SIZE_MAX : data[1] & 0x3F;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    std::string bytes(kStarts[data[0] & 3]);
    for (int i = 0; i <= data[2] % 16; ++i) bytes += rest;
    if (data[1] & 0x40) bytes.append(40000, bytes.back());

    RequestStream stream(10);
    std::size_t at = 0;
    std::size_t reads = 0;
    bool ended = false;
    while (true) {
        const bool stopping = reads >= stopAfter;
        const RequestStream::Step step = stream.next(stopping, bytes.size() - at);
        // After an answer that says Connection: close, and only then, nothing more is read.
        check(ended == (step == RequestStream::Step::finish));
        if (step == RequestStream::Step::close) check(stopping);
        if (step == RequestStream::Step::finish || step == RequestStream::Step::close) {
            check(stream.next(stopping, 0) == RequestStream::Step::finish);
            break;
        }
        if (step == RequestStream::Step::write) {
            const std::string_view answer = stream.answer().bytes;
            const std::size_t headerEnd = answer.find("\r\n\r\n");
            check(answer.starts_with("HTTP/1.1 ") && headerEnd != std::string_view::npos);
            const std::string_view header = answer.substr(0, headerEnd + 2);
            ended = header.find("\r\nConnection: close\r\n") != std::string_view::npos;
            // Answers to HEAD, which alone accept ranges, carry no body.
            const std::size_t length = header.find("\r\nContent-Length: ");
            check(length != std::string_view::npos);
            const bool head = header.find("\r\nAccept-Ranges:") != std::string_view::npos;
            check(std::strtoul(header.data() + length + 18, nullptr, 10) ==
                  (head ? stream.answer().bodySize : answer.size() - headerEnd - 4));
            continue;
        }
        // Waiting for a request holds no memory; one begun holds little more than its bytes.
        check(!stream.idle() || stream.capacity() == 0);
        if (at == bytes.size()) break;
        const std::size_t room = stream.room();
        check(room > 0);
        split = split * 1103515245u + 12345u;
        const std::size_t n =
            std::min<std::size_t>({room, bytes.size() - at, 1 + (split >> 8) % longestRead});
        stream.received(std::string_view(bytes).substr(at, n));
        at += n;
        ++reads;
        check(stream.capacity() <= 32 * 1024);
    }
    return 0;
}
