#pragma once

#include "base/MappedVector.h"

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// The rows of one list pane (FolderList or ResultList) in compact storage, apart from any view.
//
// Rows are numbered from 1, as the commands count them. A row is a folder prefix, kept once for all rows
// that share it, and a name, kept as UTF-8 bytes in one pool. Rows under one prefix form segments whose names
// lie packed in row order, so a row takes a byte beside its name and a bit for its check mark. Reading or
// removing a position that holds no row throws a Failure.
class RowStore
{
    // A run of rows under one prefix whose names lie packed, in row order, from `base` in the pool. A row
    // keeps the length of its name in a byte, so its name starts where the lengths of the rows before it in
    // the segment add up to. A name of kLongName bytes or more has a segment to itself and takes all of its
    // bytes. A segment holds at most kSegmentRows rows, which keeps that sum short.
    struct Segment
    {
        std::uint64_t base;
        std::uint32_t bytes;
        std::int32_t prefix; // 0 for none
        std::int32_t first;  // the index of its first row
    };
    static constexpr std::uint8_t kLongName = UINT8_MAX;
    static constexpr std::size_t kSegmentRows = 128;
    struct Rows
    {
        MappedVector<std::uint8_t> lengths;
        MappedVector<Segment> segments;
        MappedVector<std::uint64_t> ticks; // a bit a row
        void swap(Rows& other) noexcept;
    };

public:
    RowStore();

    // The row's text as the store keeps it: a folder prefix and a name, both UTF-8. Valid until the store
    // next changes.
    struct Utf8Text
    {
        std::string_view prefix;
        std::string_view name;
    };
    using Positions = std::vector<int>;
    using PositionIt = Positions::const_iterator;

    int count() const { return int(m_rows.lengths.size()); }
    std::size_t indexOf(int position) const // fails unless 1 <= position <= count()
    {
        if (position < 1 || position > count())
            fail("Index out of bounds");
        return std::size_t(position - 1);
    }
    Utf8Text utf8(int position) const { return utf8At(indexOf(position)); }
    Utf8Text utf8At(std::size_t index) const;
    // The bytes of every row's prefix and name together, counted by segment rather than by row.
    std::uint64_t utf8Bytes() const;
    // The bytes the rows take in the store, prefixes included.
    std::uint64_t storageBytes() const
    {
        return m_rows.lengths.size() + m_rows.segments.size() * sizeof(Segment) + m_rows.ticks.size() * 8 +
               m_pool.size() + m_prefixBytes.size() + m_prefixEnds.size() * 8;
    }
    bool checked(int position) const { return checkedAt(indexOf(position)); }
    bool checkedAt(std::size_t index) const { return (m_rows.ticks[index / 64] >> (index % 64)) & 1; }
    void setChecked(int position, bool on);
    void setAllChecked(bool on);

    // Appending many rows under one folder: the prefix is stored once, each name as its bytes.
    int addPrefix(std::string_view prefix);
    void appendInFolder(int prefix, std::string_view name);
    void append(std::string_view name) { appendInFolder(0, name); }

    // Counts every removal and clearing. Appends leave it alone, as they keep every position valid: a command
    // that holds positions across a yield compares it to know whether they still name the same rows.
    std::uint64_t removals() const { return m_removals; }
    void remove(int position);
    void clear();
    // Removes the rows at the given positions (ascending, each once): the same result as removing them one
    // by one from the highest position down, in one pass over the storage.
    void removePositions(const Positions& ascending);

    // A removal in parts, for a model that tells its views of each part. `startRemoval` checks the positions
    // (failing as removing them one by one would) and counts the removal; then either `eraseInPlace` takes
    // runs of them out where they are, or `rowsWithout` builds the rows that stay beside these, which stay
    // readable meanwhile, and `replaceWith` puts them in their place at once.
    void startRemoval(const Positions& ascending);
    void eraseInPlace(PositionIt first, PositionIt last);
    struct Rebuilt
    {
        Rows rows;
        MappedVector<char> pool;
        bool newPool = false;
        std::uint64_t unheld = 0; // bytes of the old pool that no kept segment holds
    };
    // Calls `keepPainting` every few thousand rows.
    Rebuilt rowsWithout(const Positions& ascending, const std::function<void()>& keepPainting);
    void replaceWith(Rebuilt&& kept);
    void compactPoolIfMostlyGarbage();

    // Puts the rows in a new order: row i (from 0) becomes the row now at index order[i], its check mark with
    // it. `order` holds every index once; anything else fails before a row moves. Counts as a removal, since
    // positions read before it name other rows after it. In parts, as the removal has them: `rowsInOrder` builds
    // the rows beside these, which stay readable meanwhile, calling `keepPainting` every few thousand rows, and
    // `replaceReordered` puts them in their place at once.
    using Order = MappedVector<std::uint32_t>; // its pages go back to the system when it goes
    void reorderRows(const Order& order, const std::function<void()>& keepPainting = {})
    {
        replaceReordered(rowsInOrder(order, keepPainting));
    }
    Rebuilt rowsInOrder(const Order& order, const std::function<void()>& keepPainting) const;
    void replaceReordered(Rebuilt&& rows);

private:
    [[noreturn]] static void fail(const char* words); // throws a Failure, whose type this file does not know

    std::size_t segmentEnd(std::size_t segment) const // the index after its last row
    {
        return segment + 1 < m_rows.segments.size() ? std::size_t(m_rows.segments[segment + 1].first)
                                                    : m_rows.lengths.size();
    }
    // Rows are mostly read in order, so the segment last found usually holds the row.
    std::size_t segmentOf(std::size_t index) const
    {
        const std::size_t last = m_lastSegment;
        if (last < m_rows.segments.size() && std::size_t(m_rows.segments[last].first) <= index &&
            index < segmentEnd(last))
            return last;
        return findSegment(index);
    }
    std::size_t findSegment(std::size_t index) const;
    std::uint32_t lengthOf(std::size_t index, const Segment& in) const
    {
        return m_rows.lengths[index] == kLongName ? in.bytes : m_rows.lengths[index];
    }
    std::uint32_t startOf(std::size_t index, std::size_t first) const; // the lengths before it in its segment
    std::string_view prefixText(std::int32_t prefix) const;            // prefix 0 is the empty text
    template <class Visit, class Keep>
    std::uint32_t keepRowsOf(std::size_t segment, PositionIt& gone, PositionIt goneEnd, Rows& to, std::size_t& write,
                             Visit&& visit, Keep&& keep) const;
    bool mostlyGarbage(std::uint64_t garbage) const;

    Rows m_rows;
    MappedVector<char> m_pool;
    std::uint64_t m_poolGarbage = 0; // bytes of the pool no segment holds
    mutable std::size_t m_lastSegment = 0;
    // The row after the one last read, and where in its segment that one ended: rows read in order find
    // their start there. Any removal forgets it.
    mutable std::size_t m_nextRow = SIZE_MAX;
    mutable std::uint32_t m_nextStart = 0;
    std::uint64_t m_removals = 0;
    MappedVector<char> m_prefixBytes;
    MappedVector<std::uint64_t> m_prefixEnds; // prefix i (from 1) ends at [i] and starts at [i - 1]
};
