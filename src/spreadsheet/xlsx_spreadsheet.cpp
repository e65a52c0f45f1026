#include "spreadsheet/xlsx_spreadsheet.h"

#include <xlsxwriter.h>

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/event_pump.h"
#include "platform/platform_error.h"
#include "spreadsheet/spreadsheet_launcher.h"

namespace lexiquill::spreadsheet {

namespace {

// What a sheet can hold.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr qsizetype kMaxCellText = 32767;
constexpr double kMaxColumnWidth = 255;
// Rows handed to the writing thread at a time.
constexpr std::size_t kBatchRows = 512;

const QString kNotInstalled = QStringLiteral(
    "No spreadsheet application was found: neither LibreOffice Calc (localc or libreoffice), "
    "nor a default application for .xlsx files, nor Gnumeric");

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

using Cells = std::vector<QString>;  // [column - 1]; empty texts are empty cells

void checkColumn(int column)
{
    if (column < 1 || column > kMaxColumns) {
        throw platform::PlatformError(QStringLiteral("A sheet has no column %1").arg(column));
    }
}

QString makePrivateFolder(const QString& root)
{
    QByteArray pattern = QFile::encodeName(root + QStringLiteral("/lexiquill-XXXXXX"));
    // mkdtemp creates the folder with mode 0700, under a name nobody could have
    // prepared for us.
    if (!mkdtemp(pattern.data())) {
        throw platform::PlatformError(QStringLiteral("No private folder could be made in %1: %2")
                                          .arg(root, QString::fromLocal8Bit(std::strerror(errno))));
    }
    return QFile::decodeName(pattern);
}

// One thread that writes one .xlsx file with libxlsxwriter from the rows handed to
// it, in ascending order, while the window goes on with the export. libxlsxwriter
// keeps one row in memory this way, its temporary files in the private folder.
class FileWriter {
public:
    FileWriter(QString folder, QString path)
        : m_folder(std::move(folder)), m_path(std::move(path)), m_thread([this] { run(); })
    {
    }

    // Stops the writing if it is not finished; the file goes with its folder unless
    // it was kept.
    ~FileWriter()
    {
        m_cancelled = true;
        {
            std::lock_guard lock(m_mutex);
            m_waiting.notify_one();
        }
        m_thread.join();
        if (!m_kept) QDir(m_folder).removeRecursively();
    }

    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    const QString& path() const { return m_path; }

    void add(std::size_t firstRow, std::vector<Cells> rows)
    {
        std::lock_guard lock(m_mutex);
        m_batches.push_back({firstRow, std::move(rows)});
        m_waiting.notify_one();
    }

    // No rows follow; the columns take these widths (0: the default width).
    void finish(std::vector<double> widths)
    {
        std::lock_guard lock(m_mutex);
        m_widths = std::move(widths);
        m_finished = true;
        m_waiting.notify_one();
    }

    // Waits until the file is complete, while the window goes on handling its
    // events, so that a large workbook never freezes it. Throws the writer's
    // failure, or ProgramEnding when the program ends meanwhile.
    void wait(platform::EventPump& pump)
    {
        QEventLoop loop;
        bool done = false;
        {
            std::lock_guard lock(m_mutex);
            done = m_done;
            if (!done) m_loop = &loop;
        }
        // Only the application quitting ends the loop before the writer has.
        if (!done && !pump.isEnding()) loop.exec();
        {
            std::lock_guard lock(m_mutex);
            m_loop = nullptr;
            done = m_done;
        }
        if (!done || pump.isEnding()) throw platform::ProgramEnding{};
        if (m_failure) std::rethrow_exception(m_failure);
    }

    // The file outlives the writer: the application has it now.
    void keep() { m_kept = true; }

private:
    struct Batch {
        std::size_t firstRow;  // from 0
        std::vector<Cells> rows;
    };

    void run()
    {
        try {
            write();
        } catch (...) {
            m_failure = std::current_exception();
            QFile::remove(m_path);
        }
        std::lock_guard lock(m_mutex);
        m_done = true;
        if (m_loop) QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
    }

    void write()
    {
        const QByteArray path = QFile::encodeName(m_path);
        QByteArray folder = QFile::encodeName(m_folder);
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = folder.data();
        lxw_workbook* workbook = workbook_new_opt(path.constData(), &options);
        if (!workbook) fail(QStringLiteral("it could not be made"));
        // Frees the workbook on every way out but the one that closes it.
        std::unique_ptr<lxw_workbook, void (*)(lxw_workbook*)> owner(workbook, lxw_workbook_free);
        lxw_worksheet* worksheet = workbook_add_worksheet(workbook, nullptr);
        if (!worksheet) fail(QStringLiteral("no sheet could be added"));

        QByteArray utf8;
        for (;;) {
            Batch batch;
            {
                std::unique_lock lock(m_mutex);
                m_waiting.wait(lock,
                               [&] { return m_cancelled || !m_batches.empty() || m_finished; });
                if (m_cancelled) return;
                if (m_batches.empty()) break;
                batch = std::move(m_batches.front());
                m_batches.pop_front();
            }
            for (std::size_t r = 0; r < batch.rows.size(); ++r) {
                const Cells& cells = batch.rows[r];
                for (std::size_t c = 0; c < cells.size(); ++c) {
                    if (cells[c].isEmpty()) continue;
                    utf8 = cells[c].toUtf8();
                    // A C string ends at NUL; the spreadsheet formats write that
                    // character as an escape, as they do every other control character.
                    if (utf8.contains('\0')) {
                        utf8.replace(QByteArrayView("\0", 1), QByteArrayView("_x0000_"));
                    }
                    check(worksheet_write_string(worksheet, lxw_row_t(batch.firstRow + r),
                                                 lxw_col_t(c), utf8.constData(), nullptr));
                }
            }
            if (m_cancelled) return;
        }
        for (std::size_t c = 0; c < m_widths.size(); ++c) {
            if (m_widths[c] > 0) {
                check(worksheet_set_column(worksheet, lxw_col_t(c), lxw_col_t(c), m_widths[c],
                                           nullptr));
            }
        }
        check(workbook_close(owner.release()));  // frees it, also on failure
    }

