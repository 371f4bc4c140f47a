#include "app/PaneView.h"

#include "editing/PaneEditing.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QHoverEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// The key codes the handlers compare. Qt's own code for "." is 46, the Delete key's code here, so the full
// stop gets the code of its key instead (the keypad's apart), and typing "." never removes an entry.
int keyCode(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Delete: return kKeyDelete;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Period: return event.modifiers() & Qt::KeypadModifier ? 110 : 190;
    default: return event.key();
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

// WCAG's relative luminance and contrast ratio.
double luminance(const QColor& colour)
{
    auto channel = [](float c) { return c <= 0.03928f ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The text colour of a selected row: the palette's own, unless it falls short of 4.5:1 on the highlight (as
// white on Fusion's light blue does); then black or white, whichever reads better there.
QColor selectedTextColour(const QPalette& palette, QPalette::ColorGroup group)
{
    const QColor highlight = palette.color(group, QPalette::Highlight);
    const QColor text = palette.color(group, QPalette::HighlightedText);
    if (contrast(text, highlight) >= 4.5)
        return text;
    return contrast(Qt::black, highlight) >= contrast(Qt::white, highlight) ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace

PaneView::PaneView(PaneModel& pane, bool hotTracking, QWidget* parent)
    : QAbstractItemView(parent), m_model(pane), m_header(new QHeaderView(Qt::Horizontal, this)),
      m_hotTracking(hotTracking)
{
    setModel(&pane);
    QItemSelectionModel* own = selectionModel();
    setSelectionModel(pane.selectionModel());
    delete own;
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    m_header->setModel(&pane);
    m_header->setStretchLastSection(false);
    m_header->setSectionsClickable(false);
    m_header->setSectionsMovable(false);
    m_header->setSectionResizeMode(QHeaderView::Interactive);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateGeometries();
        viewport()->update();
    });
    // Qt's view repaints and sizes its scroll range when rows come, not when they go: after a removal, a
    // Clear List or a compacting pass the rows below move up and the range shrinks to the rows left.
    auto showRowsLeft = [this] {
        updateGeometries();
        viewport()->update();
    };
    connect(&pane, &QAbstractItemModel::rowsRemoved, this, showRowsLeft);
    connect(&pane, &QAbstractItemModel::modelReset, this, showRowsLeft);

    // One height for every row: what the font and the check box ask for.
    QStyleOptionViewItem probe;
    initViewItemOption(&probe);
    probe.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
    probe.text = QStringLiteral("Xg");
    m_rowHeight = std::max(style()->sizeFromContents(QStyle::CT_ItemViewItem, &probe, QSize(), this).height(),
                           fontMetrics().height() + 2);

    if (hotTracking) {
        setMouseTracking(true);
        viewport()->setAttribute(Qt::WA_Hover);
    }
}

int PaneView::columnWidth(int column) const
{
    return m_header->sectionSize(column);
}

void PaneView::setColumnWidth(int column, int width)
{
    m_header->resizeSection(column, width);
}

int PaneView::contentWidth() const
{
    return m_header->length();
}

void PaneView::selectRow(int position)
{
    const QModelIndex index = m_model.index(position - 1, 0);
    setCurrentIndex(index);
    m_model.selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int PaneView::rowAt(int y) const
{
    if (y < 0)
        return -1;
    const qint64 row = (qint64(y) + verticalOffset()) / m_rowHeight;
    return row < m_model.rowCount() ? int(row) : -1;
}

QRect PaneView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != &m_model)
        return QRect();
    const qint64 top = qint64(index.row()) * m_rowHeight - verticalOffset();
    const int left = m_header->sectionViewportPosition(index.column());
    if (top < -m_rowHeight || top > viewport()->height() + m_rowHeight)
        return QRect(left, top < 0 ? -2 * m_rowHeight : viewport()->height() + m_rowHeight,
                     m_header->sectionSize(index.column()), m_rowHeight); // off screen, never huge
    return QRect(left, int(top), m_header->sectionSize(index.column()), m_rowHeight);
}

void PaneView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    const qint64 top = qint64(index.row()) * m_rowHeight;
    const int height = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    if (hint == PositionAtTop || (hint == EnsureVisible && top < bar->value()))
        bar->setValue(int(top));
    else if (hint == PositionAtBottom || (hint == EnsureVisible && top + m_rowHeight > bar->value() + height))
        bar->setValue(int(top + m_rowHeight - height));
    else if (hint == PositionAtCenter)
        bar->setValue(int(top - (height - m_rowHeight) / 2));
}

