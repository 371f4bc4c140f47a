#pragma once

#include <QAbstractItemView>
#include <QStringList>

#include <functional>
#include <optional>

class PaneModel;
class QHeaderView;
class QMimeData;
class QPainter;
class QStyleOptionViewItem;

// A list pane on screen: report view with one header, single selection, no editing, and a column that the
// user drags wider than the pane to read long paths. Rows have one height and are painted only where they
// show, so the view keeps nothing per row and takes a million appended rows at the cost of a scroll range.
// Passes its key-down and double-click events on.
class PaneView : public QAbstractItemView
{
    Q_OBJECT

public:
    PaneView(PaneModel& pane, bool hotTracking, QWidget* parent = nullptr);

    PaneModel& paneModel() const { return m_model; }
    QHeaderView* header() const { return m_header; }
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    int rowHeight() const { return m_rowHeight; }
    // Selects the row at the 1-based position, as a click on it does.
    void selectRow(int position);

    // Dragging out: a press on a row and a move start a drag of what `source` gives (nothing: no drag),
    // offered for copying or linking. The pane itself never changes by it.
    void setDragSource(std::function<QMimeData*()> source) { m_dragSource = std::move(source); }
    const std::function<QMimeData*()>& dragSource() const { return m_dragSource; }
    // Dropping in: the pane takes a drag whose data `takes` turns into paths, as it enters, with the copying
    // cursor, and hands the paths to `drop`; it refuses any other with the refusing cursor.
    void setDropTarget(std::function<std::optional<QStringList>(const QMimeData&)> takes,
                       std::function<void(const QStringList&)> drop);
    // What an assistive tool asks of the pane (a tick, a selection) starts through `starter`, as a command does.
    void setActionStarter(std::function<void(std::function<void()>)> starter) { m_startAction = std::move(starter); }
    void startAction(std::function<void()> action);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

Q_SIGNALS:
    void keyDown(int keyCode, int shift);
    void dblClick();

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    int contentWidth() const;
    int rowAt(int y) const;
    void setHoverRow(int row);
    void paintFocusFrame(QPainter& painter, const QStyleOptionViewItem& cell) const;
    bool judgeDrop(QDropEvent* event);

    PaneModel& m_model;
    QHeaderView* m_header;
    int m_rowHeight = 1;
    bool m_hotTracking;
    int m_hoverRow = -1;
    std::function<QMimeData*()> m_dragSource;
    std::optional<QPoint> m_dragStart;
    std::function<std::optional<QStringList>(const QMimeData&)> m_takesDrop;
    std::function<void(const QStringList&)> m_drop;
    std::optional<QStringList> m_dragged; // what the drag over the pane carries, as it entered
    std::function<void(std::function<void()>)> m_startAction;
};
