#include "app/PaneTable.h"

#include "app/PaneCell.h"
#include "app/PaneView.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QPointer>

#include <memory>

namespace {

// The pane as a table. Its children are the column headers and then the cells row by row; each is made when
// first asked for and kept under its row and column until the rows change.
class PaneTable : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit PaneTable(PaneView* view) : QAccessibleWidget(view, QAccessible::Table), m_watch(new QObject)
    {
        // A tick or an untick is told as the cell's change of state, the new current row as the focus moving
        // to its cell. Both only for clients that listen.
        QObject::connect(view->model(), &QAbstractItemModel::dataChanged, m_watch.get(),
                         [this](const QModelIndex& first, const QModelIndex& last, const QList<int>& roles) {
                             if (QAccessible::isActive() && (roles.isEmpty() || roles.contains(Qt::CheckStateRole)))
                                 tellChecks(first.row(), last.row());
                         });
        QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, m_watch.get(),
                         [this](const QModelIndex& current) {
                             PaneView* pane = this->view();
                             if (!QAccessible::isActive() || !current.isValid() || !pane->hasFocus())
                                 return;
                             QAccessibleEvent event(pane, QAccessible::Focus);
                             event.setChild(childIndex(current.row(), current.column()));
                             QAccessible::updateAccessibility(&event);
                         });
    }

    ~PaneTable() override { forgetCells(); }

    PaneView* view() const { return static_cast<PaneView*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty() && view()->model()->columnCount() > 0)
            text = view()->model()->headerData(0, Qt::Horizontal).toString();
        return text;
    }

    int childCount() const override { return (rowCount() + 1) * columnCount(); }

    QAccessibleInterface* child(int index) const override
    {
        const int columns = columnCount();
        if (index < 0 || columns == 0 || index >= childCount())
            return nullptr;
        if (index < columns)
            return headerAt(index);
        return cellAt(index / columns - 1, index % columns);
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || child->parent() != this)
            return -1;
        auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
        if (!cell)
            return -1;
        return childIndex(cell->rowIndex(), cell->columnIndex());
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        PaneView* pane = view();
        const QPoint global(x, y);
        QHeaderView* header = pane->header();
        const QPoint inHeader = header->mapFromGlobal(global);
        if (header->rect().contains(inHeader)) {
            const int column = header->logicalIndexAt(inHeader.x());
            return column < 0 ? nullptr : headerAt(column);
        }
        const QModelIndex index = pane->indexAt(pane->viewport()->mapFromGlobal(global));
        return index.isValid() ? cellAt(index.row(), index.column()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        if (view()->hasFocus() && current.isValid())
            return cellAt(current.row(), current.column());
        return nullptr;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }

    QAccessibleInterface* cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        const qint64 key = qint64(row) * columnCount() + column;
        if (const auto found = m_cells.constFind(key); found != m_cells.constEnd())
            return QAccessible::accessibleInterface(*found);
        QAccessibleInterface* cell = newPaneCell(view(), view()->model()->index(row, column));
        m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }

    int selectedCellCount() const override { return int(view()->selectionModel()->selectedIndexes().size()); }

    QList<QAccessibleInterface*> selectedCells() const override
    {
        QList<QAccessibleInterface*> cells;
        for (const QModelIndex& index : view()->selectionModel()->selectedIndexes())
            cells.append(cellAt(index.row(), index.column()));
        return cells;
    }

    QString columnDescription(int column) const override
    {
        return view()->model()->headerData(column, Qt::Horizontal).toString();
    }
    QString rowDescription(int) const override { return QString(); }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override { return view()->model()->columnCount(); }
    int rowCount() const override { return view()->model()->rowCount(); }
    QList<int> selectedColumns() const override { return {}; }

    QList<int> selectedRows() const override
    {
        QList<int> rows;
        for (const QModelIndex& index : view()->selectionModel()->selectedRows())
            rows.append(index.row());
        return rows;
    }

    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return view()->selectionModel()->isRowSelected(row, {}); }

    bool selectRow(int row) override
    {
        if (row < 0 || row >= rowCount())
            return false;
        const QPersistentModelIndex index = view()->model()->index(row, 0);
        view()->startAction([view = QPointer<PaneView>(view()), index] {
            if (view && index.isValid())
                view->selectRow(index.row() + 1);
        });
        return true;
    }

    bool unselectRow(int row) override
    {
        if (row < 0 || row >= rowCount())
            return false;
        const QPersistentModelIndex index = view()->model()->index(row, 0);
        view()->startAction([view = QPointer<PaneView>(view()), index] {
            if (view && index.isValid())
                view->selectionModel()->select(QModelIndex(index),
                                               QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        });
        return true;
    }

    bool selectColumn(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    // Rows appended keep every cell where it is. Rows removed take their cells with them and move the
    // cells below; a reset or a change of columns forgets every cell.
    void modelChange(QAccessibleTableModelChangeEvent* event) override
    {
        switch (event->modelChangeType()) {
        case QAccessibleTableModelChangeEvent::DataChanged: return;
        case QAccessibleTableModelChangeEvent::RowsInserted:
            if (event->firstRow() >= rowCount() - (event->lastRow() - event->firstRow() + 1))
                return;
            rekeyCells();
            return;
        case QAccessibleTableModelChangeEvent::RowsRemoved: rekeyCells(); return;
        default: forgetCells(); return;
        }
    }

private:
    int childIndex(int row, int column) const { return (row + 1) * columnCount() + column; }

    QAccessibleInterface* headerAt(int column) const
    {
        if (const auto found = m_headers.constFind(column); found != m_headers.constEnd())
            return QAccessible::accessibleInterface(*found);
        QAccessibleInterface* header = newPaneHeaderCell(view(), column);
        m_headers.insert(column, QAccessible::registerAccessibleInterface(header));
        return header;
    }

    // Every kept cell under the row and column it now stands at; those whose row went are let go.
    void rekeyCells()
    {
        QHash<qint64, QAccessible::Id> cells;
        const int columns = columnCount();
        for (const QAccessible::Id id : std::as_const(m_cells)) {
            QAccessibleInterface* cell = QAccessible::accessibleInterface(id);
            if (!cell || !cell->isValid()) {
                if (cell)
                    QAccessible::deleteAccessibleInterface(id);
                continue;
            }
            QAccessibleTableCellInterface* place = cell->tableCellInterface();
            cells.insert(qint64(place->rowIndex()) * columns + place->columnIndex(), id);
        }
        m_cells.swap(cells);
    }

    void forgetCells()
    {
        for (const QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
        for (const QAccessible::Id id : std::as_const(m_headers))
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
        m_headers.clear();
    }

    void tellChecks(int first, int last)
    {
        const int columns = columnCount();
        for (int row = first; row <= last; ++row) {
            const auto found = m_cells.constFind(qint64(row) * columns);
            if (found == m_cells.constEnd())
                continue;
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(QAccessible::accessibleInterface(*found), changed);
            QAccessible::updateAccessibility(&event);
        }
    }

    mutable QHash<qint64, QAccessible::Id> m_cells;
    mutable QHash<int, QAccessible::Id> m_headers;
    std::unique_ptr<QObject> m_watch;
};

} // namespace

QAccessibleInterface* newPaneTable(PaneView* view)
{
    return new PaneTable(view);
}