QModelIndex PaneView::indexAt(const QPoint& point) const
{
    const int row = rowAt(point.y());
    const int column = m_header->logicalIndexAt(point.x());
    if (row < 0 || column < 0)
        return QModelIndex();
    return m_model.index(row, column);
}

QModelIndex PaneView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = m_model.rowCount();
    if (rows == 0)
        return QModelIndex();
    const int current = currentIndex().isValid() ? currentIndex().row() : -1;
    const int page = std::max(1, viewport()->height() / m_rowHeight - 1);
    int row = current;
    switch (action) {
    case MoveUp: row = current - 1; break;
    case MoveDown: row = current + 1; break;
    case MovePageUp: row = current - page; break;
    case MovePageDown: row = current + page; break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows - 1; break;
    default: return currentIndex();
    }
    return m_model.index(std::clamp(row, 0, rows - 1), 0);
}

int PaneView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int PaneView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool PaneView::isIndexHidden(const QModelIndex&) const
{
    return false;
}

void PaneView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags)
{
    const int row = rowAt(rect.normalized().top());
    if (row < 0)
        return;
    const QModelIndex first = m_model.index(row, 0);
    const QModelIndex last = m_model.index(row, std::max(0, m_model.columnCount() - 1));
    selectionModel()->select(QItemSelection(first, last), flags);
}

QRegion PaneView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const int top = std::max(range.top(), rowAt(0) < 0 ? range.top() : rowAt(0));
        const int bottom = std::min(range.bottom(), top + viewport()->height() / m_rowHeight + 1);
        for (int row = top; row <= bottom; ++row)
            region += QRect(0, row * m_rowHeight - verticalOffset(), viewport()->width(), m_rowHeight);
    }
    return region;
}

void PaneView::updateGeometries()
{
    const int headerHeight = m_header->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);

    const qint64 total = qint64(m_model.rowCount()) * m_rowHeight;
    const int height = viewport()->height();
    verticalScrollBar()->setSingleStep(m_rowHeight);
    verticalScrollBar()->setPageStep(std::max(m_rowHeight, height - m_rowHeight));
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(total - height, 0, INT_MAX)));
    horizontalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth() - viewport()->width()));
    m_header->setOffset(horizontalOffset());
    QAbstractItemView::updateGeometries();
}

void PaneView::scrollContentsBy(int dx, int dy)
{
    m_header->setOffset(horizontalOffset());
    viewport()->scroll(dx, dy);
}

void PaneView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    if (qint64(start) * m_rowHeight < verticalOffset() + viewport()->height())
        viewport()->update();
}

void PaneView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const int rows = m_model.rowCount();
    const int columns = m_model.columnCount();
    const QRect dirty = event->rect();
    const int first = std::max(0, rowAt(dirty.top()) < 0 ? rows : rowAt(dirty.top()));
    const int last = rowAt(dirty.bottom()) < 0 ? rows - 1 : rowAt(dirty.bottom());
    const QModelIndex current = currentIndex();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        option.palette.setColor(group, QPalette::HighlightedText, selectedTextColour(option.palette, group));
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = m_model.index(row, column);
            QStyleOptionViewItem cell = option;
            cell.rect = visualRect(index);
            if (selectionModel()->isSelected(index))
                cell.state |= QStyle::State_Selected;
            if (m_hotTracking && row == m_hoverRow)
                cell.state |= QStyle::State_MouseOver;
            if (index == current && hasFocus())
                cell.state |= QStyle::State_HasFocus;
            if (m_hotTracking && row == m_hoverRow && !(cell.state & QStyle::State_Selected)) {
                QColor hot = cell.palette.color(QPalette::Highlight);
                hot.setAlpha(40);
                painter.fillRect(cell.rect, hot);
            }
            itemDelegateForIndex(index)->paint(&painter, cell, index);
            if (cell.state & QStyle::State_HasFocus)
                paintFocusFrame(painter, cell);
        }
    }
}

