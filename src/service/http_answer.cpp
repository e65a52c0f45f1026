#include "service/http_answer.h"

#include <random>

#include "service/mnemonic_page.h"
#include "service/mnemonic_query.h"
#include "service/mnemonic_sentence.h"
#include "service/mnemonic_words.h"

namespace lexiquill::service {

namespace {

constexpr std::string_view kText = "text/plain; charset=utf-8";
constexpr std::string_view kHtml = "text/html; charset=utf-8";
constexpr std::string_view kJson = "application/json; charset=utf-8";

std::uint64_t freshSeed()
{
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return generator();
}

std::string_view reasonOf(int status)
{
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Payload Too Large";
        case 414:
            return "URI Too Long";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

struct Content {
    int status = 200;
    std::string body;
    std::string_view type = kText;
    bool noStore = false;
    bool allow = false;
};

Content statusPage(int status)
{
    Content content;
    content.status = status;
    content.body = std::to_string(status) + " " + std::string(reasonOf(status)) + "\n";
    content.allow = status == 405;
    return content;
}

Content mnemonics(std::string_view target)
{
    const MnemonicQuery query = parseMnemonicQuery(target);
    if (query.badSeed) {
        Content content;
        content.status = 400;
        content.body = std::string(kBadSeed) + "\n";
        return content;
    }
    Content content;
    content.body =
        mnemonicPage(mnemonicLetters(query.phrase), query.seed ? *query.seed : freshSeed());
    content.type = kHtml;
    // Without a seed every answer is new; a cache in between must not hand out an old one.
    content.noStore = !query.seed;
    return content;
}

Content otherWordsOf(std::string_view target)
{
    OtherWords words = otherWords(target);
    Content content;
    content.status = words.ok ? 200 : 400;
    content.body = std::move(words.body);
    if (words.ok) content.type = kJson;
    return content;
}

Content sentenceOf(std::string_view target)
{
    SentenceAnswer answer = sentenceAnswer(target, freshSeed());
    Content content;
    content.status = answer.ok ? 200 : 400;
    content.body = std::move(answer.body);
    if (answer.ok) content.type = kJson;
    content.noStore = answer.ok && !answer.seeded;
    return content;
}

// Headers in the order the service has always sent them, which clients and the tests of
// those hosting it may compare byte for byte.
Answer frame(const Content& content, const Framing& framing)
{
    Answer answer;
    answer.status = content.status;
    answer.bodySize = content.body.size();
    std::string& out = answer.bytes;
    out.reserve(160 + (framing.head ? 0 : content.body.size()));
    out += "HTTP/1.1 ";
    out += std::to_string(content.status);
    out += ' ';
    out += reasonOf(content.status);
    out += "\r\n";
    if (framing.head) out += "Accept-Ranges: bytes\r\n";
    if (content.allow) out += "Allow: GET, HEAD\r\n";
    if (content.noStore) out += "Cache-Control: no-store\r\n";
    if (!framing.keepAlive) out += "Connection: close\r\n";
    out += "Content-Length: ";
    out += std::to_string(content.body.size());
    out += "\r\nContent-Type: ";
    out += content.type;
    out += "\r\n";
    if (framing.keepAlive) {
        out += "Keep-Alive: timeout=";
        out += std::to_string(framing.idleSeconds);
        out += ", max=";
        out += std::to_string(kRequestsPerConnection);
        out += "\r\n";
    }
    out += "\r\n";
    if (!framing.head) out += content.body;
    return answer;
}

}  // namespace

Answer answerRequest(std::string_view method, std::string_view target, const Framing& framing)
{
    if (method != "GET" && method != "HEAD") return frame(statusPage(405), framing);
    // A fragment is the client's own business; some send it anyway.
    target = target.substr(0, target.find('#'));
    const std::string path = decodePath(target.substr(0, target.find('?')));
    if (path == "/healthz") {
        Content content;
        content.body = "ok\n";
        return frame(content, framing);
    }
    if (path == "/mnemonics/") return frame(mnemonics(target), framing);
    if (path == "/mnemonics/words") return frame(otherWordsOf(target), framing);
    if (path == "/mnemonics/sentence") return frame(sentenceOf(target), framing);
    return frame(statusPage(404), framing);
}

Answer answerFailure(int status, const Framing& framing)
{
    return frame(statusPage(status), framing);
}

}  // namespace lexiquill::service
