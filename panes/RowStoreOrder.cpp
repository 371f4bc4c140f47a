// The row store put in a new order: a new pool, lengths, segments and ticks written in that order beside the
// old ones, which the caller swaps in at once.
#include "panes/RowStore.h"

RowStore::Rebuilt RowStore::rowsInOrder(const Order& order, const std::function<void()>& keepPainting) const
{
    const std::size_t rows = m_rows.lengths.size();
    if (order.size() != rows)
        fail("Invalid procedure call or argument");
    {
        // A bit a row: an index met twice would leave another row out.
        std::vector<bool> seen(rows);
        for (const std::uint32_t index : order) {
            if (index >= rows || seen[index])
                fail("Invalid procedure call or argument");
            seen[index] = true;
        }
    }
    Rebuilt sorted;
    sorted.newPool = true;
    Rows& to = sorted.rows;
    to.lengths.reserve(rows);
    to.ticks.growZeroed((rows + 63) / 64);
    sorted.pool.reserve(m_pool.size() - m_poolGarbage);
    MappedVector<char>& pool = sorted.pool;
    constexpr std::size_t kRowsBetweenPaints = 1 << 12; // the painting itself is held to its own pace
    for (std::size_t i = 0; i < rows; ++i) {
        if (keepPainting && i % kRowsBetweenPaints == kRowsBetweenPaints - 1)
            keepPainting();
        const std::size_t from = order[i];
        const Segment& in = m_rows.segments[segmentOf(from)];
        const std::uint32_t length = lengthOf(from, in);
        const std::uint8_t lengthByte = m_rows.lengths[from];
        const char* name = m_pool.data() + in.base + startOf(from, std::size_t(in.first));
        // As appendInFolder packs them: a segment runs on while the prefix stays and no name is long.
        Segment* last = to.segments.empty() ? nullptr : &to.segments[to.segments.size() - 1];
        if (lengthByte != kLongName && last && last->prefix == in.prefix &&
            i - std::size_t(last->first) < kSegmentRows && to.lengths[i - 1] != kLongName) {
            last->bytes += length;
        } else {
            to.segments.push_back(Segment{pool.size(), length, in.prefix, std::int32_t(i)});
        }
        to.lengths.push_back(lengthByte);
        pool.append(name, length);
        if (checkedAt(from))
            to.ticks[i / 64] |= std::uint64_t(1) << (i % 64);
    }
    return sorted;
}

void RowStore::replaceReordered(Rebuilt&& rows)
{
    ++m_removals;
    replaceWith(std::move(rows));
    m_lastSegment = 0;
}
