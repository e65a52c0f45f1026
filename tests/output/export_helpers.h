#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

#include "widgets/list_control.h"
#include "window/main_window.h"
#include "support/test_platform.h"

namespace lexiquill::test {

// The results list of the window, with its rows shown so that they can be ticked.
inline widgets::ListControl& resultsControl(TestWindow& t)
{
    return *t.window->findChild<widgets::ListControl*>(QStringLiteral("ListView2"));
}

// Ticks a row as the user does: its tick box becomes checked.
inline void tick(TestWindow& t, int row)
{
    widgets::ListControl& list = resultsControl(t);
    list.rows().publishRows();
    QVERIFY(list.model()->setData(list.model()->index(row - 1, 0), Qt::Checked, Qt::CheckStateRole));
}

// Appends rows ("phrase|result"), ticking those whose entry in ticked is true.
inline void addResults(TestWindow& t, const QStringList& rows, const QList<bool>& ticked)
{
    platform::ListView& results = t.context().resultTable();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const qsizetype bar = rows[i].indexOf(QLatin1Char('|'));
        const int row = results.append(rows[i].left(bar));
        results.setSubText(row, 2, rows[i].mid(bar + 1));
    }
    for (qsizetype i = 0; i < ticked.size(); ++i) {
        if (ticked[i]) tick(t, static_cast<int>(i) + 1);
    }
}

// "Module.Procedure line" of every error report, in order.
inline QStringList reportedLocations(const QStringList& reports)
{
    static const QRegularExpression where(
        QStringLiteral("\r\nin Lexiquill2021/08/31\\.(\\S+) at line (\\d+)\r\r"));
    QStringList out;
    for (const QString& report : reports) {
        const QRegularExpressionMatch m = where.match(report);
        out.append(m.hasMatch() ? m.captured(1) + QLatin1Char(' ') + m.captured(2) : report);
    }
    return out;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace lexiquill::test
