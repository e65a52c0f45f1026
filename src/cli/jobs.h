#pragma once

#include <QString>
#include <memory>

namespace lexiquill::platform {
class HttpClient;
class ServiceHost;
}  // namespace lexiquill::platform

namespace lexiquill::cli {

class OutputStream;
class ResultWriter;
struct Options;

// Where mnemonics come from: the program's HTTP client and its in-process service,
// for the service at baseUrl.
struct MnemonicService {
    platform::HttpClient& http;
    platform::ServiceHost& host;
    QString baseUrl;
};

// What a run does with the phrases in one mode, handing its results to a writer. A job
// asks the service through the generation functions and lets their failures through:
// a generation::PhraseRefused when the service gave nothing for a phrase (or, from
// finish, for the list), any other platform::PlatformError when the service failed.
class Job {
public:
    virtual ~Job() = default;
    // One phrase of the input, in order.
    virtual void take(const QString& phrase) = 0;
    // After the last phrase.
    virtual void finish() {}
};

// The job of the options' mode: acronyms, mnemonic words (or their sentences), or one
// acrostic for the whole list. service is needed for --mnemonics only; out is flushed
// whenever a phrase waited for the service, so that its rows show meanwhile.
std::unique_ptr<Job> makeJob(const Options& options, MnemonicService* service, ResultWriter& writer,
                             OutputStream& out);

}  // namespace lexiquill::cli
