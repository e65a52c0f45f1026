#include "widgets/list_model.h"

#include "platform/platform_error.h"
#include "widgets/display_refresh.h"

namespace lexiquill::widgets {

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

QString shown(const QString& text)
{
    if (text.size() <= kShownLength) return text;
    qsizetype cut = kShownLength;
    if (text[cut - 1].isHighSurrogate()) --cut;
    return text.left(cut);
}

// The index from 0 of a position numbered from 1, or a PlatformError naming what is
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

QString ListModel::text(int row) const { return m_text[checkedRow(row)]; }

QString ListModel::subText(int row, int column) const
{
    const std::size_t r = checkedRow(row);
    const std::size_t c = checkedColumn(column);
    if (c == 0)
        throw platform::PlatformError(
            QStringLiteral("Column 1 holds the row's text, not a sub-item."));
    const auto& texts = m_subText[c - 1];
    return r < texts.size() ? texts[r] : QString();
}

bool ListModel::checked(int row) const
{
    const std::size_t r = checkedRow(row);
    return m_checkable && m_checked[r] != 0;
}

int ListModel::append(const QString& text)
{
    m_text.push_back(text);
    if (m_checkable) m_checked.push_back(0);
    if (!m_publishTimer.isActive()) m_publishTimer.start();
    return rows();
}

void ListModel::setSubText(int row, int column, const QString& text)
{
    const std::size_t r = checkedRow(row);
    const std::size_t c = checkedColumn(column);
    if (c == 0)
        throw platform::PlatformError(
            QStringLiteral("Column 1 holds the row's text, not a sub-item."));
    auto& texts = m_subText[c - 1];
    if (texts.size() <= r) texts.resize(m_text.size());
    texts[r] = text;
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
    const auto at = static_cast<std::ptrdiff_t>(r);
    m_text.erase(m_text.begin() + at);
    if (m_checkable) m_checked.erase(m_checked.begin() + at);
    for (auto& texts : m_subText) {
        if (r < texts.size()) texts.erase(texts.begin() + at);
    }
    if (published) {
        --m_published;
        endRemoveRows();
    }
}

void ListModel::clear()
{
    ++m_changes;
    beginResetModel();
    // Swapping with empty vectors gives the memory of a huge list back at once.
    std::vector<QString>().swap(m_text);
    std::vector<char>().swap(m_checked);
    for (auto& texts : m_subText) std::vector<QString>().swap(texts);
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
    if (at > 0) m_subText.emplace_back();
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
        if (c == 0) return shown(m_text[r]);
        const auto& texts = m_subText[static_cast<std::size_t>(c - 1)];
        return r < texts.size() ? shown(texts[r]) : QString();
    }
    if (role == Qt::CheckStateRole && m_checkable && c == 0) {
        return m_checked[r] != 0 ? Qt::Checked : Qt::Unchecked;
    }
    return {};
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::CheckStateRole ||
        !m_checkable || index.column() != 0) {
        return false;
    }
    const char tick = value.toInt() == Qt::Checked ? 1 : 0;
    char& stored = m_checked[static_cast<std::size_t>(index.row())];
    if (stored == tick) return false;
    stored = tick;
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
