#include "platform/xlsx_spreadsheet.h"

#include <xlsxwriter.h>

#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

#include "platform/event_pump.h"
#include "platform/platform_error.h"
#include "platform/spreadsheet_launcher.h"

namespace lexiquill::platform {

namespace {

// What a sheet can hold.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr qsizetype kMaxCellText = 32767;
constexpr double kMaxColumnWidth = 255;

const QString kNotInstalled = QStringLiteral(
    "No spreadsheet application was found: neither LibreOffice Calc (localc or libreoffice), "
    "nor a default application for .xlsx files, nor Gnumeric");

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

struct Sheet {
    std::vector<std::vector<QString>> rows;  // [row - 1][column - 1]
    std::vector<double> widths;              // 0: the default width
};

void fitColumns(Sheet& sheet, std::size_t first, std::size_t last) {
    if (sheet.widths.size() <= last) sheet.widths.resize(last + 1);
    std::vector<double> widest(last + 1 - first);
    for (const auto& row : sheet.rows) {
        for (std::size_t c = first; c <= last && c < row.size(); ++c) {
            if (!row[c].isEmpty())
                widest[c - first] = std::max(widest[c - first], columnWidthFor(row[c]));
        }
    }
    std::copy(widest.begin(), widest.end(), sheet.widths.begin() + std::ptrdiff_t(first));
}

void checkColumn(int column) {
    if (column < 1 || column > kMaxColumns) {
        throw PlatformError(QStringLiteral("A sheet has no column %1").arg(column));
    }
}

class XlsxWorkbook final : public Workbook {
public:
    void writeCell(int row, int column, const QString& text) override {
        if (row < 1 || row > kMaxRows)
            throw PlatformError(QStringLiteral("A sheet has no row %1").arg(row));
        checkColumn(column);
        if (text.size() > kMaxCellText) {
            throw PlatformError(
                QStringLiteral("A cell holds at most %1 characters; this text has %2")
                    .arg(kMaxCellText)
                    .arg(text.size()));
        }
        auto& rows = m_sheet.rows;
        if (rows.size() < std::size_t(row)) {
            if (text.isEmpty()) return;
            rows.resize(std::size_t(row));
        }
        auto& cells = rows[std::size_t(row) - 1];
        if (cells.size() < std::size_t(column)) {
            if (text.isEmpty()) return;
            cells.resize(std::size_t(column));
        }
        cells[std::size_t(column) - 1] = text;
    }

    void fitColumn(int column) override {
        checkColumn(column);
        fitColumns(m_sheet, std::size_t(column) - 1, std::size_t(column) - 1);
    }

    void fitAllColumns() override {
        std::size_t columns = m_sheet.widths.size();
        for (const auto& row : m_sheet.rows) columns = std::max(columns, row.size());
        if (columns > 0) fitColumns(m_sheet, 0, columns - 1);
    }

    const Sheet& sheet() const { return m_sheet; }

private:
    Sheet m_sheet;
};

// Writes the sheet as an .xlsx file. libxlsxwriter keeps at most one row in memory
// this way, with its temporary files in tempDir; cancelled stops it between rows
// and writes nothing.
void writeXlsx(const QString& path, const QString& tempDir, const Sheet& sheet,
               const std::atomic<bool>& cancelled) {
    const QByteArray pathBytes = QFile::encodeName(path);
    QByteArray tempBytes = QFile::encodeName(tempDir);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tempBytes.data();
    lxw_workbook* workbook = workbook_new_opt(pathBytes.constData(), &options);
    if (!workbook)
        throw PlatformError(QStringLiteral("The workbook %1 could not be created").arg(path));
    const auto fail = [&](const QString& reason) {
        lxw_workbook_free(workbook);
        throw PlatformError(
            QStringLiteral("The workbook %1 could not be written: %2").arg(path, reason));
    };
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook, nullptr);
    if (!worksheet) fail(QStringLiteral("no sheet could be added"));

