#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace lexiquill::platform {
class HttpClient;
class ServiceHost;
}  // namespace lexiquill::platform

namespace lexiquill::output {
struct StudyList;
}

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

// Writes the study sheet of a list to path; a platform::PlatformError that says why
// when it cannot.
using SheetWriter = std::function<void(const QString& path, const output::StudyList& list)>;

// What a run does with the phrases in one mode, handing its results to a writer. A job
// asks the service through the generation functions and lets their failures through:
// a generation::PhraseRefused when the service gave nothing for a phrase (or, from
// finish, for the list, or the study sheet could not be written), any other
// platform::PlatformError when the service failed.
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
// whenever a phrase waited for the service, so that its rows show meanwhile; sheets is
// needed for --sheet only.
std::unique_ptr<Job> makeJob(const Options& options, MnemonicService* service, ResultWriter& writer,
                             OutputStream& out, const SheetWriter& sheets);

}  // namespace lexiquill::cli
