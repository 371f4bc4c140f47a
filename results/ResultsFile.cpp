#include "results/ResultsFile.h"

#include "base/Failure.h"

#include <cstring>

ResultsFileWriter::ResultsFileWriter(QIODevice& device)
    // Stateless: a lone surrogate at a line's end is replaced there, never joined with the next line.
    : m_device(device), m_encoder(QStringConverter::System, QStringConverter::Flag::Stateless),
      m_block(kBlockSize, Qt::Uninitialized)
{
    // The system's 8-bit encoding is UTF-8 on Linux; tell by its bytes for a text that differs elsewhere.
    QStringEncoder probe(QStringConverter::System, QStringConverter::Flag::Stateless);
    m_utf8 = QByteArray(probe.encode(u"\u00e9\u20ac")) == "\xc3\xa9\xe2\x82\xac";
}

void ResultsFileWriter::writeLine(QStringView text)
{
    const qsizetype room = m_encoder.requiredSpace(text.size()) + 2;
    if (m_used + room > m_block.size())
        flush();
    if (room > m_block.size()) {
        QByteArray line(room, Qt::Uninitialized);
        char* end = m_encoder.appendToBuffer(line.data(), text);
        *end++ = '\r';
        *end++ = '\n';
        writeThrough(line.constData(), end - line.constData());
        return;
    }
    char* end = m_encoder.appendToBuffer(m_block.data() + m_used, text);
    *end++ = '\r';
    *end++ = '\n';
    m_used = end - m_block.constData();
}

void ResultsFileWriter::writeEntry(const PaneModel& pane, int position)
{
    if (!m_utf8) {
        writeLine(pane.text(position));
        return;
    }
    // The pane's own bytes are already the file's: no decoding and encoding again.
    const RowStore::Utf8Text entry = pane.utf8(position);
    const qsizetype size = qsizetype(entry.prefix.size() + entry.name.size()) + 2;
    if (m_used + size > m_block.size()) {
        append(entry.prefix);
        append(entry.name);
        append("\r\n");
        return;
    }
    char* at = m_block.data() + m_used;
    std::memcpy(at, entry.prefix.data(), entry.prefix.size());
    std::memcpy(at + entry.prefix.size(), entry.name.data(), entry.name.size());
    std::memcpy(at + size - 2, "\r\n", 2);
    m_used += size;
}

qint64 ResultsFileWriter::bytesFor(const PaneModel& pane, Yield& painting)
{
    const int count = pane.count();
    if (m_utf8)
        return 2 * qint64(count) + qint64(pane.utf8Bytes());
    qint64 bytes = 2 * qint64(count);
    for (int i = 1; i <= count; ++i) {
        if (i % 4096 == 0)
            painting.paintOnly(); // millions of rows take a while: the window goes on painting
        bytes += QByteArray(m_encoder.encode(pane.text(i))).size();
    }
    return bytes;
}

void ResultsFileWriter::append(std::string_view bytes)
{
    const qsizetype size = qsizetype(bytes.size());
    if (m_used + size > m_block.size())
        flush();
    if (size > m_block.size()) {
        writeThrough(bytes.data(), size);
        return;
    }
    std::memcpy(m_block.data() + m_used, bytes.data(), bytes.size());
    m_used += size;
}

void ResultsFileWriter::flush()
{
    const qsizetype used = m_used;
    m_used = 0;
    writeThrough(m_block.constData(), used);
}

void ResultsFileWriter::writeThrough(const char* data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const qint64 written = m_device.write(data + done, size - done);
        if (written <= 0) {
            const QString why = m_device.errorString();
            throw Failure(why.isEmpty() ? QStringLiteral("Device I/O error") : why);
        }
        done += qsizetype(written);
    }
}
