#include "editing/SortAToZ.h"

#include "panes/NaturalOrder.h"

#include <algorithm>
#include <string>

namespace {

using Order = RowStore::Order;
using Utf8Text = RowStore::Utf8Text;

// Rows sorted at a time before the runs are merged: a run takes a few milliseconds.
constexpr std::size_t kRunRows = 1 << 12;
constexpr std::size_t kRowsBetweenPaints = 1 << 12;

// The rows' sort keys. A row's key is its prefix's and its name's one after the other unless a number runs on
// from the one into the other; the prefix's is made once for the rows that share it.
class RowKeys
{
public:
    void append(std::string& key, const Utf8Text& row)
    {
        if (!row.prefix.empty() && !row.name.empty() && NaturalOrder::isDigit(row.prefix.back()) &&
            NaturalOrder::isDigit(row.name.front())) {
            NaturalOrder::appendKey(key, NaturalOrder::Text{row.prefix, row.name});
            return;
        }
        if (row.prefix.data() != m_prefix.data() || row.prefix.size() != m_prefix.size()) {
            m_prefix = row.prefix;
            m_prefixKey.clear();
            NaturalOrder::appendKey(m_prefixKey, m_prefix);
        }
        key.append(m_prefixKey);
        NaturalOrder::appendKey(key, row.name);
    }

private:
    std::string_view m_prefix;
    std::string m_prefixKey;
};

// Each run of kRunRows rows sorted where it stands by their keys, read in row order, which the store reads
// fastest. Rows of equal keys keep their order.
void sortRuns(const RowStore& rows, Order& order, const std::function<void()>& keepPainting)
{
    RowKeys rowKeys;
    std::string keys;
    std::vector<std::size_t> ends;
    std::vector<std::uint32_t> local;
    for (std::size_t first = 0; first < order.size(); first += kRunRows) {
        const std::size_t n = std::min(kRunRows, order.size() - first);
        keys.clear();
        ends.clear();
        local.clear();
        for (std::size_t i = 0; i < n; ++i) {
            rowKeys.append(keys, rows.utf8At(first + i));
            ends.push_back(keys.size());
            local.push_back(std::uint32_t(i));
        }
        auto key = [&](std::uint32_t x) {
            const std::size_t start = x == 0 ? 0 : ends[x - 1];
            return std::string_view(keys.data() + start, ends[x] - start);
        };
        std::sort(local.begin(), local.end(), [&](std::uint32_t x, std::uint32_t y) {
            const int c = key(x).compare(key(y));
            return c != 0 ? c < 0 : x < y;
        });
        for (std::size_t i = 0; i < n; ++i)
            order[first + i] = std::uint32_t(first + local[i]);
        if (keepPainting)
            keepPainting();
    }
}

// The sorted runs of `runs` merged at once into one order: a tournament whose leaves are the keys of the runs'
// first rows not yet taken, so that a row costs one read from the store and a comparison for each level of the
// tree. On equal keys the earlier run wins, which keeps the rows' order.
Order mergeRuns(const RowStore& rows, const Order& runs, const std::function<void()>& keepPainting)
{
    const std::size_t n = runs.size();
    const std::size_t runCount = (n + kRunRows - 1) / kRunRows;
    std::size_t leaves = 1;
    while (leaves < runCount)
        leaves *= 2;
    std::vector<std::size_t> next(runCount), end(runCount);
    std::vector<std::string> head(runCount);
    RowKeys rowKeys;
    for (std::size_t r = 0; r < runCount; ++r) {
        next[r] = r * kRunRows;
        end[r] = std::min(n, next[r] + kRunRows);
        rowKeys.append(head[r], rows.utf8At(runs[next[r]]));
    }
    constexpr std::size_t kNone = SIZE_MAX;
    auto better = [&](std::size_t x, std::size_t y) {
        if (x == kNone || y == kNone)
            return x == kNone ? y : x;
        const int c = head[x].compare(head[y]);
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
            head[r].clear();
            rowKeys.append(head[r], rows.utf8At(runs[next[r]]));
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
    Order runs;
    runs.growZeroed(std::size_t(rows.count()));
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
