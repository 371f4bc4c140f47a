#include "app/PaneAccessibility.h"

#include "app/PaneView.h"
#include "panes/PaneModel.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QScrollBar>

#include <memory>

namespace {

QWindow* windowOf(const QWidget* widget)
{
    return widget && widget->window() ? widget->window()->windowHandle() : nullptr;
}

// What every cell of a pane shares: it belongs to the pane's table and has no children of its own.
class PaneLeaf : public QAccessibleInterface, public QAccessibleTableCellInterface
{
public:
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return windowOf(m_view); }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_view); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    explicit PaneLeaf(PaneView* view) : m_view(view) {}

    QPointer<PaneView> m_view;
};

// An entry of a pane: one row's cell in one column. It follows its row while rows above it come and go, and
// turns invalid when its own row goes.
class PaneCell : public PaneLeaf, public QAccessibleActionInterface
{
public:
    PaneCell(PaneView* view, const QModelIndex& index) : PaneLeaf(view), m_index(index) {}

    bool isValid() const override { return m_view && m_index.isValid(); }
    QAccessible::Role role() const override { return QAccessible::Cell; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return QString();
        return m_index.data(Qt::DisplayRole).toString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = m_view->visualRect(m_index);
        return QRect(m_view->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QRect shown = m_view->visualRect(m_index);
        if (!shown.intersects(m_view->viewport()->rect())) {
            state.invisible = true;
            state.offscreen = true;
        }
        state.selectable = true;
        state.selected = isSelected();
        state.focusable = true;
        state.focused = m_view->hasFocus() && m_view->currentIndex() == QModelIndex(m_index);
        if (checkable()) {
            state.checkable = true;
            state.checked = m_index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return isValid() && m_view->selectionModel()->isSelected(QModelIndex(m_index)); }
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_index.column(); }
    int rowIndex() const override { return m_index.row(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    // The check box's toggle, as a click on it; and focus, as a click on the row.
    QStringList actionNames() const override
    {
        QStringList names{setFocusAction()};
        if (checkable())
            names.prepend(toggleAction());
        return names;
    }

    // An assistive tool's action starts as a click's command does: where none may start, it waits its turn.
    void doAction(const QString& name) override
    {
        if (!isValid())
            return;
        const QPointer<PaneView> view = m_view;
        const QPersistentModelIndex index = m_index;
        if (name == toggleAction() && checkable()) {
            m_view->startAction([view, index] {
                if (!view || !index.isValid())
                    return;
                const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
                view->model()->setData(QModelIndex(index), checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
            });
        } else if (name == setFocusAction()) {
            m_view->startAction([view, index] {
                if (!view || !index.isValid())
                    return;
                view->setFocus(Qt::OtherFocusReason);
                view->selectRow(index.row() + 1);
            });
        }
    }

    QStringList keyBindingsForAction(const QString& name) const override
    {
        return name == toggleAction() && checkable() ? QStringList{QStringLiteral("Space")} : QStringList();
    }

private:
    bool checkable() const { return isValid() && (m_index.flags() & Qt::ItemIsUserCheckable); }

    QPersistentModelIndex m_index;
};

// The header of one column.
class PaneHeaderCell : public PaneLeaf
{
public:
    PaneHeaderCell(PaneView* view, int column) : PaneLeaf(view), m_column(column) {}

    bool isValid() const override { return m_view && m_column < m_view->model()->columnCount(); }
    QAccessible::Role role() const override { return QAccessible::ColumnHeader; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return QString();
        return m_view->model()->headerData(m_column, Qt::Horizontal).toString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        QHeaderView* header = m_view->header();
        const QPoint topLeft = header->mapToGlobal(QPoint(header->sectionViewportPosition(m_column), 0));
        return QRect(topLeft, QSize(header->sectionSize(m_column), header->height()));
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invalid = !isValid();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return -1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    int m_column;
};

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
        auto* cell = new PaneCell(view(), view()->model()->index(row, column));
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
        auto* header = new PaneHeaderCell(view(), column);
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

QList<QAccessibleInterface*> PaneCell::columnHeaderCells() const
{
    QAccessibleInterface* pane = parent();
    return isValid() && pane ? QList<QAccessibleInterface*>{pane->child(m_index.column())}
                             : QList<QAccessibleInterface*>();
}

} // namespace

QAccessibleInterface* paneAccessibilityFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("PaneView") && object && object->isWidgetType())
        return new PaneTable(static_cast<PaneView*>(object));
    return nullptr;
}

void installPaneAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(paneAccessibilityFactory);
        return true;
    }();
    (void)installed;
}
