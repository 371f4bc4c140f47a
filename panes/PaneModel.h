#pragma once

#include "panes/RowStore.h"

#include <QAbstractTableModel>
#include <QItemSelectionModel>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

// One list pane (FolderList or ResultList) as the views and the commands see it: a Qt model over its RowStore.
// The commands work on the model, not the store: it has the selection and the columns they read, and every
// change they make reaches the views in the same call. Qt Core only, so commands and their tests need no widget.
//
// Appended rows are counted at once but announced to the views in one batch when the event loop next runs, so
// a command may append a million rows without one signal per row. The calls made once a row are inline, so
// that a row costs one call into the store.
class PaneModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit PaneModel(bool checkBoxes, QObject* parent = nullptr);

    // Column headers.
    void addColumn(const QString& header);
    int columnHeaderCount() const { return int(m_headers.size()); }

    // Rows, by 1-based position. Reading or removing a position that holds no row throws a Failure.
    int count() const { return m_rows.count(); }
    QString text(int position) const;
    RowStore::Utf8Text utf8(int position) const { return m_rows.utf8(position); }
    std::uint64_t utf8Bytes() const { return m_rows.utf8Bytes(); }
    bool checked(int position) const { return m_rows.checked(position); }
    void setChecked(int position, bool checked);
    // Ticks or unticks every row at once.
    void setAllChecked(bool checked);
    void append(const QString& text);
    void remove(int position);
    void clear();

    // Appending many rows under one folder: the prefix is stored once, each name as its bytes.
    int addPrefix(std::string_view utf8Prefix) { return m_rows.addPrefix(utf8Prefix); }
    void appendInFolder(int prefix, std::string_view utf8Name)
    {
        m_rows.appendInFolder(prefix, utf8Name);
        if (!m_announcementPending)
            scheduleAnnouncement();
    }

    // Removes the rows at the given positions (ascending, each once): the same result as removing them one
    // by one from the highest position down, in one pass over the storage. A scattered removal of many rows
    // builds the rows that stay beside the pane and calls `keepPainting` now and then meanwhile: the pane
    // stays as it was until the new rows take its place at once.
    void removePositions(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting = {});
    // Puts the rows in a new order (see RowStore::reorderRows): built beside the pane, calling `keepPainting` now
    // and then, then swapped in at once and told to the views as a reset. The selected row stays selected.
    void reorderRows(const RowStore::Order& order, const std::function<void()>& keepPainting = {});
    // Counts every removal, clearing and reordering (see RowStore::removals).
    std::uint64_t removals() const { return m_rows.removals(); }

    // The selected row (0 when none). The views share this selection model.
    int selectedIndex() const;
    QItemSelectionModel* selectionModel() { return &m_selection; }

    // Tells the views about the rows appended since the last announcement.
    void announce();

    const RowStore& rows() const { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString textAt(std::size_t index) const;
    void scheduleAnnouncement();

    bool m_checkBoxes;
    QStringList m_headers;
    RowStore m_rows;
    int m_announced = 0; // rows the views know of: always the first m_announced rows
    bool m_announcementPending = false;
    QItemSelectionModel m_selection;
};
