#include "window/ListPane.h"

#include "base/Failure.h"

#include <QByteArray>
#include <QMetaObject>
#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// An empty text still points somewhere, for memcpy's sake.
constexpr char kNothing[] = "";

bool bitAt(const MappedVector<std::uint64_t>& bits, std::size_t i)
{
    return (bits[i / 64] >> (i % 64)) & 1;
}

void setBit(MappedVector<std::uint64_t>& bits, std::size_t i, bool on)
{
    const std::uint64_t mask = std::uint64_t(1) << (i % 64);
    bits[i / 64] = on ? bits[i / 64] | mask : bits[i / 64] & ~mask;
}

// Copies `count` bits from bit `from` of `source` to bit `to` of `target`, a word at a time where it can. The
// two may be one array when `to` <= `from`.
void copyBits(std::uint64_t* target, std::size_t to, const std::uint64_t* source, std::size_t from, std::size_t count)
{
    while (count > 0) {
        const std::size_t take = std::min({count, 64 - to % 64, 64 - from % 64});
        const std::uint64_t mask = take == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << take) - 1;
        const std::uint64_t bits = (source[from / 64] >> (from % 64)) & mask;
        std::uint64_t& word = target[to / 64];
        word = (word & ~(mask << (to % 64))) | (bits << (to % 64));
        to += take;
        from += take;
        count -= take;
    }
}

// Keeps the bits of the first `count` rows and clears the rest, so that rows appended later start unticked.
void truncateBits(MappedVector<std::uint64_t>& bits, std::size_t count)
{
    bits.truncate((count + 63) / 64);
    if (count % 64 != 0)
        bits[count / 64] &= (std::uint64_t(1) << (count % 64)) - 1;
}
} // namespace

void ListPane::Rows::swap(Rows& other) noexcept
{
    lengths.swap(other.lengths);
    segments.swap(other.segments);
    ticks.swap(other.ticks);
}

ListPane::ListPane(bool checkBoxes, QObject* parent)
    : QAbstractTableModel(parent), m_checkBoxes(checkBoxes), m_selection(this)
{
    m_prefixEnds.push_back(0);
}

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

// Mostly the segment after the one last found.
std::size_t ListPane::findSegment(std::size_t index) const
{
    const MappedVector<Segment>& segments = m_rows.segments;
    const std::size_t next = m_lastSegment + 1;
    if (next < segments.size() && std::size_t(segments[next].first) <= index && index < segmentEnd(next))
        return m_lastSegment = next;
    const auto after = std::upper_bound(segments.begin(), segments.end(), index,
                                        [](std::size_t i, const Segment& segment) { return i < std::size_t(segment.first); });
    return m_lastSegment = std::size_t(after - segments.begin()) - 1;
}

std::uint64_t ListPane::utf8Bytes() const
{
    std::uint64_t bytes = 0;
    for (std::size_t segment = 0; segment < m_rows.segments.size(); ++segment) {
        const Segment& in = m_rows.segments[segment];
        const std::size_t rows = segmentEnd(segment) - std::size_t(in.first);
        bytes += in.bytes + rows * prefixText(in.prefix).size();
    }
    return bytes;
}

std::string_view ListPane::prefixText(std::int32_t prefix) const
{
    if (prefix == 0)
        return std::string_view(kNothing, 0);
    const std::uint64_t start = m_prefixEnds[std::size_t(prefix) - 1];
    return std::string_view(m_prefixBytes.data() + start, m_prefixEnds[std::size_t(prefix)] - start);
}

std::uint32_t ListPane::startOf(std::size_t index, std::size_t first) const
{
    std::uint32_t start = 0;
    for (std::size_t i = first; i < index; ++i)
        start += m_rows.lengths[i];
    return start;
}

ListPane::Utf8Text ListPane::textOf(std::size_t index) const
{
    const Segment& in = m_rows.segments[segmentOf(index)];
    const std::size_t first = std::size_t(in.first);
    const std::uint32_t length = lengthOf(index, in);
    // A row read right after the one before it in its segment starts where that one ended.
    const std::uint32_t start = index == m_nextRow && index > first ? m_nextStart : startOf(index, first);
    m_nextRow = index + 1;
    m_nextStart = start + length;
    const std::string_view name =
        length == 0 ? std::string_view(kNothing, 0) : std::string_view(m_pool.data() + in.base + start, length);
    return {prefixText(in.prefix), name};
}

