#include "editing/SortAToZ.h"

#include "panes/NaturalOrder.h"

#include <algorithm>

namespace {

using Order = RowStore::Order;
using Utf8Text = RowStore::Utf8Text;

// Rows sorted at a time before the runs are merged: a run takes a few milliseconds.
constexpr std::size_t kRunRows = 1 << 12;
constexpr std::size_t kRowsBetweenPaints = 1 << 12;

int compareRows(const Utf8Text& a, const Utf8Text& b)
{
    // Rows of one folder share its prefix's bytes: unless a number runs on from it into the names, the names
    // alone decide.
    if (a.prefix.data() == b.prefix.data() && a.prefix.size() == b.prefix.size() &&
        (a.prefix.empty() || !NaturalOrder::isDigit(static_cast<unsigned char>(a.prefix.back()))))
        return NaturalOrder::compare(a.name, b.name);
    return NaturalOrder::compare(NaturalOrder::Text{a.prefix, a.name}, NaturalOrder::Text{b.prefix, b.name});
}

// Each run of kRunRows rows sorted where it stands, its texts read in row order, which the store reads fastest.
// Rows of equal text keep their order.
void sortRuns(const RowStore& rows, Order& order, const std::function<void()>& keepPainting)
{
    std::vector<Utf8Text> texts;
    std::vector<std::uint32_t> local;
    for (std::size_t first = 0; first < order.size(); first += kRunRows) {
        const std::size_t n = std::min(kRunRows, order.size() - first);
        texts.clear();
        local.clear();
        for (std::size_t i = 0; i < n; ++i) {
            texts.push_back(rows.utf8At(first + i));
            local.push_back(std::uint32_t(i));
        }
        std::sort(local.begin(), local.end(), [&](std::uint32_t x, std::uint32_t y) {
            const int c = compareRows(texts[x], texts[y]);
            return c != 0 ? c < 0 : x < y;
        });
        for (std::size_t i = 0; i < n; ++i)
            order[first + i] = std::uint32_t(first + local[i]);
        if (keepPainting)
            keepPainting();
    }
}

// The sorted runs of `runs` merged at once into one order: a tournament whose leaves are the runs' first rows
// not yet taken, so that a row costs one read from the store and a comparison for each level of the tree. On
// equal texts the earlier run wins, which keeps the rows' order.
Order mergeRuns(const RowStore& rows, const Order& runs, const std::function<void()>& keepPainting)
{
    const std::size_t n = runs.size();
    const std::size_t runCount = (n + kRunRows - 1) / kRunRows;
    std::size_t leaves = 1;
    while (leaves < runCount)
        leaves *= 2;
    std::vector<std::size_t> next(runCount), end(runCount);
    std::vector<Utf8Text> head(runCount);
    for (std::size_t r = 0; r < runCount; ++r) {
        next[r] = r * kRunRows;
        end[r] = std::min(n, next[r] + kRunRows);
        head[r] = rows.utf8At(runs[next[r]]);
    }
    constexpr std::size_t kNone = SIZE_MAX;
    auto better = [&](std::size_t x, std::size_t y) {
        if (x == kNone || y == kNone)
            return x == kNone ? y : x;
        const int c = compareRows(head[x], head[y]);
        return c < 0 || (c == 0 && x < y) ? x : y;
    };
    std::vector<std::size_t> winner(2 * leaves, kNone);
    for (std::size_t r = 0; r < runCount; ++r)
        winner[leaves + r] = r;
    for (std::size_t node = leaves - 1; node >= 1; --node)
        winner[node] = better(winner[2 * node], winner[2 * node + 1]);

    Order merged;
    merged.reserve(n);
    while (winner[1] != kNone) {
        const std::size_t r = winner[1];
        merged.push_back(runs[next[r]]);
        if (++next[r] < end[r]) {
            head[r] = rows.utf8At(runs[next[r]]);
        } else {
            winner[leaves + r] = kNone;
        }
        for (std::size_t node = (leaves + r) / 2; node >= 1; node /= 2)
            winner[node] = better(winner[2 * node], winner[2 * node + 1]);
        if (keepPainting && merged.size() % kRowsBetweenPaints == 0)
            keepPainting();
    }
    return merged;
}

} // namespace

RowStore::Order sortedOrder(const RowStore& rows, const std::function<void()>& keepPainting)
{
    Order runs(std::size_t(rows.count()));
    sortRuns(rows, runs, keepPainting);
    if (runs.size() <= kRunRows)
        return runs;
    return mergeRuns(rows, runs, keepPainting);
}

void SortAToZ(const CommandTools& tools, PaneModel& pane)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("SortAToZ")));
    proc.step(100, [&] { tools.pointer.setValue(Pointer::Busy); });
    proc.step(102, [&] {
        // Only repainting while it runs: nothing can change the rows under the sort.
        const auto keepPainting = [&] { tools.yield.paintOnly(); };
        pane.reorderRows(sortedOrder(pane.rows(), keepPainting), keepPainting);
    });
    proc.step(104, [&] { tools.pointer.setValue(Pointer::Default); });
}
