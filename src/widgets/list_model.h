#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>
#include <vector>

namespace lexiquill::widgets {

// The rows of a list control, in contiguous storage, with the list operations
// numbered from 1.
//
// Rows appended by the operations are stored at once but announced to attached
// views in batches, at display rate: a view that heard of every row separately
// would re-lay itself out between the per-row yields of a long run, which makes the
// run quadratic in the number of rows. publishRows() announces them at once.
class ListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ListModel(bool checkable, QObject* parent = nullptr);

    // The list operations of ListView that concern the rows and headers, with the
    // same meaning; a missing row or column is a PlatformError.
    int rows() const { return static_cast<int>(m_text.size()); }
    quint64 changeCount() const { return m_changes; }
    QString text(int row) const;
    QString subText(int row, int column) const;
    bool checked(int row) const;
    int append(const QString& text);
    void setSubText(int row, int column, const QString& text);
    void remove(int row);
    void clear();
    int columns() const { return static_cast<int>(m_headers.size()); }
    QString header(int column) const;
    void addColumn(const QString& header);
    // Index of an existing column counted from 0.
    int columnIndex(int column) const { return static_cast<int>(checkedColumn(column)); }

    void publishRows();

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::size_t checkedRow(int row) const;
    std::size_t checkedColumn(int column) const;

    const bool m_checkable;
    QStringList m_headers;
    std::vector<QString> m_text;
    // Texts of columns 2 and further; each vector grows only as far as it is set.
    std::vector<std::vector<QString>> m_subText;
    std::vector<char> m_checked;
    int m_published = 0;
    quint64 m_changes = 0;
    QTimer m_publishTimer;
};

}  // namespace lexiquill::widgets