QString ListPane::textAt(std::size_t index) const
{
    const auto [prefix, name] = textOf(index);
    if (prefix.empty())
        return QString::fromUtf8(name.data(), qsizetype(name.size()));
    QByteArray whole;
    whole.reserve(qsizetype(prefix.size() + name.size()));
    whole.append(prefix.data(), qsizetype(prefix.size())).append(name.data(), qsizetype(name.size()));
    return QString::fromUtf8(whole);
}

QString ListPane::text(int position) const
{
    return textAt(toIndex(position));
}

ListPane::Utf8Text ListPane::utf8(int position) const
{
    return textOf(toIndex(position));
}

bool ListPane::checked(int position) const
{
    return bitAt(m_rows.ticks, toIndex(position));
}

void ListPane::setChecked(int position, bool checked)
{
    const std::size_t index = toIndex(position);
    setBit(m_rows.ticks, index, checked);
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
    const std::size_t last = m_prefixEnds.size() - 1;
    if (last > 0 && prefixText(std::int32_t(last)) == utf8Prefix)
        return int(last);
    if (last >= std::size_t(INT32_MAX))
        throw Failure(QStringLiteral("Out of memory"));
    m_prefixBytes.append(utf8Prefix.data(), utf8Prefix.size());
    m_prefixEnds.push_back(m_prefixBytes.size());
    return int(last + 1);
}

void ListPane::appendInFolder(int prefix, std::string_view utf8Name)
{
    if (utf8Name.size() > UINT32_MAX || count() == INT_MAX)
        throw Failure(QStringLiteral("Out of memory"));
    const std::size_t index = m_rows.lengths.size();
    const auto length = std::uint32_t(utf8Name.size());
    const bool isLong = length >= kLongName;
    MappedVector<Segment>& segments = m_rows.segments;
    Segment* last = segments.empty() ? nullptr : &segments[segments.size() - 1];
    if (!isLong && last && last->prefix == prefix && last->base + last->bytes == m_pool.size() &&
        index - std::size_t(last->first) < kSegmentRows && m_rows.lengths[index - 1] != kLongName) {
        last->bytes += length;
    } else {
        segments.push_back(Segment{m_pool.size(), length, std::int32_t(prefix), std::int32_t(index)});
    }
    m_rows.lengths.push_back(isLong ? kLongName : std::uint8_t(length));
    m_pool.append(utf8Name.data(), utf8Name.size());
    if (index % 64 == 0)
        m_rows.ticks.push_back(0);
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
    const std::vector<int> gone{position};
    eraseRows(gone.begin(), gone.end());
    ++m_removals;
    if (shown) {
        --m_announced;
        endRemoveRows();
    }
    compactPoolIfMostlyGarbage();
}

void ListPane::removePositions(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting)
{
    if (ascendingPositions.empty())
        return;
    // Positions that ascend are within the pane when the first and the last are. Of positions that do not,
    // the failure is the one met first in order: a position outside the pane up to the first that does not
    // ascend, else that one.
    const auto unordered =
        std::adjacent_find(ascendingPositions.begin(), ascendingPositions.end(), std::greater_equal<int>());
    toIndex(ascendingPositions.front());
    if (unordered == ascendingPositions.end()) {
        toIndex(ascendingPositions.back());
    } else {
        toIndex(*unordered);
        toIndex(*(unordered + 1));
        throw Failure(QStringLiteral("Invalid procedure call or argument"));
    }
    ++m_removals;
    const auto firstUnannounced = std::upper_bound(ascendingPositions.begin(), ascendingPositions.end(), m_announced);
    // A few runs of adjacent announced rows are told to the views one by one, the highest first; a scattered
    // removal resets them, and is known as such from its first runs.
    constexpr std::size_t kMostRangesToTell = 64;
    std::vector<std::pair<PositionIt, PositionIt>> ranges;
    for (auto position = ascendingPositions.begin(); position != firstUnannounced; ++position) {
        if (!ranges.empty() && *(ranges.back().second - 1) == *position - 1) {
            ranges.back().second = position + 1;
        } else if (ranges.size() == kMostRangesToTell) {
            replaceWithout(ascendingPositions, keepPainting);
            return;
        } else {
            ranges.emplace_back(position, position + 1);
        }
    }
    // Rows the views have not been told of yet go silently.
    eraseRows(firstUnannounced, ascendingPositions.end());
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
        const int first = *range->first - 1;
        const int last = *(range->second - 1) - 1;
        beginRemoveRows({}, first, last);
        eraseRows(range->first, range->second);
        m_announced -= last - first + 1;
        endRemoveRows();
    }
    compactPoolIfMostlyGarbage();
}

