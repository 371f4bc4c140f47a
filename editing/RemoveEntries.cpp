#include "editing/RemoveEntries.h"

#include "base/Utf8.h"
#include "commands/RowLossCheck.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

// Both sides ASCII: lower-casing maps letter to letter one for one, so the entry needs no copy.
bool asciiContains(QStringView entry, QStringView lowerNeedle)
{
    const qsizetype n = lowerNeedle.size();
    if (n > entry.size())
        return false;
    const char16_t first = lowerNeedle.front().unicode();
    const qsizetype lastStart = entry.size() - n;
    for (qsizetype at = 0; at <= lastStart; ++at) {
        if (Utf8::asciiLower(entry[at].unicode()) != first)
            continue;
        qsizetype k = 1;
        while (k < n && Utf8::asciiLower(entry[at + k].unicode()) == lowerNeedle[k].unicode())
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

// The panes being scanned. A removal of another pane may run nested in a scan; one of the same pane would
// shift the positions the first has collected, so it is refused.
std::set<const PaneModel*>& scanning()
{
    static std::set<const PaneModel*> panes;
    return panes;
}

class ScanGuard
{
public:
    explicit ScanGuard(const PaneModel& pane) : m_pane(&pane) { scanning().insert(m_pane); }
    ~ScanGuard() { scanning().erase(m_pane); }
    ScanGuard(const ScanGuard&) = delete;
    ScanGuard& operator=(const ScanGuard&) = delete;

private:
    const PaneModel* m_pane;
};

void removeEntries(Yield& yield, PaneModel& pane, const QString& text, bool removeWhenFound)
{
    if (removalScanning(pane))
        return;
    const LowerCaseSearch search(text);
    std::vector<int> positions;
    {
        ScanGuard guard(pane);
        const int n = pane.count();
        // Room for every row at once: the pages are only taken as positions fill them, and a vector that
        // doubled would copy millions of positions at one go.
        positions.reserve(std::size_t(n));
        const RowLossCheck rowsLost(pane,
                                    QStringLiteral("The list was changed during the search; nothing was removed"));
        for (int i = 1; i <= n; ++i) {
            yield.DoEvents();
            // Rows taken out under the scan (the results pane's Clear List, a Delete once the pointer was
            // reset by a nested command) leave the collected positions naming other rows. Asked before the
            // row is read: a pane that shrank has no row i any more.
            rowsLost.check();
            const RowStore::Utf8Text entry = pane.utf8(i);
            if (search.foundIn(entry) == removeWhenFound)
                positions.push_back(i);
        }
    }
    pane.removePositions(positions, [&] { yield.paintOnly(); });
}

} // namespace

LowerCaseSearch::LowerCaseSearch(const QString& text) : m_lower(text.toLower()), m_ascii(Utf8::isAscii(text))
{
    if (m_ascii)
        m_lowerAscii = m_lower.toStdString();
}

bool LowerCaseSearch::foundIn(const RowStore::Utf8Text& entry) const
{
    if (m_lower.isEmpty())
        return true;
    m_row.assign(entry.prefix);
    m_row.append(entry.name);
    // An ASCII text can only be found in ASCII letters of the lower-cased entry. Beyond ASCII, only the
    // capital I with dot above (to "i" and a combining dot) and the Kelvin sign (to "k") lower-case to ASCII;
    // every other character stays out of an ASCII match, so its bytes can be left as they are.
    if (!m_ascii || m_row.find("\xc4\xb0") != std::string::npos || m_row.find("\xe2\x84\xaa") != std::string::npos)
        return foundIn(Utf8::toQString(m_row));
    std::transform(m_row.begin(), m_row.end(), m_row.begin(), [](char c) { return Utf8::asciiLower(c); });
    return m_row.find(m_lowerAscii) != std::string::npos;
}

bool LowerCaseSearch::foundIn(QStringView entry) const
{
    if (m_lower.isEmpty())
        return true;
    if (m_ascii && Utf8::isAscii(entry))
        return asciiContains(entry, m_lower);
    return entry.toString().toLower().contains(m_lower);
}

bool removalScanning(const PaneModel& pane)
{
    return scanning().count(&pane) != 0;
}

void RemoveEntriesContaining(Yield& yield, PaneModel& pane, const QString& text)
{
    removeEntries(yield, pane, text, true);
}

void RemoveEntriesNotContaining(Yield& yield, PaneModel& pane, const QString& text)
{
    removeEntries(yield, pane, text, false);
}

void runRemovalCommand(const RemovalCommand& command, const CommandTools& tools, PaneModel& pane)
{
    // A second start on a pane that is being scanned does nothing, not even ask: a text typed in vain
    // would look like a removal that went wrong.
    if (removalScanning(pane))
        return;
    Procedure proc(tools.reporter,
                   procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton%1_Click").arg(command.button)));
    QString x;
    proc.step(100, [&] { x = tools.InputBox(QString::fromLatin1(command.prompt)); });
    if (proc.test(102, [&] { return x.isEmpty(); }))
        return;
    proc.step(104, [&] { tools.pointer.setValue(Pointer::Busy); });
    proc.step(106, [&] { command.removal(tools.yield, pane, x); });
    proc.step(108, [&] { tools.pointer.setValue(Pointer::Default); });
}
