#include "widgets/list_model.h"

#include <QtEndian>
#include <cstring>
#include <new>

#include "platform/platform_error.h"
#include "widgets/display_refresh.h"

namespace lexiquill::widgets {

namespace {

// A locator is the block's index above the byte's offset in it; a block of its own
// is read from its start.
constexpr int kOffsetBits = 20;
static_assert(PackedRows::kBlockBytes <= (qsizetype(1) << kOffsetBits));
constexpr std::size_t kMaxBlocks = std::size_t(1) << (40 - kOffsetBits);
constexpr qsizetype kOwnBlockFrom = PackedRows::kBlockBytes / 8;

// A column's length is written as a variable number of bytes, seven bits each,
// lowest first: one byte for texts of up to 31 characters. Its two lowest bits say
// whether the characters are two bytes wide and whether another column follows.
qsizetype varintSize(quint64 v)
{
    qsizetype n = 1;
    for (; v >= 0x80; v >>= 7) ++n;
    return n;
}

char* putVarint(char* p, quint64 v)
{
    for (; v >= 0x80; v >>= 7) *p++ = static_cast<char>(v | 0x80);
    *p++ = static_cast<char>(v);
    return p;
}

char* getVarint(char* p, quint64& v)
{
    v = 0;
    unsigned char byte = 0;
    int shift = 0;
    do {
        byte = static_cast<unsigned char>(*p++);
        v |= quint64(byte & 0x7f) << shift;
        shift += 7;
    } while ((byte & 0x80) != 0);
    return p;
}

quint64 position(const std::array<unsigned char, 5>& at)
{
    quint64 v = 0;
    std::memcpy(&v, at.data(), at.size());
    return qFromLittleEndian(v);
}

constexpr quint64 kWide = 2;
constexpr quint64 kMore = 1;

QString build(const char* p, qsizetype units, bool wide, qsizetype limit)
{
    if (limit >= 0 && units > limit) {
        units = limit;
        char16_t last = 0;
        if (wide && units > 0) std::memcpy(&last, p + 2 * (units - 1), 2);
        if (QChar::isHighSurrogate(last)) --units;
    }
    if (!wide) return QString::fromLatin1(p, units);
    QString text(units, Qt::Uninitialized);
    if (units > 0) std::memcpy(text.data(), p, static_cast<std::size_t>(2 * units));
    return text;
}

}  // namespace

PackedRows::Piece PackedRows::pieceOf(QStringView text)
{
    const bool wide = !QtPrivate::isLatin1(text);
    return {text.data(), text.size(), wide, !wide};
}

qsizetype PackedRows::sizeOf(std::span<const Piece> pieces)
{
    qsizetype size = 0;
    for (const Piece& piece : pieces) {
        size += varintSize(quint64(piece.units) << 2) + piece.units * (piece.wide ? 2 : 1);
    }
    return size;
}

char* PackedRows::put(char* p, std::span<const Piece> pieces)
{
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        p = putVarint(p, quint64(piece.units) << 2 | (piece.wide ? kWide : 0) |
                             (i + 1 < pieces.size() ? kMore : 0));
        if (piece.narrowing) {
            const auto* from = static_cast<const QChar*>(piece.data);
            for (qsizetype k = 0; k < piece.units; ++k) p[k] = static_cast<char>(from[k].unicode());
        } else if (piece.units > 0) {
            std::memcpy(p, piece.data,
                        static_cast<std::size_t>(piece.units * (piece.wide ? 2 : 1)));
        }
        p += piece.units * (piece.wide ? 2 : 1);
    }
    return p;
}

PackedRows::Locator PackedRows::write(std::span<const Piece> pieces)
{
    const qsizetype size = sizeOf(pieces);
    std::size_t block = m_tail;
    qsizetype offset = m_tailUsed;
    if (size >= kOwnBlockFrom || kBlockBytes - m_tailUsed < size) {
        if (m_blocks.size() >= kMaxBlocks) throw std::bad_alloc();
        block = m_blocks.size();
        offset = 0;
        const bool own = size >= kOwnBlockFrom;
        // Left uninitialised, a block's pages take memory only once they are written.
        m_blocks.push_back({std::make_unique_for_overwrite<char[]>(
                                static_cast<std::size_t>(own ? size : kBlockBytes)),
                            own});
        if (!own) m_tail = block;
    }
    if (block == m_tail && !m_blocks[block].own) m_tailUsed = offset + size;
    put(m_blocks[block].bytes.get() + offset, pieces);
    Locator at{};
    const quint64 v = qToLittleEndian(quint64(block) << kOffsetBits | quint64(offset));
    std::memcpy(at.data(), &v, at.size());
    return at;
}

