#include "app/PaneCell.h"

#include "app/PaneView.h"

#include <QAccessibleWidget>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QPointer>

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

QList<QAccessibleInterface*> PaneCell::columnHeaderCells() const
{
    QAccessibleInterface* pane = parent();
    return isValid() && pane ? QList<QAccessibleInterface*>{pane->child(m_index.column())}
                             : QList<QAccessibleInterface*>();
}

} // namespace

QAccessibleInterface* newPaneCell(PaneView* view, const QModelIndex& index)
{
    return new PaneCell(view, index);
}

QAccessibleInterface* newPaneHeaderCell(PaneView* view, int column)
{
    return new PaneHeaderCell(view, column);
}
