#include "widgets/list_control.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

#include "widgets/twips.h"

namespace lexiquill::widgets {

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

void ListControl::remove(int row)
{
    m_model.remove(row);
    // The view would move the selection to the next row, so that holding Delete
    // would empty the list downwards. A removal leaves no row selected or current,
    // also once the double-click that removed it is released.
    selectionModel()->clear();
    m_removedDuringGesture = true;
}

QItemSelectionModel::SelectionFlags ListControl::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const
{
    // A click beside the rows keeps the selection, so that a double-click anywhere in
    // the list removes the selected phrase; the release of a double-click that removed
    // a phrase must not select the one that moved under the pointer.
    const bool mouse =
        event &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
         event->type() == QEvent::MouseButtonDblClick || event->type() == QEvent::MouseMove);
    if (mouse && (!index.isValid() || m_removedDuringGesture)) return QItemSelectionModel::NoUpdate;
    return QTableView::selectionCommand(index, event);
}

void ListControl::mousePressEvent(QMouseEvent* event)
{
    m_removedDuringGesture = false;
    QTableView::mousePressEvent(event);
}

void ListControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The view would take a double-click on the row that took the removed one's place
    // for a fresh press on it, and select it.
    if (!m_removedDuringGesture) QTableView::mouseDoubleClickEvent(event);
}

void ListControl::setColumnWidth(int column, int twips)
{
    QTableView::setColumnWidth(m_model.columnIndex(column), pixelsFromTwips(twips));
}

void ListControl::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Menu && event->modifiers() == Qt::NoModifier) ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        requestMenuAtCurrentRow();
        return;
    }
    // Rows are selected whole, so Space ticks the current row whichever of its cells
    // is current; the view alone would only toggle a tick box in the cell itself.
    const QModelIndex current = currentIndex();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier &&
        current.isValid() && current.column() != 0 &&
        (m_model.flags(current.siblingAtColumn(0)) & Qt::ItemIsUserCheckable)) {
        const QModelIndex tick = current.siblingAtColumn(0);
        const bool ticked = m_model.data(tick, Qt::CheckStateRole).toInt() == Qt::Checked;
        m_model.setData(tick, ticked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return;
    }
    QTableView::keyPressEvent(event);
}

bool ListControl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        const QString rowText =
            m_rowToolTip && index.isValid() ? m_rowToolTip(index.row() + 1) : QString();
        QToolTip::showText(help->globalPos(),
                           rowText.isEmpty() ? toolTip() : rowText + QLatin1Char('\n') + toolTip(),
                           this);
        return true;
    }
    return QTableView::viewportEvent(event);
}

void ListControl::contextMenuEvent(QContextMenuEvent* event)
{
    // A mouse's event comes from the viewport, in its coordinates.
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = indexAt(event->pos());
        emit menuRequested(index.isValid() ? index.row() + 1 : 0, event->globalPos());
    } else {
        requestMenuAtCurrentRow();
    }
}

void ListControl::requestMenuAtCurrentRow()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        emit menuRequested(0, viewport()->mapToGlobal(QPoint(0, 0)));
        return;
    }
    scrollTo(current);
    const QRect cell = visualRect(current.siblingAtColumn(0));
    emit menuRequested(current.row() + 1, viewport()->mapToGlobal(cell.bottomLeft()));
}

}  // namespace lexiquill::widgets