    void check(lxw_error error) const
    {
        if (error != LXW_NO_ERROR) fail(QString::fromUtf8(lxw_strerror(error)));
    }

    [[noreturn]] void fail(const QString& reason) const
    {
        throw platform::PlatformError(
            QStringLiteral("The workbook %1 could not be written: %2").arg(m_path, reason));
    }

    const QString m_folder;
    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_waiting;
    std::deque<Batch> m_batches;
    std::vector<double> m_widths;
    bool m_finished = false;
    bool m_done = false;
    QEventLoop* m_loop = nullptr;
    std::exception_ptr m_failure;
    std::atomic<bool> m_cancelled{false};
    bool m_kept = false;
    std::thread m_thread;  // last: it starts once everything else is there
};

// The width, in the widths of the digit 0 that spreadsheets measure columns in,
// that shows text whole: wide East Asian characters count twice, combining marks
// not at all, and a margin covers letters wider than a digit.
double columnWidthFor(const QString& text)
{
    double units = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x300) {  // no marks, nothing wide: the common case, kept quick
            units += 1;
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        switch (QChar::category(c)) {
            case QChar::Mark_NonSpacing:
            case QChar::Mark_Enclosing:
            case QChar::Other_Format:
                break;
            default:
                units += isWide(c) ? 2 : 1;
        }
    }
    return std::min(kMaxColumnWidth, std::ceil(units * 1.15) + 1);
}

// The cells of a workbook, kept in memory for fitting the columns, and streamed to
// a FileWriter as the rows come. The export writes rows in order, so the rows
// before the one being written are handed over in batches and the file is nearly
// complete when the workbook is shown. A write to a row already handed over drops
// that file; showing then writes the whole sheet again.
class XlsxWorkbook final : public platform::Workbook {
public:
    explicit XlsxWorkbook(QString tempRoot) : m_tempRoot(std::move(tempRoot)) {}

    void writeCell(int row, int column, const QString& text) override
    {
        if (row > kMaxRows) throw platform::SheetFull(row);
        if (row < 1)
            throw platform::PlatformError(QStringLiteral("A sheet has no row %1").arg(row));
        checkColumn(column);
        if (text.size() > kMaxCellText) {
            throw platform::PlatformError(
                QStringLiteral("A cell holds at most %1 characters; this text has %2")
                    .arg(kMaxCellText)
                    .arg(text.size()));
        }
        const auto r = std::size_t(row) - 1;
        const auto c = std::size_t(column) - 1;
        if (r < m_handedOver) m_writer.reset();
        if (m_rows.size() <= r) {
            if (text.isEmpty()) return;
            m_rows.resize(r + 1);
        }
        Cells& cells = m_rows[r];
        if (cells.size() <= c) {
            if (text.isEmpty()) return;
            cells.resize(c + 1);
        }
        cells[c] = text;
        if (r >= m_handedOver + kBatchRows) handOver(r);
    }

    void fitColumn(int column) override
    {
        checkColumn(column);
        fit(std::size_t(column) - 1, std::size_t(column) - 1);
    }

    void fitAllColumns() override
    {
        std::size_t columns = m_widths.size();
        for (const Cells& cells : m_rows) columns = std::max(columns, cells.size());
        if (columns > 0) fit(0, columns - 1);
    }

    // Completes the file and hands back its path.
    QString save(platform::EventPump& pump)
    {
        if (!m_writer && m_handedOver > 0) m_handedOver = 0;  // the file was dropped
        handOver(m_rows.size());
        if (!m_writer) startWriter();
        m_writer->finish(m_widths);
        m_writer->wait(pump);
        return m_writer->path();
    }

    void keep() { m_writer->keep(); }

private:
    void startWriter()
    {
        const QString folder = makePrivateFolder(m_tempRoot);
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm"));
        m_writer = std::make_unique<FileWriter>(
            folder, QStringLiteral("%1/Lexiquill results %2.xlsx").arg(folder, stamp));
    }