    for (std::size_t c = 0; c < sheet.widths.size(); ++c) {
        if (sheet.widths[c] <= 0) continue;
        const auto column = lxw_col_t(c);
        const lxw_error error =
            worksheet_set_column(worksheet, column, column, sheet.widths[c], nullptr);
        if (error != LXW_NO_ERROR) fail(QString::fromUtf8(lxw_strerror(error)));
    }
    QByteArray utf8;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        if (cancelled.load(std::memory_order_relaxed)) {
            lxw_workbook_free(workbook);
            return;
        }
        const auto& cells = sheet.rows[r];
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (cells[c].isEmpty()) continue;
            utf8 = cells[c].toUtf8();
            // A C string ends at NUL; the spreadsheet formats write that character
            // as an escape, as they do every other control character.
            if (utf8.contains('\0'))
                utf8.replace(QByteArrayView("\0", 1), QByteArrayView("_x0000_"));
            const lxw_error error = worksheet_write_string(worksheet, lxw_row_t(r), lxw_col_t(c),
                                                           utf8.constData(), nullptr);
            if (error != LXW_NO_ERROR) fail(QString::fromUtf8(lxw_strerror(error)));
        }
    }
    const lxw_error error = workbook_close(workbook);  // frees it, also on failure
    if (error != LXW_NO_ERROR) {
        QFile::remove(path);
        throw PlatformError(QStringLiteral("The workbook %1 could not be written: %2")
                                .arg(path, QString::fromUtf8(lxw_strerror(error))));
    }
}

// Runs work on a thread of its own while this thread goes on handling window
// events, so that writing a large workbook never freezes the window. When the
// program ends meanwhile, the work is told to stop and the command unwinds.
void runBesideTheWindow(EventPump& pump, std::atomic<bool>& cancelled,
                        const std::function<void()>& work) {
    QEventLoop loop;
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // Only the application quitting ends the loop before the work is done.
    if (!pump.isEnding()) loop.exec();
    if (!done) cancelled = true;
    worker.join();
    if (pump.isEnding() || !done.load()) throw ProgramEnding{};
    if (failure) std::rethrow_exception(failure);
}

QString makePrivateFolder(const QString& root) {
    QByteArray pattern = QFile::encodeName(root + QStringLiteral("/lexiquill-XXXXXX"));
    // mkdtemp creates the folder with mode 0700, under a name nobody could have
    // prepared for us.
    if (!mkdtemp(pattern.data())) {
        throw PlatformError(QStringLiteral("No private folder could be made in %1: %2")
                                .arg(root, QString::fromLocal8Bit(std::strerror(errno))));
    }
    return QFile::decodeName(pattern);
}

class XlsxApplication final : public SpreadsheetApplication {
public:
    XlsxApplication(LaunchCommand command, EventPump& pump, QProcessEnvironment environment,
                    QString tempRoot)
        : m_command(std::move(command)),
          m_pump(pump),
          m_environment(std::move(environment)),
          m_tempRoot(std::move(tempRoot)) {}

    Workbook& addWorkbook() override {
        m_workbooks.push_back(std::make_unique<XlsxWorkbook>());
        return *m_workbooks.back();
    }

    void show() override {
        if (m_shown) return;
        if (m_workbooks.empty()) {
            launchDetached(m_command, QString(), m_environment);
            m_shown = true;
            return;
        }
        const QString folder = makePrivateFolder(m_tempRoot);
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm"));
        QStringList files;
        try {
            std::atomic<bool> cancelled{false};
            for (std::size_t k = 0; k < m_workbooks.size(); ++k) {
                const QString suffix = k == 0 ? QString() : QStringLiteral(" (%1)").arg(k + 1);
                files.append(
                    QStringLiteral("%1/Lexiquill results %2%3.xlsx").arg(folder, stamp, suffix));
                const Sheet& sheet = m_workbooks[k]->sheet();
                runBesideTheWindow(m_pump, cancelled, [&, path = files.last()] {
                    writeXlsx(path, folder, sheet, cancelled);
                });
            }
            for (const QString& file : files) launchDetached(m_command, file, m_environment);
        } catch (...) {
            // Nobody will ever see these files.
            QDir(folder).removeRecursively();
            throw;
        }
        m_shown = true;
    }

private:
    LaunchCommand m_command;
    EventPump& m_pump;
    QProcessEnvironment m_environment;
    QString m_tempRoot;
    std::vector<std::unique_ptr<XlsxWorkbook>> m_workbooks;
    bool m_shown = false;
};

}  // namespace

double columnWidthFor(const QString& text) {
    double units = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
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

XlsxSpreadsheet::XlsxSpreadsheet(EventPump& pump, QProcessEnvironment environment, QString tempRoot)
    : m_pump(pump), m_environment(std::move(environment)), m_tempRoot(std::move(tempRoot)) {}

std::unique_ptr<SpreadsheetApplication> XlsxSpreadsheet::start() {
    std::optional<LaunchCommand> command = findSpreadsheetApplication(m_environment);
    if (!command) throw PlatformError(kNotInstalled);
    return std::make_unique<XlsxApplication>(std::move(*command), m_pump, m_environment,
                                             m_tempRoot);
}

}  // namespace lexiquill::platform
