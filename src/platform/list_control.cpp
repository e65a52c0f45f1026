#include "platform/list_control.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>

#include "platform/twips.h"

namespace lexiquill::platform {

ListControl::ListControl(bool checkable, QWidget* parent) : QTableView(parent), m_model(checkable)
{
    setModel(&m_model);
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    // Fixed row heights keep the view from measuring rows; a list of a million
    // rows then costs nothing to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

int ListControl::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void ListControl::setColumnWidth(int column, int twips)
{
    QTableView::setColumnWidth(m_model.columnIndex(column), pixelsFromTwips(twips));
}

bool ListControl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toolTip(), this);
        return true;
    }
    return QTableView::viewportEvent(event);
}

}  // namespace lexiquill::platform
