#pragma once

#include "base/Failure.h"
#include "base/MappedVector.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

// One list pane (FolderList or ResultList) as a model over compact storage.
//
// Rows are numbered from 1, as the commands count them. A row is a folder prefix, kept once for all rows
// that share it, and a name, kept as UTF-8 bytes in one pool. Rows under one prefix form segments whose names
// lie packed in row order, so a row takes a byte beside its name and a bit for its check mark. Appended rows
// are counted at once but announced to the views in one batch when the event loop next runs, so a command may
// append a million rows without one signal per row.
class ListPane : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ListPane(bool checkBoxes, QObject* parent = nullptr);

    // Column headers.
    void addColumn(const QString& header);
    int columnHeaderCount() const { return int(m_headers.size()); }

    // Rows, by 1-based position. Reading or removing a position that holds no row throws a Failure.
    int count() const { return int(m_rows.lengths.size()); }
    QString text(int position) const;
    // The row's text as the pane keeps it: a folder prefix and a name, both UTF-8. Valid until the pane
    // next changes.
    struct Utf8Text
    {
        std::string_view prefix;
        std::string_view name;
    };
    Utf8Text utf8(int position) const;
    // The bytes of every row's prefix and name together, counted by segment rather than by row.
    std::uint64_t utf8Bytes() const;
    bool checked(int position) const;
    void setChecked(int position, bool checked);
    void append(const QString& text);
    void remove(int position);
    void clear();

    // Appending many rows under one folder: the prefix is stored once, each name as its bytes.
    int addPrefix(std::string_view utf8Prefix);
    void appendInFolder(int prefix, std::string_view utf8Name);

    // Removes the rows at the given positions (ascending, each once): the same result as removing them one
    // by one from the highest position down, in one pass over the storage. A scattered removal of many rows
    // builds the rows that stay beside the pane and calls `keepPainting` now and then meanwhile: the pane
    // stays as it was until the new rows take its place at once.
    void removePositions(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting = {});
    // Counts every removal and clearing. Appends leave it alone, as they keep every position valid: a command
    // that holds positions across a yield compares it to know whether they still name the same rows.
    std::uint64_t removals() const { return m_removals; }

    // The selected row (0 when none). The views share this selection model.
    int selectedIndex() const;
    QItemSelectionModel* selectionModel() { return &m_selection; }

    // Tells the views about the rows appended since the last announcement.
    void announce();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
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

    std::size_t toIndex(int position) const; // throws unless 1 <= position <= count()
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
    Utf8Text textOf(std::size_t index) const;
    std::string_view prefixText(std::int32_t prefix) const; // prefix 0 is the empty text
    QString textAt(std::size_t index) const;
    void scheduleAnnouncement();
    using PositionIt = std::vector<int>::const_iterator;
    void eraseRows(PositionIt first, PositionIt last);
    void replaceWithout(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting);
    std::uint64_t copyRowsWithout(PositionIt gone, PositionIt goneEnd, Rows& to, MappedVector<char>& pool,
                                  const std::function<void(std::size_t)>& between);
    void compactPoolIfMostlyGarbage();
    bool mostlyGarbage(std::uint64_t garbage) const;

    bool m_checkBoxes;
    QStringList m_headers;
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
    int m_announced = 0;                      // rows the views know of: always the first m_announced rows
    bool m_announcementPending = false;
    QItemSelectionModel m_selection;
};

// Positions a command read from a pane before a yield name the same rows after it unless the pane lost rows
// meanwhile: a removal or a clearing, which `removals()` counts (appends keep every position). Made where the
// command starts to hold positions; from then on `check()` throws a Failure with the command's own report
// once rows were lost. Takes a ListPane or anything else that counts its removals alike.
template <class Pane> class RowLossCheck
{
public:
    RowLossCheck(const Pane& pane, QString report)
        : m_pane(pane), m_removalsBefore(pane.removals()), m_report(std::move(report))
    {}
    void check() const
    {
        if (m_pane.removals() != m_removalsBefore)
            throw Failure(m_report);
    }

private:
    const Pane& m_pane;
    std::uint64_t m_removalsBefore;
    QString m_report;
};
