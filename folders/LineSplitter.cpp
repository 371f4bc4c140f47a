#include "folders/LineSplitter.h"

void LineSplitter::feed(std::string_view block, std::deque<QByteArray>& lines)
{
    std::size_t start = 0;
    if (m_afterCR && !block.empty()) {
        m_afterCR = false;
        if (block.front() == '\n')
            start = 1;
    }
    while (start < block.size()) {
        const std::size_t end = block.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            m_partial.append(block.data() + start, qsizetype(block.size() - start));
            return;
        }
        m_partial.append(block.data() + start, qsizetype(end - start));
        lines.push_back(std::move(m_partial));
        m_partial = QByteArray();
        start = end + 1;
        if (block[end] == '\r') {
            if (start == block.size())
                m_afterCR = true;
            else if (block[start] == '\n')
                ++start;
        }
    }
}

std::optional<QByteArray> LineSplitter::finish()
{
    m_afterCR = false;
    if (m_partial.isEmpty())
        return std::nullopt;
    QByteArray last = std::move(m_partial);
    m_partial = QByteArray();
    return last;
}

QList<QByteArray> splitLines(std::string_view bytes)
{
    LineSplitter splitter;
    std::deque<QByteArray> lines;
    splitter.feed(bytes, lines);
    if (std::optional<QByteArray> last = splitter.finish())
        lines.push_back(std::move(*last));
    return QList<QByteArray>(lines.begin(), lines.end());
}
