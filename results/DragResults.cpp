#include "results/DragResults.h"

#include "results/ClipboardText.h"

#include <QUrl>

namespace {

// The pane as the copy text reads it, with the selected row standing in for the ticks when none is set.
class DraggedRows : public PaneModelSource
{
public:
    DraggedRows(const PaneModel& pane, int selected) : PaneModelSource(pane), m_selected(selected) {}
    bool checked(int row) const override { return m_selected ? row == m_selected : PaneModelSource::checked(row); }

private:
    int m_selected;
};

// The text is made at once, between two events: nothing can change the pane meanwhile.
class NoYield : public Yield
{
public:
    void DoEvents() override {}
};

// A path as a file: URI, its UTF-8 percent-encoded but for the separators and colons. A Windows path turns its
// backslashes into slashes: C:\x is file:///C:/x, and the share \\server\x is file://server/x.
QByteArray fileUri(const QString& path, PathStyle style)
{
    QString slashed = path;
    QByteArray host;
    if (style == PathStyle::Windows) {
        slashed.replace(u'\\', u'/');
        if (slashed.startsWith(QStringLiteral("//"))) {
            qsizetype end = slashed.indexOf(u'/', 2);
            end = end < 0 ? slashed.size() : end;
            host = QUrl::toPercentEncoding(slashed.mid(2, end - 2));
            slashed.remove(0, end);
        } else {
            slashed.prepend(u'/');
        }
    }
    return "file://" + host + QUrl::toPercentEncoding(slashed, "/:");
}

} // namespace

std::optional<DraggedResults> draggedResults(const PaneModel& results, PathStyle style)
{
    bool anyTicked = false;
    for (int row = 1; row <= results.count() && !anyTicked; ++row)
        anyTicked = results.checked(row);
    const int selected = anyTicked ? 0 : results.selectedIndex();
    if (!anyTicked && selected == 0)
        return std::nullopt;

    const DraggedRows rows(results, selected);
    NoYield noYield;
    DraggedResults dragged;
    dragged.text = copyText(rows, noYield).value_or(QByteArray());
    for (int row = 1; row <= results.count(); ++row) {
        if (rows.checked(row))
            dragged.uriList += fileUri(results.text(row), style) + "\r\n";
    }
    return dragged;
}
