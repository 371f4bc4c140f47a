#include "panes/RowStore.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// An empty text still points somewhere, for memcpy's sake.
constexpr char kNothing[] = "";

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

void RowStore::Rows::swap(Rows& other) noexcept
{
    lengths.swap(other.lengths);
    segments.swap(other.segments);
    ticks.swap(other.ticks);
}

RowStore::RowStore()
{
    m_prefixEnds.push_back(0);
}

// Mostly the segment after the one last found.
std::size_t RowStore::findSegment(std::size_t index) const
{
    const MappedVector<Segment>& segments = m_rows.segments;
    const std::size_t next = m_lastSegment + 1;
    if (next < segments.size() && std::size_t(segments[next].first) <= index && index < segmentEnd(next))
        return m_lastSegment = next;
    const auto after =
        std::upper_bound(segments.begin(), segments.end(), index,
                         [](std::size_t i, const Segment& segment) { return i < std::size_t(segment.first); });
    return m_lastSegment = std::size_t(after - segments.begin()) - 1;
}

std::uint64_t RowStore::utf8Bytes() const
{
    std::uint64_t bytes = 0;
    for (std::size_t segment = 0; segment < m_rows.segments.size(); ++segment) {
        const Segment& in = m_rows.segments[segment];
        const std::size_t rows = segmentEnd(segment) - std::size_t(in.first);
        bytes += in.bytes + rows * prefixText(in.prefix).size();
    }
    return bytes;
}

std::string_view RowStore::prefixText(std::int32_t prefix) const
{
    if (prefix == 0)
        return std::string_view(kNothing, 0);
    const std::uint64_t start = m_prefixEnds[std::size_t(prefix) - 1];
    return std::string_view(m_prefixBytes.data() + start, m_prefixEnds[std::size_t(prefix)] - start);
}

std::uint32_t RowStore::startOf(std::size_t index, std::size_t first) const
{
    std::uint32_t start = 0;
    for (std::size_t i = first; i < index; ++i)
        start += m_rows.lengths[i];
    return start;
}

RowStore::Utf8Text RowStore::utf8At(std::size_t index) const
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

void RowStore::setChecked(int position, bool on)
{
    setBit(m_rows.ticks, indexOf(position), on);
}

// A word at a time; the bits past the last row stay clear for the rows appended later.
void RowStore::setAllChecked(bool on)
{
    std::fill(m_rows.ticks.begin(), m_rows.ticks.end(), on ? ~std::uint64_t(0) : 0);
    const std::size_t tail = std::size_t(count()) % 64;
    if (on && tail != 0)
        m_rows.ticks[m_rows.ticks.size() - 1] = (std::uint64_t(1) << tail) - 1;
}

int RowStore::addPrefix(std::string_view prefix)
{
    if (prefix.empty())
        return 0;
    const std::size_t last = m_prefixEnds.size() - 1;
    if (last > 0 && prefixText(std::int32_t(last)) == prefix)
        return int(last);
    if (last >= std::size_t(INT32_MAX))
        fail("Out of memory");
    m_prefixBytes.append(prefix.data(), prefix.size());
    m_prefixEnds.push_back(m_prefixBytes.size());
    return int(last + 1);
}

void RowStore::appendInFolder(int prefix, std::string_view name)
{
    if (name.size() > UINT32_MAX || count() == INT_MAX)
        fail("Out of memory");
    const std::size_t index = m_rows.lengths.size();
    const auto length = std::uint32_t(name.size());
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
    m_pool.append(name.data(), name.size());
    if (index % 64 == 0)
        m_rows.ticks.push_back(0);
}

void RowStore::remove(int position)
{
    indexOf(position);
    const Positions gone{position};
    eraseInPlace(gone.begin(), gone.end());
    ++m_removals;
    compactPoolIfMostlyGarbage();
}

void RowStore::removePositions(const Positions& ascending)
{
    if (ascending.empty())
        return;
    startRemoval(ascending);
    eraseInPlace(ascending.begin(), ascending.end());
    compactPoolIfMostlyGarbage();
}

