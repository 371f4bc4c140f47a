#include "folders/LoadLists.h"

#include "folders/CollapseBackslashes.h"
#include "folders/LineSplitter.h"

#include <deque>
#include <memory>

namespace {

// Reads a list file line by line in blocks. A read error is held back until the lines before it are taken.
class ListFileReader
{
public:
    explicit ListFileReader(QIODevice& file) : m_file(file) {}

    bool atEnd()
    {
        fill();
        return m_lines.empty() && !m_error;
    }

    // The next line, decoded from the system's 8-bit text (bytes that are not valid there become U+FFFD).
    QString readLine()
    {
        fill();
        if (m_lines.empty())
            throw Failure(m_error ? *m_error : QStringLiteral("Input past end of file"));
        const QString line = QString::fromLocal8Bit(m_lines.front());
        m_lines.pop_front();
        return line;
    }

private:
    void fill()
    {
        static constexpr qint64 kBlock = 1 << 16;
        while (m_lines.empty() && !m_ended && !m_error) {
            m_block.resize(kBlock);
            const qint64 got = m_file.read(m_block.data(), kBlock);
            if (got < 0) {
                m_error = m_file.errorString();
            } else if (got == 0) {
                m_ended = true;
                if (std::optional<QByteArray> last = m_splitter.finish())
                    m_lines.push_back(std::move(*last));
            } else {
                m_splitter.feed(std::string_view(m_block.constData(), std::size_t(got)), m_lines);
            }
        }
    }

    QIODevice& m_file;
    QByteArray m_block;
    LineSplitter m_splitter;
    std::deque<QByteArray> m_lines;
    std::optional<QString> m_error;
    bool m_ended = false;
};

const QString kDialogTitle = QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files");

} // namespace

void FileToListbox(const CommandTools& tools, PaneModel& pane, const QString& path)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Main"), QStringLiteral("FileToListbox")));
    if (proc.test(100, [&] { return !tools.files.PathExists(path); })) {
        proc.step(114, [&] { tools.MsgBox(QStringLiteral("File not found")); });
        return;
    }
    std::unique_ptr<QIODevice> file;
    // A file that cannot be opened (a folder, a FIFO, no permission) is not read at all.
    if (!proc.step(102, [&] { file = tools.files.openRead(path); }))
        return;
    ListFileReader reader(*file);
    for (;;) {
        bool ended = false;
        if (!proc.step(104, [&] { ended = reader.atEnd(); }) || ended)
            break;
        proc.step(106, [&] { tools.yield.DoEvents(); });
        QString line;
        // A line that cannot be read ends the reading of this file; the lines before it stay.
        if (!proc.step(108, [&] { line = reader.readLine(); }))
            break;
        proc.step(110, [&] { pane.append(line); });
    }
    proc.step(112, [&] { file->close(); });
}

void PushButton2_Click(const CommandTools& tools, PaneModel& folders)
{
    Procedure proc(tools.reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton2_Click")));
    // Qt's dialog is set up afresh at every showing and returns full paths, one for each chosen file: there is
    // no name buffer to empty or overflow.
    QStringList chosen;
    proc.step(108, [&] { chosen = tools.dialogs.openFileNames(kDialogTitle, kTextFileFilters); });
    if (proc.test(110, [&] { return chosen.isEmpty(); }))
        return;
    proc.step(114, [&] { tools.pointer.setValue(Pointer::Busy); });
    if (proc.test(116, [&] { return chosen.size() == 1; })) {
        proc.step(118, [&] { FileToListbox(tools, folders, chosen.front()); });
    } else {
        for (const QString& path : chosen) {
            QString folded;
            proc.step(124, [&] { folded = CollapseBackslashes(path); });
            proc.step(126, [&] { FileToListbox(tools, folders, folded); });
        }
    }
    proc.step(138, [&] { tools.pointer.setValue(Pointer::Default); });
}