// Moves the rows of the pane that are not at the positions from `gone` to `goneEnd` (ascending) into `to`:
// either the pane's own rows, moved down in place, or empty rows built beside them. In place, a segment that
// loses rows packs its kept names down where they are; beside, its kept names are appended to `pool`, and
// when that is a new pool every segment's names are. Returns the pool bytes that no segment holds any more.
std::uint64_t ListPane::copyRowsWithout(PositionIt gone, PositionIt goneEnd, Rows& to, MappedVector<char>& pool,
                                        const std::function<void(std::size_t)>& between)
{
    const Rows& from = m_rows;
    const bool inPlace = &to == &m_rows;
    const bool newPool = &pool != &m_pool;
    const std::size_t firstSegment = inPlace && gone != goneEnd ? segmentOf(std::size_t(*gone - 1)) : 0;
    std::size_t write = inPlace ? std::size_t(from.segments[firstSegment].first) : 0;
    std::size_t writeSegment = firstSegment;
    std::uint64_t unheld = 0;
    const std::size_t segments = from.segments.size();
    // Rows that lose nothing: their lengths and ticks move down to `write`, their names stay.
    auto moveWhole = [&](std::size_t first, std::size_t count) {
        if (inPlace && write == first)
            return;
        if (inPlace)
            std::memmove(to.lengths.data() + write, from.lengths.data() + first, count);
        else
            to.lengths.append(from.lengths.data() + first, count);
        copyBits(to.ticks.data(), write, from.ticks.data(), first, count);
    };
    auto putSegment = [&](const Segment& kept) {
        if (inPlace)
            to.segments[writeSegment] = kept;
        else
            to.segments.push_back(kept);
        ++writeSegment;
    };
    for (std::size_t s = firstSegment; s < segments; ++s) {
        if (gone == goneEnd && !newPool) {
            // The rest loses no rows: its lengths and ticks move down at once, its names stay.
            const std::size_t first = std::size_t(from.segments[s].first);
            const std::size_t rest = from.lengths.size() - first;
            if (inPlace && write == first) {
                write += rest;
                writeSegment = segments;
                break;
            }
            moveWhole(first, rest);
            for (; s < segments; ++s) {
                Segment kept = from.segments[s];
                kept.first -= std::int32_t(first - write);
                putSegment(kept);
            }
            write += rest;
            break;
        }
        const Segment segment = from.segments[s];
        const std::size_t first = std::size_t(segment.first);
        const std::size_t end = segmentEnd(s);
        Segment kept = segment;
        kept.first = std::int32_t(write);
        if (!newPool && std::size_t(*gone - 1) >= end) {
            moveWhole(first, end - first);
            putSegment(kept);
            write += end - first;
            if (between)
                between(first);
            continue;
        }
        kept.base = inPlace ? segment.base : pool.size();
        std::uint32_t packed = 0;
        const std::size_t keptFrom = write;
        for (std::size_t i = first, start = 0; i < end; ++i) {
            if (between)
                between(i);
            const std::uint8_t lengthByte = from.lengths[i];
            const std::uint32_t length = lengthOf(i, segment);
            const char* name = m_pool.data() + segment.base + start;
            start += length;
            if (gone != goneEnd && std::size_t(*gone - 1) == i) {
                ++gone;
                continue;
            }
            if (inPlace) {
                if (length > 0)
                    std::memmove(m_pool.data() + kept.base + packed, name, length);
                to.lengths[write] = lengthByte;
            } else {
                pool.append(name, length);
                to.lengths.push_back(lengthByte);
            }
            copyBits(to.ticks.data(), write, from.ticks.data(), i, 1);
            packed += length;
            ++write;
        }
        unheld += newPool ? 0 : segment.bytes - (inPlace ? packed : 0);
        if (write == keptFrom)
            continue; // every row of it went
        kept.bytes = packed;
        putSegment(kept);
    }
    if (inPlace) {
        to.lengths.truncate(write);
        to.segments.truncate(writeSegment);
        truncateBits(to.ticks, write);
    }
    return unheld;
}