    // Hands the rows before row end (from 0) to the writer.
    void handOver(std::size_t end)
    {
        end = std::min(end, m_rows.size());
        if (end <= m_handedOver) return;
        if (!m_writer) {
            if (m_handedOver > 0) return;  // dropped: the whole sheet goes at the end
            try {
                startWriter();
            } catch (const platform::PlatformError&) {
                return;  // showing will try again, and report what fails
            }
        }
        m_writer->add(m_handedOver,
                      std::vector<Cells>(m_rows.begin() + std::ptrdiff_t(m_handedOver),
                                         m_rows.begin() + std::ptrdiff_t(end)));
        m_handedOver = end;
    }

    void fit(std::size_t first, std::size_t last)
    {
        if (m_widths.size() <= last) m_widths.resize(last + 1);
        std::vector<double> widest(last + 1 - first);
        for (const Cells& cells : m_rows) {
            for (std::size_t c = first; c <= last && c < cells.size(); ++c) {
                if (!cells[c].isEmpty()) {
                    widest[c - first] = std::max(widest[c - first], columnWidthFor(cells[c]));
                }
            }
        }
        std::copy(widest.begin(), widest.end(), m_widths.begin() + std::ptrdiff_t(first));
    }

    const QString m_tempRoot;
    std::vector<Cells> m_rows;     // [row - 1]
    std::vector<double> m_widths;  // [column - 1]; 0: the default width
    std::size_t m_handedOver = 0;  // rows given to m_writer
    std::unique_ptr<FileWriter> m_writer;
};

// Moves a finished workbook into folder, under its own name or, when that is taken,
// with " (2)", " (3)" ... added, and hands back its new path.
QString moveInto(const QString& file, const QString& folder)
{
    if (!QDir().mkpath(folder)) {
        throw platform::PlatformError(
            QStringLiteral("The folder %1 could not be made").arg(folder));
    }
    const QFileInfo info(file);
    QString target = QDir(folder).filePath(info.fileName());
    for (int n = 2; QFileInfo::exists(target); ++n) {
        target = QDir(folder).filePath(
            QStringLiteral("%1 (%2).%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
    }
    if (!QFile::rename(file, target)) {
        throw platform::PlatformError(
            QStringLiteral("The workbook could not be put into %1").arg(folder));
    }
    return target;
}

class XlsxApplication final : public platform::SpreadsheetApplication {
public:
    XlsxApplication(LaunchCommand command, platform::EventPump& pump,
                    QProcessEnvironment environment, QString tempRoot, QString keepRoot)
        : m_command(std::move(command)),
          m_pump(pump),
          m_environment(std::move(environment)),
          m_tempRoot(std::move(tempRoot)),
          m_keepRoot(std::move(keepRoot))
    {
    }

    platform::Workbook& addWorkbook() override
    {
        m_workbooks.push_back(std::make_unique<XlsxWorkbook>(m_tempRoot));
        return *m_workbooks.back();
    }

    void show() override
    {
        if (m_shown) return;
        if (m_workbooks.empty()) {
            launchDetached(m_command, QString(), m_environment);
        } else {
            QStringList files;
            for (const auto& workbook : m_workbooks) {
                const QString file = workbook->save(m_pump);
                files.append(m_command.opensAsNewDocument ? file : moveInto(file, m_keepRoot));
            }
            for (std::size_t k = 0; k < m_workbooks.size(); ++k) {
                const QString& file = files[qsizetype(k)];
                try {
                    launchDetached(m_command, file, m_environment);
                } catch (const platform::PlatformError&) {
                    // A moved file is no longer its workbook's to remove.
                    if (!m_command.opensAsNewDocument) QFile::remove(file);
                    throw;
                }
                // A moved file leaves an empty folder, which goes with its workbook.
                if (m_command.opensAsNewDocument) m_workbooks[k]->keep();
            }
        }
        m_shown = true;
    }

    // Files not opened in the application go with their workbooks.
    ~XlsxApplication() override
    {
        if (!m_shown) m_workbooks.clear();
    }

private:
    LaunchCommand m_command;
    platform::EventPump& m_pump;
    QProcessEnvironment m_environment;
    QString m_tempRoot;
    QString m_keepRoot;
    std::vector<std::unique_ptr<XlsxWorkbook>> m_workbooks;
    bool m_shown = false;
};

}  // namespace

XlsxSpreadsheet::XlsxSpreadsheet(platform::EventPump& pump, QProcessEnvironment environment,
                                 QString tempRoot, QString keepRoot)
    : m_pump(pump),
      m_environment(std::move(environment)),
      m_tempRoot(std::move(tempRoot)),
      m_keepRoot(std::move(keepRoot))
{
}

QString XlsxSpreadsheet::defaultKeepRoot()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
        .filePath(QStringLiteral("Lexiquill"));
}

std::unique_ptr<platform::SpreadsheetApplication> XlsxSpreadsheet::start()
{
    std::optional<LaunchCommand> command = findSpreadsheetApplication(m_environment);
    if (!command) throw platform::PlatformError(kNotInstalled);
    return std::make_unique<XlsxApplication>(std::move(*command), m_pump, m_environment, m_tempRoot,
                                             m_keepRoot);
}

}  // namespace lexiquill::spreadsheet
