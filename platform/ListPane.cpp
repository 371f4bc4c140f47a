#include "platform/ListPane.h"

#include "platform/Failure.h"

#include <QMetaObject>
#include <algorithm>
#include <climits>
#include <cstdint>

namespace {
constexpr std::uint32_t kMaxPrefixes = (1u << 31) - 1;
}

ListPane::ListPane(bool checkBoxes, QObject* parent)
    : QAbstractTableModel(parent), m_checkBoxes(checkBoxes), m_prefixes(1), m_selection(this)
{}

void ListPane::addColumn(const QString& header)
{
    const int column = int(m_headers.size());
    beginInsertColumns({}, column, column);
    m_headers.append(header);
    endInsertColumns();
}

std::size_t ListPane::toIndex(int position) const
{
    if (position < 1 || position > count())
        throw Failure(QStringLiteral("Index out of bounds"));
    return std::size_t(position - 1);
}

QString ListPane::textAt(std::size_t index) const
{
    const Row& row = m_rows[index];
    const std::string_view name(m_pool.data() + row.offset, row.length);
    if (row.prefix == 0)
        return QString::fromUtf8(name.data(), qsizetype(name.size()));
    const QByteArray& prefix = m_prefixes[row.prefix];
    QByteArray whole;
    whole.reserve(prefix.size() + qsizetype(name.size()));
    whole.append(prefix).append(name.data(), qsizetype(name.size()));
    return QString::fromUtf8(whole);
}

QString ListPane::text(int position) const
{
    return textAt(toIndex(position));
}

ListPane::Utf8Text ListPane::utf8(int position) const
{
    const Row& row = m_rows[toIndex(position)];
    const QByteArray& prefix = m_prefixes[row.prefix];
    return {std::string_view(prefix.constData(), std::size_t(prefix.size())),
            std::string_view(m_pool.data() + row.offset, row.length)};
}

bool ListPane::checked(int position) const
{
    return m_rows[toIndex(position)].checked;
}