void ListPane::eraseRows(PositionIt first, PositionIt last)
{
    if (first == last)
        return;
    m_poolGarbage += copyRowsWithout(first, last, m_rows, m_pool, {});
    m_nextRow = SIZE_MAX;
}

void ListPane::replaceWithout(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting)
{
    constexpr std::size_t kRowsBetweenPaints = 1 << 12; // the painting itself is held to its own pace
    std::size_t painted = 0;
    auto paintNow = [&](std::size_t row) {
        if (keepPainting && row >= painted + kRowsBetweenPaints) {
            painted = row;
            keepPainting();
        }
    };
    // The segments that lose rows are written anew; when their old room makes most of the pool garbage,
    // every name moves to a new pool instead.
    std::uint64_t rewritten = 0;
    for (std::size_t s = m_rows.segments.size(); auto position : ascendingPositions) {
        paintNow(std::size_t(position - 1));
        const std::size_t segment = segmentOf(std::size_t(position - 1));
        if (segment != s)
            rewritten += m_rows.segments[segment].bytes;
        s = segment;
    }
    const bool compact = mostlyGarbage(m_poolGarbage + rewritten);
    Rows kept;
    const std::size_t keptRows = m_rows.lengths.size() - ascendingPositions.size();
    kept.lengths.reserve(keptRows);
    kept.ticks.growZeroed((keptRows + 63) / 64);
    MappedVector<char> newPool;
    if (compact)
        newPool.reserve(m_pool.size() - m_poolGarbage - rewritten);
    painted = 0;
    const std::uint64_t unheld = copyRowsWithout(ascendingPositions.begin(), ascendingPositions.end(), kept,
                                                 compact ? newPool : m_pool, paintNow);
    // The views may have been told of more rows meanwhile: the announced ones gone are counted now.
    const auto firstUnannounced = std::upper_bound(ascendingPositions.begin(), ascendingPositions.end(), m_announced);
    beginResetModel();
    m_rows.swap(kept);
    m_nextRow = SIZE_MAX; // the views read the old rows while they stayed
    if (compact) {
        m_pool.swap(newPool);
        m_poolGarbage = 0;
    } else {
        m_poolGarbage += unheld;
    }
    m_announced -= int(firstUnannounced - ascendingPositions.begin());
    endResetModel();
}

void ListPane::clear()
{
    ++m_removals;
    beginResetModel();
    m_rows.lengths.clear();
    m_rows.segments.clear();
    m_rows.ticks.clear();
    m_nextRow = SIZE_MAX;
    m_pool.clear();
    m_poolGarbage = 0;
    m_prefixBytes.clear();
    m_prefixEnds.clear();
    m_prefixEnds.push_back(0);
    m_announced = 0;
    endResetModel();
}

// With the room of removed rows over a megabyte and most of the pool, the names that stay move into a pool
// of their own.
bool ListPane::mostlyGarbage(std::uint64_t garbage) const
{
    return garbage >= (1u << 20) && garbage * 2 >= m_pool.size();
}

void ListPane::compactPoolIfMostlyGarbage()
{
    if (!mostlyGarbage(m_poolGarbage))
        return;
    MappedVector<char> pool;
    pool.reserve(m_pool.size() - m_poolGarbage);
    for (Segment& segment : m_rows.segments) {
        const std::uint64_t base = pool.size();
        pool.append(m_pool.data() + segment.base, segment.bytes);
        segment.base = base;
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
        return bitAt(m_rows.ticks, row) ? Qt::Checked : Qt::Unchecked;
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
