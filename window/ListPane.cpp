#include "window/ListPane.h"

#include "platform/Failure.h"

#include <QMetaObject>
#include <algorithm>
#include <climits>
#include <cstdint>

namespace {
constexpr std::size_t kMaxPrefixes = (std::size_t(1) << 25) - 1;
constexpr std::uint64_t kMaxPoolSize = std::uint64_t(1) << 38;

void appendLength(MappedVector<char>& pool, std::uint32_t length)
{
    while (length >= 0x80) {
        pool.push_back(char(0x80 | (length & 0x7f)));
        length >>= 7;
    }
    pool.push_back(char(length));
}
} // namespace

std::string_view ListPane::nameOf(const Row& row) const
{
    const char* at = m_pool.data() + row.offset;
    std::uint32_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(*at++);
        length |= std::uint32_t(byte & 0x7f) << shift;
        if (byte < 0x80)
            break;
    }
    return std::string_view(at, length);
}

std::size_t ListPane::storedSize(const Row& row) const
{
    const std::string_view name = nameOf(row);
    return std::size_t(name.data() + name.size() - (m_pool.data() + row.offset));
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
    const std::string_view name = nameOf(row);
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
    return {std::string_view(prefix.constData(), std::size_t(prefix.size())), nameOf(row)};
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
    if (m_prefixes.size() >= kMaxPrefixes) {
        m_spelledOutPrefix = QByteArray(utf8Prefix.data(), qsizetype(utf8Prefix.size()));
        return kSpelledOutPrefix;
    }
    m_prefixes.emplace_back(utf8Prefix.data(), qsizetype(utf8Prefix.size()));
    return int(m_prefixes.size() - 1);
}

void ListPane::appendInFolder(int prefix, std::string_view utf8Name)
{
    const std::string_view spelledOut =
        prefix == kSpelledOutPrefix ? std::string_view(m_spelledOutPrefix.constData(), m_spelledOutPrefix.size())
                                    : std::string_view();
    const std::size_t length = spelledOut.size() + utf8Name.size();
    if (length > UINT32_MAX || count() == INT_MAX || m_pool.size() + length + 5 > kMaxPoolSize)
        throw Failure(QStringLiteral("Out of memory"));
    const std::uint64_t offset = m_pool.size();
    appendLength(m_pool, std::uint32_t(length));
    m_pool.append(spelledOut.data(), spelledOut.size());
    m_pool.append(utf8Name.data(), utf8Name.size());
    m_rows.push_back(Row{offset, std::uint64_t(prefix == kSpelledOutPrefix ? 0 : prefix), 0});
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
    m_poolGarbage += storedSize(m_rows[index]);
    m_rows.erase(index, index + 1);
    ++m_removals;
    if (shown) {
        --m_announced;
        endRemoveRows();
    }
    compactPoolIfMostlyGarbage();
}

void ListPane::removePositions(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting)
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
    std::vector<std::pair<int, int>> ranges; // of the announced rows, 0-based, inclusive
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
        replaceWithout(ascendingPositions, keepPainting);
        return;
    }
    // Rows the views have not been told of yet go silently.
    eraseRows(firstUnannounced, ascendingPositions.end());
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
        beginRemoveRows({}, range->first, range->second);
        for (int row = range->first; row <= range->second; ++row)
            m_poolGarbage += storedSize(m_rows[std::size_t(row)]);
        m_rows.erase(std::size_t(range->first), std::size_t(range->second) + 1);
        m_announced -= range->second - range->first + 1;
        endRemoveRows();
    }
    compactPoolIfMostlyGarbage();
}

void ListPane::replaceWithout(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting)
{
    constexpr std::size_t kRowsBetweenPaints = 1 << 16;
    auto paintNow = [&](std::size_t done) {
        if (keepPainting && done % kRowsBetweenPaints == 0)
            keepPainting();
    };
    MappedVector<Row> kept;
    kept.reserve(m_rows.size() - ascendingPositions.size());
    std::size_t garbage = m_poolGarbage;
    auto gone = ascendingPositions.begin();
    for (std::size_t read = 0; read < m_rows.size(); ++read) {
        paintNow(read);
        if (gone != ascendingPositions.end() && std::size_t(*gone - 1) == read) {
            garbage += storedSize(m_rows[read]);
            ++gone;
            continue;
        }
        kept.push_back(m_rows[read]);
    }
    MappedVector<char> pool;
    const bool compact = mostlyGarbage(garbage);
    if (compact)
        packNames(kept, m_pool.size() - garbage, pool, paintNow);
    // The views may have been told of more rows meanwhile: the announced ones gone are counted now.
    const auto firstUnannounced = std::upper_bound(ascendingPositions.begin(), ascendingPositions.end(), m_announced);
    beginResetModel();
    m_rows.swap(kept);
    if (compact) {
        m_pool.swap(pool);
        garbage = 0;
    }
    m_poolGarbage = garbage;
    m_announced -= int(firstUnannounced - ascendingPositions.begin());
    endResetModel();
}

void ListPane::eraseRows(std::vector<int>::const_iterator first, std::vector<int>::const_iterator last)
{
    if (first == last)
        return;
    std::size_t write = std::size_t(*first - 1);
    for (std::size_t read = write; read < m_rows.size(); ++read) {
        if (first != last && std::size_t(*first - 1) == read) {
            m_poolGarbage += storedSize(m_rows[read]);
            ++first;
            continue;
        }
        m_rows[write++] = m_rows[read];
    }
    m_rows.truncate(write);
}

void ListPane::clear()
{
    ++m_removals;
    beginResetModel();
    m_rows.clear();
    m_pool.clear();
    m_poolGarbage = 0;
    m_prefixes.resize(1);
    m_spelledOutPrefix.clear();
    m_announced = 0;
    endResetModel();
}

// With the room of removed rows over a megabyte and most of the pool, the names that stay move into a pool
// of their own.
bool ListPane::mostlyGarbage(std::size_t garbage) const
{
    return garbage >= (1u << 20) && garbage * 2 >= m_pool.size();
}

void ListPane::packNames(MappedVector<Row>& rows, std::size_t liveBytes, MappedVector<char>& pool,
                         const std::function<void(std::size_t)>& between) const
{
    pool.reserve(liveBytes);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (between)
            between(i);
        Row& row = rows[i];
        const std::uint64_t offset = pool.size();
        pool.append(m_pool.data() + row.offset, storedSize(row));
        row.offset = offset;
    }
}

void ListPane::compactPoolIfMostlyGarbage()
{
    if (!mostlyGarbage(m_poolGarbage))
        return;
    MappedVector<char> pool;
    packNames(m_rows, m_pool.size() - m_poolGarbage, pool, {});
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
