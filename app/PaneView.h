#pragma once

#include <QAbstractItemView>

class ListPane;
class QHeaderView;
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
    PaneView(ListPane& pane, bool hotTracking, QWidget* parent = nullptr);

    ListPane& pane() const { return m_pane; }
    QHeaderView* header() const { return m_header; }
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);
    int rowHeight() const { return m_rowHeight; }
    // Selects the row at the 1-based position, as a click on it does.
    void selectRow(int position);

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
    bool viewportEvent(QEvent* event) override;

private:
    int contentWidth() const;
    int rowAt(int y) const;
    void setHoverRow(int row);
    void paintFocusFrame(QPainter& painter, const QStyleOptionViewItem& cell) const;

    ListPane& m_pane;
    QHeaderView* m_header;
    int m_rowHeight = 1;
    bool m_hotTracking;
    int m_hoverRow = -1;
};
