// Times lexiquill --acronyms and --mnemonics as a shell runs them, each against the
// tool a user would otherwise reach for, in one invocation:
//
//   command_line_bench LEXIQUILL [runs]        default 3 runs
//
// - acronyms of 1,000,000 lines from a file, against awk making the same acronyms;
// - 10,000,000 lines through a pipe: the program's peak resident memory;
// - mnemonics of 10,000 phrases against the mnemonic service in this process, against
//   curl making the same requests over one connection.
// Each figure is a line; the ratios are medians. Exits with 1 when an output is not
// what it should be: a fast run with wrong results measures nothing.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "generation/mnemonic.h"
#include "service/mnemonic_server.h"

using namespace lexiquill::bench;

namespace {

// Two to four words a line; the same lines every time.
QByteArray lines(int n)
{
    std::mt19937 random{20261207u};
    QByteArray out;
    for (int i = 0; i < n; ++i) {
        const int words = 2 + static_cast<int>(random() % 3);
        for (int w = 0; w < words; ++w) {
            if (w > 0) out += ' ';
            out += kPhraseWords[random() % std::size(kPhraseWords)];
        }
        out += '\n';
    }
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int openForWriting(const QString& path)
{
    return open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: command_line_bench LEXIQUILL [runs]\n");
        return 2;
    }
    const std::string lexiquill = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("list.txt"));
    const QString lexiquillOut = dir.filePath(QStringLiteral("lexiquill.txt"));
    const QString awkOut = dir.filePath(QStringLiteral("awk.txt"));
    if (!dir.isValid() || !writeFile(input, lines(1'000'000))) {
        fail(QStringLiteral("cannot write the list"));
        return 1;
    }

    // Acronyms: the same bytes from both, then the timings.
    const std::string awkProgram =
        "{ r = \"\"; for (i = 1; i <= NF; i++) r = r toupper(substr($i, 1, 1)) \".\"; "
        "print $0 \"\\t\" r }";
    const auto runLexiquill = [&](int out) {
        return spawn({lexiquill, "--acronyms", input.toStdString()}, -1, out);
    };
    const auto runAwk = [&](int out) {
        return spawn({"awk", awkProgram, input.toStdString()}, -1, out);
    };
    {
        const int a = openForWriting(lexiquillOut);
        const int b = openForWriting(awkOut);
        const bool ran = runLexiquill(a).ok && runAwk(b).ok;
        close(a);
        close(b);
        if (!ran || readFile(lexiquillOut) != readFile(awkOut)) {
            fail(QStringLiteral("lexiquill and awk made different acronyms"));
            return 1;
        }
    }
    std::vector<double> wallRatios;
    std::vector<double> cpuRatios;
    for (int run = 1; run <= runs; ++run) {
        const Child ours = runLexiquill(-1);
        const Child awk = runAwk(-1);
        wallRatios.push_back(ours.wallMs / awk.wallMs);
        cpuRatios.push_back(ours.cpuMs / awk.cpuMs);
        std::printf(
            "acronyms of 1,000,000 lines, run %d: lexiquill %.0f ms (CPU %.0f ms), "
            "awk %.0f ms (CPU %.0f ms)\n",
            run, ours.wallMs, ours.cpuMs, awk.wallMs, awk.cpuMs);
        std::fflush(stdout);
    }
    std::printf("acronyms, median ratio to awk: %.2f wall, %.2f CPU\n", median(wallRatios),
                median(cpuRatios));

    // 10,000,000 lines through a pipe, written from here as fast as it takes them.
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return 1;
        fcntl(pipeFds[1], F_SETFD, FD_CLOEXEC);
        const QByteArray block = lines(100'000);
        std::thread writer([&] {
            for (int i = 0; i < 100; ++i) {
                qsizetype at = 0;
                while (at < block.size()) {
                    const ssize_t n = write(pipeFds[1], block.constData() + at,
                                            static_cast<size_t>(block.size() - at));
                    if (n <= 0) break;
                    at += n;
                }
            }
            close(pipeFds[1]);
        });
        const Child piped = spawn({lexiquill, "--acronyms"}, pipeFds[0], -1);
        close(pipeFds[0]);
        writer.join();
        if (!piped.ok) return 1;
        std::printf("acronyms of 10,000,000 lines through a pipe: %.0f ms, peak %.1f MiB\n",
                    piped.wallMs, piped.peakMiB);
    }

    // Mnemonics against the service in this process.
    lexiquill::service::MnemonicServer service;
    if (!service.start("127.0.0.1", 0)) {
        fail(QStringLiteral("the service did not start"));
        return 1;
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(service.port());
    const QByteArray phrases = lines(10'000);
    const QString phraseFile = dir.filePath(QStringLiteral("phrases.txt"));
    QByteArray config;
    qint64 letters = 0;
    for (const QByteArray& phrase : phrases.split('\n')) {
        if (phrase.isEmpty()) continue;
        letters += phrase.size() - phrase.count(' ');
        config += "url = \"" +
                  lexiquill::generation::mnemonicQueryUrl(
                      base, QString::fromUtf8(phrase), {.exactPhrase = true, .seed = std::nullopt})
                      .toUtf8() +
                  "\"\n";
    }
    const QString configFile = dir.filePath(QStringLiteral("curl.conf"));
    if (!writeFile(phraseFile, phrases) || !writeFile(configFile, config)) return 1;
    const auto runMnemonics = [&](int out) {
        return spawn(
            {lexiquill, "--mnemonics", "--service", base.toStdString(), phraseFile.toStdString()},
            -1, out);
    };
    const auto runCurl = [&](int out) {
        return spawn({"curl", "--silent", "--show-error", "--fail", "--globoff", "--config",
                      configFile.toStdString()},
                     -1, out);
    };
    {
        const int a = openForWriting(lexiquillOut);
        const int b = openForWriting(awkOut);
        const bool ran = runMnemonics(a).ok && runCurl(b).ok;
        close(a);
        close(b);
        const qint64 rows = readFile(lexiquillOut).count('\n');
        const qint64 words = readFile(awkOut).count("<big>");
        if (!ran || rows != letters || words != letters) {
            fail(QStringLiteral("%1 letters, but %2 rows and %3 words from curl")
                     .arg(letters)
                     .arg(rows)
                     .arg(words));
            return 1;
        }
    }
    std::vector<double> mnemonicRatios;
    for (int run = 1; run <= runs; ++run) {
        const Child curl = runCurl(-1);
        const Child ours = runMnemonics(-1);
        mnemonicRatios.push_back(ours.wallMs / curl.wallMs);
        std::printf("mnemonics of 10,000 phrases, run %d: lexiquill %.0f ms, curl %.0f ms\n", run,
                    ours.wallMs, curl.wallMs);
        std::fflush(stdout);
    }
    std::printf("mnemonics, median ratio to curl over one connection: %.2f\n",
                median(mnemonicRatios));
    return 0;
}
