#include "app/PaneView.h"

#include "platform/Form.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Highlights the row under the pointer.
class HotTrackingDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if ((option.state & QStyle::State_MouseOver) && !(option.state & QStyle::State_Selected)) {
            QColor hot = option.palette.color(QPalette::Highlight);
            hot.setAlpha(40);
            painter->fillRect(option.rect, hot);
        }
        QStyledItemDelegate::paint(painter, option, index);
    }
};

// The key codes the handlers compare. Qt's own code for "." is 46, the Delete key's code here, so the full
// stop gets the code of its key instead (the keypad's apart), and typing "." never removes an entry.
int keyCode(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Delete:
        return kKeyDelete;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Period:
        return event.modifiers() & Qt::KeypadModifier ? 110 : 190;
    default:
        return event.key();
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

PaneView::PaneView(ListPane& pane, bool hotTracking, QWidget* parent) : QTreeView(parent), m_pane(pane)
{
    setModel(&pane);
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(pane.selectionModel());
    delete own;
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    if (hotTracking) {
        setMouseTracking(true);
        viewport()->setAttribute(Qt::WA_Hover);
        setItemDelegate(new HotTrackingDelegate(this));
    }
}

void PaneView::selectRow(int position)
{
    const QModelIndex index = m_pane.index(position - 1, 0);
    setCurrentIndex(index);
    m_pane.selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PaneView::keyPressEvent(QKeyEvent* event)
{
    Q_EMIT keyDown(keyCode(*event), shiftState(event->modifiers()));
    QTreeView::keyPressEvent(event);
}

void PaneView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    Q_EMIT dblClick();
}
