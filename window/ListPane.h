#pragma once

#include "platform/MappedVector.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QItemSelectionModel>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// One list pane (FolderList or ResultList) as a model over compact storage.
//
// Rows are numbered from 1, as the commands count them. A row is a folder prefix, kept once for all rows
// that share it, and a name, kept as UTF-8 bytes in one pool behind its length; a results pane's check mark
// sits in the row itself, which takes 8 bytes. Appended rows are counted at once but announced to the views in one
// batch when the event loop next runs, so a command may append a million rows without one signal per row.
class ListPane : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ListPane(bool checkBoxes, QObject* parent = nullptr);

    // Column headers.
    void addColumn(const QString& header);
    int columnHeaderCount() const { return int(m_headers.size()); }

    // Rows, by 1-based position. Reading or removing a position that holds no row throws a Failure.
    int count() const { return int(m_rows.size()); }
    QString text(int position) const;
    // The row's text as the pane keeps it: a folder prefix and a name, both UTF-8. Valid until the pane
    // next changes.
    struct Utf8Text
    {
        std::string_view prefix;
        std::string_view name;
    };
    Utf8Text utf8(int position) const;
    bool checked(int position) const;
    void setChecked(int position, bool checked);
    void append(const QString& text);
    void remove(int position);
    void clear();

    // Appending many rows under one folder: the prefix is stored once, each name as its bytes. Once the
    // pane holds as many prefixes as a row can number, a further prefix is spelled out in each of its rows.
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
    struct Row
    {
        std::uint64_t offset : 38; // in m_pool, of the name's length (7 bits a byte, low first) and its bytes
        std::uint64_t prefix : 25;
        std::uint64_t checked : 1;
    };
    static_assert(sizeof(Row) == 8, "a million rows take 8 MB beside their names");
    static constexpr int kSpelledOutPrefix = -1;

    std::string_view nameOf(const Row& row) const;
    std::size_t storedSize(const Row& row) const; // of the length and the name in the pool
    std::size_t toIndex(int position) const;      // throws unless 1 <= position <= count()
    QString textAt(std::size_t index) const;
    void scheduleAnnouncement();
    void eraseRows(std::vector<int>::const_iterator first, std::vector<int>::const_iterator last);
    void replaceWithout(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting);
    void compactPoolIfMostlyGarbage();
    bool mostlyGarbage(std::size_t garbage) const;
    // Copies the names of `rows` into `pool` (room for `liveBytes`) and points the rows at them there.
    void packNames(MappedVector<Row>& rows, std::size_t liveBytes, MappedVector<char>& pool,
                   const std::function<void(std::size_t)>& between) const;

    bool m_checkBoxes;
    QStringList m_headers;
    MappedVector<Row> m_rows;
    MappedVector<char> m_pool;
    std::size_t m_poolGarbage = 0;
    std::uint64_t m_removals = 0;
    std::vector<QByteArray> m_prefixes; // index 0 is the empty prefix
    QByteArray m_spelledOutPrefix;      // the last prefix that found no room among them
    int m_announced = 0;                // rows the views know of: always the first m_announced rows
    bool m_announcementPending = false;
    QItemSelectionModel m_selection;
};