void RowStore::startRemoval(const Positions& ascending)
{
    // Positions that ascend are within the store when the first and the last are. Of positions that do not,
    // the failure is the one met first in order: a position outside the store up to the first that does not
    // ascend, else that one.
    const auto unordered = std::adjacent_find(ascending.begin(), ascending.end(), std::greater_equal<int>());
    indexOf(ascending.front());
    if (unordered == ascending.end()) {
        indexOf(ascending.back());
    } else {
        indexOf(*unordered);
        indexOf(*(unordered + 1));
        fail("Invalid procedure call or argument");
    }
    ++m_removals;
}

// The one row copy of both removals. Walks the rows of segment `s`: calls `visit` with each one's index, skips
// those at the positions from `gone` on (moving `gone` past them), and hands each row that stays to `keep` with
// its name, length and length byte, its check mark copied to row `write` of `to`. Answers the bytes kept.
template <class Visit, class Keep>
std::uint32_t RowStore::keepRowsOf(std::size_t s, PositionIt& gone, PositionIt goneEnd, Rows& to, std::size_t& write,
                                   Visit&& visit, Keep&& keep) const
{
    const Segment segment = m_rows.segments[s];
    const std::size_t end = segmentEnd(s);
    std::uint32_t packed = 0;
    for (std::size_t i = std::size_t(segment.first), start = 0; i < end; ++i) {
        visit(i);
        const std::uint8_t lengthByte = m_rows.lengths[i];
        const std::uint32_t length = lengthOf(i, segment);
        const char* name = m_pool.data() + segment.base + start;
        start += length;
        if (gone != goneEnd && std::size_t(*gone - 1) == i) {
            ++gone;
            continue;
        }
        keep(name, length, lengthByte, packed);
        copyBits(to.ticks.data(), write, m_rows.ticks.data(), i, 1);
        packed += length;
        ++write;
    }
    return packed;
}

// In place: a segment that loses rows packs its kept names down where they are; the rows after it move their
// lengths and ticks down, their names stay.
void RowStore::eraseInPlace(PositionIt gone, PositionIt goneEnd)
{
    if (gone == goneEnd)
        return;
    Rows& rows = m_rows;
    const std::size_t segments = rows.segments.size();
    const std::size_t firstSegment = segmentOf(std::size_t(*gone - 1));
    std::size_t write = std::size_t(rows.segments[firstSegment].first);
    std::size_t writeSegment = firstSegment;
    std::uint64_t unheld = 0;
    auto moveDown = [&](std::size_t first, std::size_t count) {
        if (write == first)
            return;
        std::memmove(rows.lengths.data() + write, rows.lengths.data() + first, count);
        copyBits(rows.ticks.data(), write, rows.ticks.data(), first, count);
    };
    for (std::size_t s = firstSegment; s < segments; ++s) {
        const std::size_t first = std::size_t(rows.segments[s].first);
        if (gone == goneEnd) {
            // The rest loses no rows.
            const std::size_t rest = rows.lengths.size() - first;
            if (write == first) {
                write += rest;
                writeSegment = segments;
                break;
            }
            moveDown(first, rest);
            for (; s < segments; ++s) {
                Segment kept = rows.segments[s];
                kept.first -= std::int32_t(first - write);
                rows.segments[writeSegment++] = kept;
            }
            write += rest;
            break;
        }
        const Segment segment = rows.segments[s];
        const std::size_t end = segmentEnd(s);
        Segment kept = segment;
        kept.first = std::int32_t(write);
        if (std::size_t(*gone - 1) >= end) {
            moveDown(first, end - first);
            rows.segments[writeSegment++] = kept;
            write += end - first;
            continue;
        }
        const std::size_t keptFrom = write;
        const std::uint32_t packed = keepRowsOf(
            s, gone, goneEnd, rows, write, [](std::size_t) {},
            [&](const char* name, std::uint32_t length, std::uint8_t lengthByte, std::uint32_t at) {
                if (length > 0)
                    std::memmove(m_pool.data() + kept.base + at, name, length);
                rows.lengths[write] = lengthByte;
            });
        unheld += segment.bytes - packed;
        if (write == keptFrom)
            continue; // every row of it went
        kept.bytes = packed;
        rows.segments[writeSegment++] = kept;
    }
    rows.lengths.truncate(write);
    rows.segments.truncate(writeSegment);
    truncateBits(rows.ticks, write);
    m_poolGarbage += unheld;
    m_nextRow = SIZE_MAX;
}