char* PackedRows::recordAt(const Locator& at) const
{
    const quint64 v = position(at);
    return m_blocks[v >> kOffsetBits].bytes.get() + (v & ((quint64(1) << kOffsetBits) - 1));
}

PackedRows::Record PackedRows::read(const Locator& at, bool withPieces) const
{
    Record record;
    char* p = recordAt(at);
    quint64 head = kMore;
    while ((head & kMore) != 0) {
        record.lastHead = p;
        p = getVarint(p, head);
        const Piece piece{p, static_cast<qsizetype>(head >> 2), (head & kWide) != 0, false};
        if (withPieces) record.pieces.push_back(piece);
        ++record.count;
        p += piece.units * (piece.wide ? 2 : 1);
    }
    record.end = p;
    return record;
}

void PackedRows::release(const Locator& at)
{
    Block& block = m_blocks[position(at) >> kOffsetBits];
    if (block.own) block.bytes.reset();
}

void PackedRows::append(QStringView text)
{
    const Piece piece = pieceOf(text);
    m_at.push_back(write({&piece, 1}));
}

void PackedRows::append(QLatin1StringView text)
{
    const Piece piece{text.data(), text.size(), false, false};
    m_at.push_back(write({&piece, 1}));
}

QString PackedRows::text(std::size_t row, std::size_t column, qsizetype limit) const
{
    char* p = recordAt(m_at[row]);
    for (std::size_t c = 0;; ++c) {
        quint64 head = 0;
        p = getVarint(p, head);
        const auto units = static_cast<qsizetype>(head >> 2);
        const bool wide = (head & kWide) != 0;
        if (c == column) return build(p, units, wide, limit);
        if ((head & kMore) == 0) return {};
        p += units * (wide ? 2 : 1);
    }
}

void PackedRows::setText(std::size_t row, std::size_t column, QStringView text)
{
    const Locator at = m_at[row];
    Record record = read(at, false);
    const Piece piece = pieceOf(text);
    const std::size_t count = record.count;
    // A column added to the record written last, as a run does to each row it
    // appends, goes on in place.
    const Block& tail = m_blocks[m_tail];
    if (column >= count && (position(at) >> kOffsetBits) == m_tail && !tail.own &&
        record.end == tail.bytes.get() + m_tailUsed) {
        // Columns between the last one and this one are left empty.
        const qsizetype size = static_cast<qsizetype>(column - count) + sizeOf({&piece, 1});
        if (kBlockBytes - m_tailUsed >= size) {
            *record.lastHead = static_cast<char>(*record.lastHead | kMore);
            char* p = record.end;
            for (std::size_t c = count; c < column; ++c) *p++ = static_cast<char>(kMore);
            put(p, {&piece, 1});
            m_tailUsed += size;
            return;
        }
    }
    record = read(at, true);
    if (column >= count) record.pieces.resize(column + 1);
    record.pieces[column] = piece;
    m_at[row] = write(record.pieces);
    release(at);
}

void PackedRows::remove(std::size_t row)
{
    release(m_at[row]);
    m_at.erase(m_at.begin() + static_cast<std::ptrdiff_t>(row));
}

void PackedRows::clear()
{
    // Swapping with empty vectors gives the memory of a huge list back at once.
    std::vector<Block>().swap(m_blocks);
    std::vector<Locator>().swap(m_at);
    m_tail = 0;
    m_tailUsed = kBlockBytes;
}

ListModel::ListModel(bool checkable, QObject* parent)
    : QAbstractTableModel(parent), m_checkable(checkable)
{
    m_publishTimer.setSingleShot(true);
    m_publishTimer.setInterval(kDisplayRefreshMs);
    connect(&m_publishTimer, &QTimer::timeout, this, &ListModel::publishRows);
}