void ListPane::setChecked(int position, bool checked)
{
    const std::size_t index = toIndex(position);
    m_rows[index].checked = checked;
    if (int(index) < m_announced) {
        const QModelIndex cell = this->index(int(index), 0);
        Q_EMIT dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

void ListPane::append(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    appendInFolder(0, std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

int ListPane::addPrefix(std::string_view utf8Prefix)
{
    if (utf8Prefix.empty())
        return 0;
    const QByteArray& last = m_prefixes.back();
    if (m_prefixes.size() > 1 && std::string_view(last.constData(), std::size_t(last.size())) == utf8Prefix)
        return int(m_prefixes.size() - 1);
    if (m_prefixes.size() >= kMaxPrefixes)
        throw Failure(QStringLiteral("Out of memory"));
    m_prefixes.emplace_back(utf8Prefix.data(), qsizetype(utf8Prefix.size()));
    return int(m_prefixes.size() - 1);
}

void ListPane::appendInFolder(int prefix, std::string_view utf8Name)
{
    if (utf8Name.size() > UINT32_MAX || count() == INT_MAX)
        throw Failure(QStringLiteral("Out of memory"));
    const std::uint64_t offset = m_pool.size();
    m_pool.insert(m_pool.end(), utf8Name.begin(), utf8Name.end());
    m_rows.push_back(Row{offset, std::uint32_t(utf8Name.size()), std::uint32_t(prefix), 0});
    scheduleAnnouncement();
}

void ListPane::scheduleAnnouncement()
{
    if (m_announcementPending)
        return;
    m_announcementPending = true;
    QMetaObject::invokeMethod(this, &ListPane::announce, Qt::QueuedConnection);
}

void ListPane::announce()
{
    m_announcementPending = false;
    if (m_announced >= count())
        return;
    beginInsertRows({}, m_announced, count() - 1);
    m_announced = count();
    endInsertRows();
}

void ListPane::remove(int position)
{
    const std::size_t index = toIndex(position);
    const bool shown = int(index) < m_announced;
    if (shown)
        beginRemoveRows({}, int(index), int(index));
    m_poolGarbage += m_rows[index].length;
    m_rows.erase(m_rows.begin() + std::ptrdiff_t(index));
    ++m_removals;
    if (shown) {
        --m_announced;
        endRemoveRows();
    }
    compactPoolIfMostlyGarbage();
}

void ListPane::removePositions(const std::vector<int>& ascendingPositions)
{
    for (std::size_t i = 0; i < ascendingPositions.size(); ++i) {
        toIndex(ascendingPositions[i]);
        if (i > 0 && ascendingPositions[i] <= ascendingPositions[i - 1])
            throw Failure(QStringLiteral("Invalid procedure call or argument"));
    }
    if (ascendingPositions.empty())
        return;
    ++m_removals;
    const auto firstUnannounced = std::upper_bound(ascendingPositions.begin(), ascendingPositions.end(), m_announced);

    // Rows the views have not been told of yet go silently.
    eraseRows(firstUnannounced, ascendingPositions.end());

    std::vector<std::pair<int, int>> ranges; // 0-based, inclusive
    for (auto position = ascendingPositions.begin(); position != firstUnannounced; ++position) {
        const int row = *position - 1;
        if (!ranges.empty() && ranges.back().second == row - 1)
            ranges.back().second = row;
        else
            ranges.emplace_back(row, row);
    }
    // A few ranges are told to the views one by one, the highest first; a scattered removal resets them.
    constexpr std::size_t kMostRangesToTell = 64;
    if (ranges.size() > kMostRangesToTell) {
        beginResetModel();
        eraseRows(ascendingPositions.begin(), firstUnannounced);
        m_announced -= int(firstUnannounced - ascendingPositions.begin());
        endResetModel();
    } else {
        for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
            beginRemoveRows({}, range->first, range->second);
            for (int row = range->first; row <= range->second; ++row)
                m_poolGarbage += m_rows[std::size_t(row)].length;
            m_rows.erase(m_rows.begin() + range->first, m_rows.begin() + range->second + 1);
            m_announced -= range->second - range->first + 1;
            endRemoveRows();
        }
    }
    compactPoolIfMostlyGarbage();
}

void ListPane::eraseRows(std::vector<int>::const_iterator first, std::vector<int>::const_iterator last)
{
    if (first == last)
        return;
    std::size_t write = std::size_t(*first - 1);
    for (std::size_t read = write; read < m_rows.size(); ++read) {
        if (first != last && std::size_t(*first - 1) == read) {
            m_poolGarbage += m_rows[read].length;
            ++first;
            continue;
        }
        m_rows[write++] = m_rows[read];
    }
    m_rows.resize(write);
}

void ListPane::clear()
{
    ++m_removals;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_pool.clear();
    m_pool.shrink_to_fit();
    m_poolGarbage = 0;
    m_prefixes.resize(1);
    m_announced = 0;
    endResetModel();
}

void ListPane::compactPoolIfMostlyGarbage()
{
    if (m_poolGarbage < (1u << 20) || m_poolGarbage * 2 < m_pool.size())
        return;
    std::vector<char> pool;
    pool.reserve(m_pool.size() - m_poolGarbage);
    for (Row& row : m_rows) {
        const std::uint64_t offset = pool.size();
        pool.insert(pool.end(), m_pool.begin() + std::ptrdiff_t(row.offset),
                    m_pool.begin() + std::ptrdiff_t(row.offset + row.length));
        row.offset = offset;
    }
    m_pool.swap(pool);
    m_poolGarbage = 0;
}

int ListPane::selectedIndex() const
{
    const QModelIndexList rows = m_selection.selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

int ListPane::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_announced;
}

int ListPane::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnHeaderCount();
}

QVariant ListPane::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (index.column() != 0) // further columns have no sub-items
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    const std::size_t row = std::size_t(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return textAt(row);
    if (role == Qt::CheckStateRole && m_checkBoxes)
        return m_rows[row].checked ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool ListPane::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !m_checkBoxes || index.column() != 0 ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    setChecked(index.row() + 1, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ListPane::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_checkBoxes && index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ListPane::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnHeaderCount())
        return m_headers[section];
    return {};
}
