#include "panes/PaneModel.h"

#include <QByteArray>
#include <QMetaObject>
#include <algorithm>

PaneModel::PaneModel(bool checkBoxes, QObject* parent)
    : QAbstractTableModel(parent), m_checkBoxes(checkBoxes), m_selection(this)
{}

void PaneModel::addColumn(const QString& header)
{
    const int column = int(m_headers.size());
    beginInsertColumns({}, column, column);
    m_headers.append(header);
    endInsertColumns();
}

QString PaneModel::textAt(std::size_t index) const
{
    const auto [prefix, name] = m_rows.utf8At(index);
    if (prefix.empty())
        return QString::fromUtf8(name.data(), qsizetype(name.size()));
    QByteArray whole;
    whole.reserve(qsizetype(prefix.size() + name.size()));
    whole.append(prefix.data(), qsizetype(prefix.size())).append(name.data(), qsizetype(name.size()));
    return QString::fromUtf8(whole);
}

QString PaneModel::text(int position) const
{
    return textAt(m_rows.indexOf(position));
}

void PaneModel::setChecked(int position, bool checked)
{
    m_rows.setChecked(position, checked);
    if (position - 1 < m_announced) {
        const QModelIndex cell = this->index(position - 1, 0);
        Q_EMIT dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

void PaneModel::setAllChecked(bool checked)
{
    m_rows.setAllChecked(checked);
    if (m_announced > 0)
        Q_EMIT dataChanged(index(0, 0), index(m_announced - 1, 0), {Qt::CheckStateRole});
}

void PaneModel::append(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    appendInFolder(0, std::string_view(utf8.constData(), std::size_t(utf8.size())));
}

void PaneModel::scheduleAnnouncement()
{
    if (m_announcementPending)
        return;
    m_announcementPending = true;
    QMetaObject::invokeMethod(this, &PaneModel::announce, Qt::QueuedConnection);
}

void PaneModel::announce()
{
    m_announcementPending = false;
    if (m_announced >= count())
        return;
    beginInsertRows({}, m_announced, count() - 1);
    m_announced = count();
    endInsertRows();
}

void PaneModel::remove(int position)
{
    const int row = int(m_rows.indexOf(position));
    const bool shown = row < m_announced;
    if (shown)
        beginRemoveRows({}, row, row);
    m_rows.remove(position);
    if (shown) {
        --m_announced;
        endRemoveRows();
    }
}

void PaneModel::removePositions(const std::vector<int>& ascendingPositions, const std::function<void()>& keepPainting)
{
    if (ascendingPositions.empty())
        return;
    m_rows.startRemoval(ascendingPositions);
    using PositionIt = RowStore::PositionIt;
    const auto firstUnannounced = std::upper_bound(ascendingPositions.begin(), ascendingPositions.end(), m_announced);
    // A few runs of adjacent announced rows are told to the views one by one, the highest first; a scattered
    // removal resets them, and is known as such from its first runs.
    constexpr std::size_t kMostRangesToTell = 64;
    std::vector<std::pair<PositionIt, PositionIt>> ranges;
    for (auto position = ascendingPositions.begin(); position != firstUnannounced; ++position) {
        if (!ranges.empty() && *(ranges.back().second - 1) == *position - 1) {
            ranges.back().second = position + 1;
        } else if (ranges.size() == kMostRangesToTell) {
            RowStore::Rebuilt kept = m_rows.rowsWithout(ascendingPositions, keepPainting);
            // The views may have been told of more rows meanwhile: the announced ones gone are counted now.
            const auto gone = std::upper_bound(ascendingPositions.begin(), ascendingPositions.end(), m_announced);
            beginResetModel();
            m_rows.replaceWith(std::move(kept));
            m_announced -= int(gone - ascendingPositions.begin());
            endResetModel();
            return;
        } else {
            ranges.emplace_back(position, position + 1);
        }
    }
    // Rows the views have not been told of yet go silently.
    m_rows.eraseInPlace(firstUnannounced, ascendingPositions.end());
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
        const int first = *range->first - 1;
        const int last = *(range->second - 1) - 1;
        beginRemoveRows({}, first, last);
        m_rows.eraseInPlace(range->first, range->second);
        m_announced -= last - first + 1;
        endRemoveRows();
    }
    m_rows.compactPoolIfMostlyGarbage();
}

void PaneModel::reorderRows(const RowStore::Order& order, const std::function<void()>& keepPainting)
{
    RowStore::Rebuilt sorted = m_rows.rowsInOrder(order, keepPainting);
    const int selected = selectedIndex();
    beginResetModel();
    m_rows.replaceReordered(std::move(sorted));
    m_announced = count(); // the reset tells the views of every row
    endResetModel();
    if (selected == 0)
        return;
    const auto now = std::find(order.begin(), order.end(), std::uint32_t(selected - 1));
    m_selection.setCurrentIndex(index(int(now - order.begin()), 0),
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PaneModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_announced = 0;
    endResetModel();
}

int PaneModel::selectedIndex() const
{
    const QModelIndexList rows = m_selection.selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

int PaneModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_announced;
}

int PaneModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columnHeaderCount();
}

QVariant PaneModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (index.column() != 0) // further columns have no sub-items
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    const std::size_t row = std::size_t(index.row());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return textAt(row);
    if (role == Qt::CheckStateRole && m_checkBoxes)
        return m_rows.checkedAt(row) ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool PaneModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !m_checkBoxes || index.column() != 0 ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    setChecked(index.row() + 1, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags PaneModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_checkBoxes && index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant PaneModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnHeaderCount())
        return m_headers[section];
    return {};
}
