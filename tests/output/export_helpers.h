#pragma once

#include <QStringList>
#include <QTest>

#include "support/test_platform.h"
#include "widgets/list_control.h"
#include "window/main_window.h"

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
    QVERIFY(
        list.model()->setData(list.model()->index(row - 1, 0), Qt::Checked, Qt::CheckStateRole));
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

}  // namespace lexiquill::test
