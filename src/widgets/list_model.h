#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>
#include <array>
#include <memory>
#include <span>
#include <vector>

namespace lexiquill::widgets {

// The texts of all rows of a list, packed so that memory grows with the text and
// little else: each row is one record in large shared blocks, and a row costs the
// five bytes that locate its record. A record holds the row's columns one after
// the other, each as its length and its characters, one byte each when all are
// Latin-1 and UTF-16 otherwise. A QString is made only when a text is asked for.
//
// Blocks never move, and the space of a removed or replaced record is given back
// only when the rows are cleared, except for a record that has a block of its own.
class PackedRows {
public:
    // Records larger than an eighth of this get a block of their own, so that a block
    // loses at most that much at its end.
    static constexpr qsizetype kBlockBytes = qsizetype(1) << 20;

    std::size_t size() const { return m_at.size(); }
    // Appends a row whose first column holds text.
    void append(QStringView text);
    void append(QLatin1StringView text);
    // The text of a column counted from 0 (empty where none was set), at most limit
    // code units of it; a surrogate pair is never cut in half.
    QString text(std::size_t row, std::size_t column, qsizetype limit = -1) const;
    void setText(std::size_t row, std::size_t column, QStringView text);
    void remove(std::size_t row);
    void clear();

private:
    // A column's text as stored: length in code units, one or two bytes each.
    struct Piece {
        const void* data = nullptr;
        qsizetype units = 0;
        bool wide = false;
        // The data is QChars to be narrowed to Latin-1 while writing.
        bool narrowing = false;
    };
    using Locator = std::array<unsigned char, 5>;
    struct Block {
        std::unique_ptr<char[]> bytes;
        bool own = false;  // holds a single record
    };
    struct Record {
        std::vector<Piece> pieces;
        std::size_t count = 0;
        char* lastHead = nullptr;  // where the last column's length starts
        char* end = nullptr;
    };

    static Piece pieceOf(QStringView text);
    static qsizetype sizeOf(std::span<const Piece> pieces);
    static char* put(char* p, std::span<const Piece> pieces);
    Locator write(std::span<const Piece> pieces);
    char* recordAt(const Locator& at) const;
    // With pieces only when asked: reading through a record costs no allocation.
    Record read(const Locator& at, bool withPieces) const;
    void release(const Locator& at);

    std::vector<Block> m_blocks;
    std::size_t m_tail = 0;              // the block that takes small records
    qsizetype m_tailUsed = kBlockBytes;  // full: the first record opens a block
    std::vector<Locator> m_at;
};

// The rows of a list control, packed as PackedRows, with the list operations
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
    // same meaning; a missing row or column is a platform::PlatformError.
    int rows() const { return static_cast<int>(m_rows.size()); }
    quint64 changeCount() const { return m_changes; }
    QString text(int row) const;
    QString subText(int row, int column) const;
    bool checked(int row) const;
    int append(const QString& text);
    int append(QLatin1StringView text);
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
    // The index of a column that holds sub-items: any but the first.
    std::size_t checkedSubItem(int column) const;
    int appended();

    const bool m_checkable;
    QStringList m_headers;
    PackedRows m_rows;
    std::vector<bool> m_checked;
    int m_published = 0;
    quint64 m_changes = 0;
    QTimer m_publishTimer;
};

}  // namespace lexiquill::widgets