// Beside: the segments that lose rows are written anew; when their old room makes most of the pool garbage,
// every name moves to a new pool instead. Until then the new names are appended to the pool, past every name
// the old rows hold.
RowStore::Rebuilt RowStore::rowsWithout(const Positions& ascending, const std::function<void()>& keepPainting)
{
    constexpr std::size_t kRowsBetweenPaints = 1 << 12; // the painting itself is held to its own pace
    std::size_t painted = 0;
    auto paintNow = [&](std::size_t row) {
        if (keepPainting && row >= painted + kRowsBetweenPaints) {
            painted = row;
            keepPainting();
        }
    };
    std::uint64_t rewritten = 0;
    for (std::size_t s = m_rows.segments.size(); auto position : ascending) {
        paintNow(std::size_t(position - 1));
        const std::size_t segment = segmentOf(std::size_t(position - 1));
        if (segment != s)
            rewritten += m_rows.segments[segment].bytes;
        s = segment;
    }
    Rebuilt kept;
    kept.newPool = mostlyGarbage(m_poolGarbage + rewritten);
    const std::size_t keptRows = m_rows.lengths.size() - ascending.size();
    Rows& to = kept.rows;
    to.lengths.reserve(keptRows);
    to.ticks.growZeroed((keptRows + 63) / 64);
    if (kept.newPool)
        kept.pool.reserve(m_pool.size() - m_poolGarbage - rewritten);
    MappedVector<char>& pool = kept.newPool ? kept.pool : m_pool;
    painted = 0;

    PositionIt gone = ascending.begin();
    const PositionIt goneEnd = ascending.end();
    std::size_t write = 0;
    const std::size_t segments = m_rows.segments.size();
    auto copyWhole = [&](std::size_t first, std::size_t count) {
        to.lengths.append(m_rows.lengths.data() + first, count);
        copyBits(to.ticks.data(), write, m_rows.ticks.data(), first, count);
    };
    for (std::size_t s = 0; s < segments; ++s) {
        const std::size_t first = std::size_t(m_rows.segments[s].first);
        if (gone == goneEnd && !kept.newPool) {
            // The rest loses no rows: its lengths and ticks are copied at once, its names stay.
            const std::size_t rest = m_rows.lengths.size() - first;
            copyWhole(first, rest);
            for (; s < segments; ++s) {
                Segment whole = m_rows.segments[s];
                whole.first -= std::int32_t(first - write);
                to.segments.push_back(whole);
            }
            write += rest;
            break;
        }
        const Segment segment = m_rows.segments[s];
        const std::size_t end = segmentEnd(s);
        Segment same = segment;
        same.first = std::int32_t(write);
        if (!kept.newPool && std::size_t(*gone - 1) >= end) {
            copyWhole(first, end - first);
            to.segments.push_back(same);
            write += end - first;
            paintNow(first);
            continue;
        }
        same.base = pool.size();
        const std::size_t keptFrom = write;
        const std::uint32_t packed =
            keepRowsOf(s, gone, goneEnd, to, write, paintNow,
                       [&](const char* name, std::uint32_t length, std::uint8_t lengthByte, std::uint32_t) {
                           pool.append(name, length);
                           to.lengths.push_back(lengthByte);
                       });
        kept.unheld += kept.newPool ? 0 : segment.bytes;
        if (write == keptFrom)
            continue; // every row of it went
        same.bytes = packed;
        to.segments.push_back(same);
    }
    return kept;
}

void RowStore::replaceWith(Rebuilt&& kept)
{
    m_rows.swap(kept.rows);
    m_nextRow = SIZE_MAX; // the old rows may have been read while the new ones were built
    if (kept.newPool) {
        m_pool.swap(kept.pool);
        m_poolGarbage = 0;
    } else {
        m_poolGarbage += kept.unheld;
    }
}

void RowStore::clear()
{
    ++m_removals;
    m_rows.lengths.clear();
    m_rows.segments.clear();
    m_rows.ticks.clear();
    m_nextRow = SIZE_MAX;
    m_pool.clear();
    m_poolGarbage = 0;
    m_prefixBytes.clear();
    m_prefixEnds.clear();
    m_prefixEnds.push_back(0);
}

// With the room of removed rows over a megabyte and most of the pool, the names that stay move into a pool
// of their own.
bool RowStore::mostlyGarbage(std::uint64_t garbage) const
{
    return garbage >= (1u << 20) && garbage * 2 >= m_pool.size();
}

void RowStore::compactPoolIfMostlyGarbage()
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
