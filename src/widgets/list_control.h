#pragma once

#include <QTableView>
#include <functional>

#include "platform/list_view.h"
#include "widgets/list_model.h"

namespace lexiquill::widgets {

// A list in detail view: column headers, one row per item, an optional tick box at
// the start of each row, and the list operations numbered from 1.
class ListControl : public QTableView, public platform::ListView {
    Q_OBJECT

public:
    ListControl(bool checkable, QWidget* parent);

    ListModel& rows() { return m_model; }

    int rowCount() const override { return m_model.rows(); }
    QString text(int row) const override { return m_model.text(row); }
    QString subText(int row, int column) const override { return m_model.subText(row, column); }
    bool checked(int row) const override { return m_model.checked(row); }
    int append(const QString& text) override { return m_model.append(text); }
    int appendLatin1(QLatin1StringView text) override { return m_model.append(text); }
    void setSubText(int row, int column, const QString& text) override
    {
        m_model.setSubText(row, column, text);
    }
    void remove(int row) override;
    void clear() override { m_model.clear(); }
    int selectedRow() const override;
    quint64 changeCount() const override { return m_model.changeCount(); }
    int columnCount() const override { return m_model.columns(); }
    QString header(int column) const override { return m_model.header(column); }
    void addColumn(const QString& header) override { m_model.addColumn(header); }
    void setColumnWidth(int column, int twips) override;

    // Text shown above the hint text where the pointer rests on a row (numbered from
    // 1); nothing more where it gives an empty text. It must not throw.
    void setRowToolTip(std::function<QString(int row)> toolTip)
    {
        m_rowToolTip = std::move(toolTip);
    }

signals:
    // A context menu is asked for a row (numbered from 1, 0 for none): by the right
    // mouse button at the row under the pointer, or by the Menu key or Shift+F10 at
    // the current row (none when no row is current). globalPos is where the menu
    // belongs on the screen.
    void menuRequested(int row, const QPoint& globalPos);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The hint text shows wherever the pointer rests on the list, over rows and
    // over the empty area alike.
    bool viewportEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void requestMenuAtCurrentRow();

    ListModel m_model;
    bool m_removedDuringGesture = false;
    std::function<QString(int)> m_rowToolTip;
};

}  // namespace lexiquill::widgets
