#include "results/RemoveEntries.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// Both sides ASCII: lower-casing maps letter to letter one for one, so the entry needs no copy.
bool asciiContains(QStringView entry, QStringView lowerNeedle)
{
    const qsizetype n = lowerNeedle.size();
    if (n > entry.size())
        return false;
    const char16_t first = lowerNeedle.front().unicode();
    const qsizetype lastStart = entry.size() - n;
    for (qsizetype at = 0; at <= lastStart; ++at) {
        if (asciiLower(entry[at].unicode()) != first)
            continue;
        qsizetype k = 1;
        while (k < n && asciiLower(entry[at + k].unicode()) == lowerNeedle[k].unicode())
            ++k;
        if (k == n)
            return true;
    }
    return false;
}

// The panes being scanned. A removal of another pane may run nested in a scan; one of the same pane would
// shift the positions the first has collected, so it is refused.
std::set<const ListPane*>& scanning()
{
    static std::set<const ListPane*> panes;
    return panes;
}

class ScanGuard
{
public:
    explicit ScanGuard(const ListPane& pane) : m_pane(&pane) { scanning().insert(m_pane); }
    ~ScanGuard() { scanning().erase(m_pane); }
    ScanGuard(const ScanGuard&) = delete;
    ScanGuard& operator=(const ScanGuard&) = delete;

private:
    const ListPane* m_pane;
};

void removeEntries(Form& form, ListPane& pane, const QString& text, bool removeWhenFound)
{
    if (RemovalScanning(pane))
        return;
    const LowerCaseSearch search(text);
    std::vector<int> positions;
    {
        ScanGuard guard(pane);
        const int n = pane.count();
        const std::uint64_t removalsBefore = pane.removals();
        for (int i = 1; i <= n; ++i) {
            form.sys.yield.DoEvents();
            // Rows taken out under the scan (the results pane's Clear List, a Delete once the pointer was
            // reset by a nested command) leave the collected positions naming other rows. Asked before the
            // row is read: a pane that shrank has no row i any more.
            if (pane.removals() != removalsBefore)
                throw Failure(QStringLiteral("The list was changed during the search; nothing was removed"));
            const ListPane::Utf8Text entry = pane.utf8(i);
            if (search.foundIn(entry) == removeWhenFound)
                positions.push_back(i);
        }
    }
    pane.removePositions(positions);
}

void removalCommand(Form& form, ListPane& pane, const char* procedure, const QString& prompt,
                    void (*removal)(Form&, ListPane&, const QString&))
{
    // A second start on a pane that is being scanned does nothing, not even ask: a text typed in vain
    // would look like a removal that went wrong.
    if (RemovalScanning(pane))
        return;
    Procedure proc(form.reporter, QString::fromLatin1(procedure));
    QString x;
    proc.step(100, [&] { x = form.InputBox(prompt); });
    if (proc.test(102, [&] { return x.isEmpty(); }))
        return;
    proc.step(104, [&] { form.MousePointer.setValue(Pointer::Busy); });
    proc.step(106, [&] { removal(form, pane, x); });
    proc.step(108, [&] { form.MousePointer.setValue(Pointer::Default); });
}

const QString kPromptContaining = QStringLiteral("Remove entries containing: ");
const QString kPromptNotContaining = QStringLiteral("Remove entries not containing: ");

} // namespace

LowerCaseSearch::LowerCaseSearch(const QString& text) : m_lower(text.toLower()), m_ascii(isAscii(text))
{
    if (m_ascii)
        m_lowerAscii = m_lower.toStdString();
}

bool LowerCaseSearch::foundIn(const ListPane::Utf8Text& entry) const
{
    if (m_lower.isEmpty())
        return true;
    m_row.assign(entry.prefix);
    m_row.append(entry.name);
    // An ASCII text can only be found in ASCII letters of the lower-cased entry. Beyond ASCII, only the
    // capital I with dot above (to "i" and a combining dot) and the Kelvin sign (to "k") lower-case to ASCII;
    // every other character stays out of an ASCII match, so its bytes can be left as they are.
    if (!m_ascii || m_row.find("\xc4\xb0") != std::string::npos || m_row.find("\xe2\x84\xaa") != std::string::npos)
        return foundIn(QString::fromUtf8(m_row.data(), qsizetype(m_row.size())));
    for (char& c : m_row)
        if (c >= 'A' && c <= 'Z')
            c = char(c + ('a' - 'A'));
    return m_row.find(m_lowerAscii) != std::string::npos;
}

bool LowerCaseSearch::foundIn(QStringView entry) const
{
    if (m_lower.isEmpty())
        return true;
    if (m_ascii && isAscii(entry))
        return asciiContains(entry, m_lower);
    return entry.toString().toLower().contains(m_lower);
}

bool RemovalScanning(const ListPane& pane)
{
    return scanning().count(&pane) != 0;
}

void RemoveEntriesContaining(Form& form, ListPane& pane, const QString& text)
{
    removeEntries(form, pane, text, true);
}

void RemoveEntriesNotContaining(Form& form, ListPane& pane, const QString& text)
{
    removeEntries(form, pane, text, false);
}

void PushButton4_Click(Form& form)
{
    removalCommand(form, form.ListView2, "in Foldlister2021/08/31.Form1.PushButton4_Click ", kPromptContaining,
                   RemoveEntriesContaining);
}

void PushButton10_Click(Form& form)
{
    removalCommand(form, form.ListView2, "in Foldlister2021/08/31.Form1.PushButton10_Click ", kPromptNotContaining,
                   RemoveEntriesNotContaining);
}

void PushButton13_Click(Form& form)
{
    removalCommand(form, form.ListView1, "in Foldlister2021/08/31.Form1.PushButton13_Click ", kPromptContaining,
                   RemoveEntriesContaining);
}

void PushButton14_Click(Form& form)
{
    removalCommand(form, form.ListView1, "in Foldlister2021/08/31.Form1.PushButton14_Click ", kPromptNotContaining,
                   RemoveEntriesNotContaining);
}