namespace {

// A cell shows at most this many characters of its text. The text itself stays
// whole; only drawing a phrase of millions of characters, which would take seconds
// on every repaint, is spared.
constexpr qsizetype kShownLength = 4096;

// The index from 0 of a position numbered from 1, or a platform::PlatformError naming what is
// missing ("Row", "Column") and how many there are.
std::size_t indexOf(int position, int count, const char* what)
{
    if (position < 1 || position > count) {
        throw platform::PlatformError(QStringLiteral("%1 %2 does not exist: the list has %3 %4(s).")
                                          .arg(QLatin1String(what))
                                          .arg(position)
                                          .arg(count)
                                          .arg(QLatin1String(what).toString().toLower()));
    }
    return static_cast<std::size_t>(position - 1);
}

}  // namespace

std::size_t ListModel::checkedRow(int row) const { return indexOf(row, rows(), "Row"); }

std::size_t ListModel::checkedColumn(int column) const
{
    return indexOf(column, columns(), "Column");
}

QString ListModel::text(int row) const { return m_rows.text(checkedRow(row), 0); }

std::size_t ListModel::checkedSubItem(int column) const
{
    const std::size_t c = checkedColumn(column);
    if (c == 0)
        throw platform::PlatformError(
            QStringLiteral("Column 1 holds the row's text, not a sub-item."));
    return c;
}

QString ListModel::subText(int row, int column) const
{
    const std::size_t r = checkedRow(row);
    return m_rows.text(r, checkedSubItem(column));
}

bool ListModel::checked(int row) const
{
    const std::size_t r = checkedRow(row);
    return m_checkable && m_checked[r];
}

int ListModel::append(const QString& text)
{
    m_rows.append(text);
    return appended();
}

int ListModel::append(QLatin1StringView text)
{
    m_rows.append(text);
    return appended();
}

int ListModel::appended()
{
    if (m_checkable) m_checked.push_back(false);
    if (!m_publishTimer.isActive()) m_publishTimer.start();
    return rows();
}

void ListModel::setSubText(int row, int column, const QString& text)
{
    const std::size_t r = checkedRow(row);
    const std::size_t c = checkedSubItem(column);
    m_rows.setText(r, c, text);
    if (static_cast<int>(r) < m_published) {
        const QModelIndex cell = index(static_cast<int>(r), static_cast<int>(c));
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

void ListModel::remove(int row)
{
    const std::size_t r = checkedRow(row);
    ++m_changes;
    const bool published = static_cast<int>(r) < m_published;
    if (published) beginRemoveRows({}, static_cast<int>(r), static_cast<int>(r));
    m_rows.remove(r);
    if (m_checkable) m_checked.erase(m_checked.begin() + static_cast<std::ptrdiff_t>(r));
    if (published) {
        --m_published;
        endRemoveRows();
    }
}

void ListModel::clear()
{
    ++m_changes;
    beginResetModel();
    m_rows.clear();
    std::vector<bool>().swap(m_checked);
    m_published = 0;
    m_publishTimer.stop();
    endResetModel();
}

QString ListModel::header(int column) const
{
    return m_headers[static_cast<int>(checkedColumn(column))];
}

void ListModel::addColumn(const QString& header)
{
    const int at = columns();
    beginInsertColumns({}, at, at);
    m_headers.append(header);
    endInsertColumns();
}

void ListModel::publishRows()
{
    m_publishTimer.stop();
    const int total = rows();
    if (total == m_published) return;
    beginInsertRows({}, m_published, total - 1);
    m_published = total;
    endInsertRows();
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_published;
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns();
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const auto r = static_cast<std::size_t>(index.row());
    const int c = index.column();
    if (role == Qt::DisplayRole) {
        return m_rows.text(r, static_cast<std::size_t>(c), kShownLength);
    }
    if (role == Qt::CheckStateRole && m_checkable && c == 0) {
        return m_checked[r] ? Qt::Checked : Qt::Unchecked;
    }
    return {};
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::CheckStateRole ||
        !m_checkable || index.column() != 0) {
        return false;
    }
    const bool tick = value.toInt() == Qt::Checked;
    const auto row = static_cast<std::size_t>(index.row());
    if (m_checked[row] == tick) return false;
    m_checked[row] = tick;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_checkable && index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columns()) {
        return m_headers[section];
    }
    return {};
}

}  // namespace lexiquill::widgets
