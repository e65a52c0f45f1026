// lexiquill-mnemonic-service: the mnemonic service on its own, for one machine or, several
// copies behind a load balancer, for many users.

#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "service/mnemonic_query.h"
#include "service/mnemonic_server.h"

namespace {

constexpr const char* kProgram = "lexiquill-mnemonic-service";
// How long a stop waits for the requests already begun.
constexpr std::chrono::seconds kStopGrace{5};

void printUsage(std::FILE* to)
{
    std::fprintf(
        to,
        "Usage: %s [--listen ADDR:PORT] [--threads N] [--idle-timeout SECONDS]\n"
        "       [--max-connections N] [--verbose]\n"
        "\n"
        "Serves mnemonic sentences over HTTP until stopped with Ctrl+C or SIGTERM,\n"
        "which finish the requests already begun (for at most 5 seconds).\n"
        "  GET /mnemonics/?w=PHRASE[&seed=N]  one word per letter A to Z of PHRASE\n"
        "  GET /mnemonics/words?w=PHRASE&at=N[&n=COUNT][&seed=S][&start=LETTERS]\n"
        "                                     other words for the letter at character N\n"
        "  GET /mnemonics/sentence?w=PHRASE[&seed=S][&starts=LIST][&keep=LIST][&avoid=LIST]\n"
        "                                     the sentence of PHRASE (or of the starts,\n"
        "                                     around the kept words) as JSON\n"
        "  GET /healthz                       200 while the service runs\n"
        "\n"
        "Options:\n"
        "  --listen ADDR:PORT  address and port to serve on (default %s:%d);\n"
        "                      0.0.0.0 serves every network, [::1]:PORT is IPv6\n"
        "  --threads N         event loops, each serving many connections\n"
        "                      (default: one per core)\n"
        "  --idle-timeout SECONDS\n"
        "                      close a connection that brings no complete request\n"
        "                      for this long (default 10)\n"
        "  --max-connections N answer connections beyond N with 503 and close them\n"
        "                      (default 10000)\n"
        "  --verbose           log one line per request to standard error\n"
        "  --help              show this help and exit\n"
        "  --version           show the version and exit\n",
        kProgram, lexiquill::service::kDefaultHost, lexiquill::service::kDefaultPort);
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    std::fprintf(stderr, "Try '%s --help'.\n", kProgram);
    return 2;
}

bool parseListen(std::string_view text, std::string* host, int* port)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    std::string_view address = text.substr(0, colon);
    const std::string_view digits = text.substr(colon + 1);
    if (address.size() >= 2 && address.front() == '[' && address.back() == ']') {
        address = address.substr(1, address.size() - 2);
    }
    const std::optional<std::uint64_t> value = lexiquill::service::wholeNumber(digits);
    if (address.empty() || !value || *value > 65535) return false;
    *host = std::string(address);
    *port = static_cast<int>(*value);
    return true;
}

// A whole number from 1 to `most`.
bool parseCount(std::string_view text, int most, int* count)
{
    const std::optional<std::uint64_t> value = lexiquill::service::wholeNumber(text);
    if (!value || *value < 1 || *value > static_cast<std::uint64_t>(most)) return false;
    *count = static_cast<int>(*value);
    return true;
}

// Every connection is a descriptor: lift the soft limit (often 1024) to what the system allows.
// The server keeps its connection limit below what is left.
void allowManyDescriptors()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The value of an option that takes a whole number from 1 to most: an exit status
// when it is missing or is no such number.
std::optional<int> readCount(std::string_view value, const std::string& missing, int most,
                             const char* what, int* result)
{
    if (!missing.empty()) return usageError(missing);
    if (!parseCount(value, most, result)) {
        // Appended rather than concatenated: GCC 12 at -O3 warns wrongly (-Wrestrict)
        // about "'" + std::string(...) here.
        std::string message = "'";
        message.append(value).append("' is not a number of ").append(what);
        return usageError(message + " (1 to " + std::to_string(most) + ")");
    }
    return std::nullopt;
}

struct Options {
    std::string host = lexiquill::service::kDefaultHost;
    int port = lexiquill::service::kDefaultPort;
    bool verbose = false;
    lexiquill::service::ServerLimits limits;
};

// Reads the command line into options; an exit status when the program is to end at
// once (after --help, --version or a bad option).
std::optional<int> parseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            printUsage(stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("%s %s\n", kProgram, LEXIQUILL_VERSION);
            return 0;
        }
        // "--name VALUE" or "--name=VALUE"; false when the argument is not this option.
        std::string_view value;
        std::string missing;
        auto option = [&](std::string_view name, const char* what) {
            if (argument == name) {
                if (i + 1 >= argc) {
                    missing = std::string(name) + " needs " + what;
                } else {
                    value = argv[++i];
                }
                return true;
            }
            if (argument.starts_with(name) && argument.size() > name.size() &&
                argument[name.size()] == '=') {
                value = argument.substr(name.size() + 1);
                return true;
            }
            return false;
        };
        const auto count = [&](int most, const char* what, int* result) {
            return readCount(value, missing, most, what, result);
        };
        std::optional<int> failed;
        int seconds = 0;
        if (argument == "--verbose" || argument == "-v") {
            options.verbose = true;
        } else if (option("--listen", "ADDR:PORT")) {
            if (!missing.empty()) return usageError(missing);
            if (!parseListen(value, &options.host, &options.port)) {
                return usageError("'" + std::string(value) +
                                  "' is not ADDR:PORT (for example 127.0.0.1:47800)");
            }
        } else if (option("--threads", "a number")) {
            failed = count(1024, "threads", &options.limits.threads);
        } else if (option("--idle-timeout", "SECONDS")) {
            failed = count(86400, "seconds", &seconds);
            options.limits.idleTimeout = std::chrono::seconds(seconds);
        } else if (option("--max-connections", "a number")) {
            failed = count(1000000, "connections", &options.limits.maxConnections);
        } else {
            return usageError("unknown option '" + std::string(argument) + "'");
        }
        if (failed) return failed;
    }
    return std::nullopt;
}

// Logs one line per request, with the local time, to standard error.
void logRequests(lexiquill::service::MnemonicServer& server)
{
    static std::mutex logMutex;
    server.setRequestLog([](const std::string& line) {
        char stamp[32];
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
        const std::lock_guard<std::mutex> lock(logMutex);
        std::fprintf(stderr, "%s %s\n", stamp, line.c_str());
    });
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const std::optional<int> status = parseArguments(argc, argv, options)) return *status;

    // Blocked before any thread starts, so that the workers inherit the mask and only the
    // main thread, waiting below, ever takes the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    allowManyDescriptors();
    lexiquill::service::MnemonicServer server;
    server.setLimits(options.limits);
    if (options.verbose) logRequests(server);
    std::string error;
    if (!server.start(options.host, options.port, &error)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        return 1;
    }
    if (server.maxConnections() < options.limits.maxConnections) {
        std::fprintf(stderr,
                     "%s: serving at most %d connections at once: the process may not open "
                     "more files (ulimit -n)\n",
                     kProgram, server.maxConnections());
    }
    if (options.verbose) {
        std::fprintf(stderr, "%s: serving on %s:%d\n", kProgram, options.host.c_str(),
                     server.port());
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop(kStopGrace);
    if (options.verbose) std::fprintf(stderr, "%s: stopped by %s\n", kProgram, strsignal(signal));
    return 0;
}
