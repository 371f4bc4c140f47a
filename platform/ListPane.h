#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QItemSelectionModel>
#include <QStringList>

#include <cstdint>
#include <string_view>
#include <vector>

// One list pane (FolderList or ResultList) as a model over compact storage.
//
// Rows are numbered from 1, as the commands count them. A row is a folder prefix, kept once for all rows
// that share it, and a name, kept as UTF-8 bytes in one pool; a results pane's check mark sits in the row
// itself. Appended rows are counted at once but announced to the views in one batch when the event loop
// next runs, so a command may append a million rows without one signal per row.
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

    // Appending many rows under one folder: the prefix is stored once, each name as its bytes.
    int addPrefix(std::string_view utf8Prefix);
    void appendInFolder(int prefix, std::string_view utf8Name);

    // Removes the rows at the given positions (ascending, each once): the same result as removing them one
    // by one from the highest position down, in one pass over the storage.
    void removePositions(const std::vector<int>& ascendingPositions);
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
        std::uint64_t offset; // of the name in m_pool
        std::uint32_t length;
        std::uint32_t prefix : 31;
        std::uint32_t checked : 1;
    };

    std::size_t toIndex(int position) const; // throws unless 1 <= position <= count()
    QString textAt(std::size_t index) const;
    void scheduleAnnouncement();
    void eraseRows(std::vector<int>::const_iterator first, std::vector<int>::const_iterator last);
    void compactPoolIfMostlyGarbage();

    bool m_checkBoxes;
    QStringList m_headers;
    std::vector<Row> m_rows;
    std::vector<char> m_pool;
    std::size_t m_poolGarbage = 0;
    std::uint64_t m_removals = 0;
    std::vector<QByteArray> m_prefixes; // index 0 is the empty prefix
    int m_announced = 0;                // rows the views know of: always the first m_announced rows
    bool m_announcementPending = false;
    QItemSelectionModel m_selection;
};