// A dotted frame round the current row, in the row's text colour, seen on a selected row as on any other
// and however the focus came to the pane.
void PaneView::paintFocusFrame(QPainter& painter, const QStyleOptionViewItem& cell) const
{
    const QPalette::ColorRole role = cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    painter.save();
    painter.setPen(QPen(cell.palette.color(role), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

void PaneView::setHoverRow(int row)
{
    if (row == m_hoverRow)
        return;
    m_hoverRow = row;
    viewport()->update();
}

bool PaneView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        // The pane's own tooltip wherever the pointer is, over an entry as over empty space.
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), toolTip(), this);
        return true;
    }
    if (m_hotTracking) {
        if (event->type() == QEvent::HoverMove || event->type() == QEvent::HoverEnter)
            setHoverRow(rowAt(static_cast<QHoverEvent*>(event)->position().toPoint().y()));
        else if (event->type() == QEvent::HoverLeave)
            setHoverRow(-1);
    }
    return QAbstractItemView::viewportEvent(event);
}

void PaneView::keyPressEvent(QKeyEvent* event)
{
    Q_EMIT keyDown(keyCode(*event), shiftState(event->modifiers()));
    // Space ticks or unticks the current row where rows have check boxes; it selects nothing.
    const QModelIndex current = currentIndex();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && current.isValid() &&
        (m_model.flags(current) & Qt::ItemIsUserCheckable)) {
        m_model.setChecked(current.row() + 1, !m_model.checked(current.row() + 1));
        event->accept();
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void PaneView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QAbstractItemView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT dblClick();
}

void PaneView::mousePressEvent(QMouseEvent* event)
{
    const bool onRow = event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid();
    m_dragStart = m_dragSource && onRow ? std::optional(event->position().toPoint()) : std::nullopt;
    QAbstractItemView::mousePressEvent(event);
}

void PaneView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragStart && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - *m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragStart.reset();
        if (QMimeData* data = m_dragSource()) {
            auto* drag = new QDrag(this);
            drag->setMimeData(data);
            drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
            setState(NoState); // the button was let go over the target
        }
        return;
    }
    QAbstractItemView::mouseMoveEvent(event);
}

void PaneView::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragStart.reset();
    QAbstractItemView::mouseReleaseEvent(event);
}

void PaneView::setDropTarget(std::function<std::optional<QStringList>(const QMimeData&)> takes,
                             std::function<void(const QStringList&)> drop)
{
    m_takesDrop = std::move(takes);
    m_drop = std::move(drop);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void PaneView::startAction(std::function<void()> action)
{
    if (m_startAction)
        m_startAction(std::move(action));
    else
        action();
}

// Takes the drop as a copy (the files stay where they are) where the source offers that, else as a link.
bool PaneView::judgeDrop(QDropEvent* event)
{
    const Qt::DropActions offered = event->possibleActions();
    if (!m_dragged || !(offered & (Qt::CopyAction | Qt::LinkAction))) {
        event->ignore();
        return false;
    }
    event->setDropAction(offered & Qt::CopyAction ? Qt::CopyAction : Qt::LinkAction);
    event->accept();
    return true;
}

// What a drag carries is read once, as it enters: a move over the pane only looks at that verdict.
void PaneView::dragEnterEvent(QDragEnterEvent* event)
{
    m_dragged = m_takesDrop && event->mimeData() ? m_takesDrop(*event->mimeData()) : std::nullopt;
    judgeDrop(event);
}

void PaneView::dragMoveEvent(QDragMoveEvent* event)
{
    judgeDrop(event);
}

void PaneView::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_dragged.reset();
    QAbstractItemView::dragLeaveEvent(event);
}

void PaneView::dropEvent(QDropEvent* event)
{
    if (judgeDrop(event))
        m_drop(*std::exchange(m_dragged, std::nullopt));
}
