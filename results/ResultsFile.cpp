#include "results/ResultsFile.h"

#include "platform/Failure.h"

ResultsFileWriter::ResultsFileWriter(QIODevice& device)
    // Stateless: a lone surrogate at a line's end is replaced there, never joined with the next line.
    : m_device(device), m_encoder(QStringConverter::System, QStringConverter::Flag::Stateless)
{
    m_block.reserve(kBlockSize + 4096);
}

void ResultsFileWriter::writeLine(QStringView text)
{
    const qsizetype room = m_encoder.requiredSpace(text.size()) + 2;
    const qsizetype used = m_block.size();
    m_block.resize(used + room);
    char* end = m_encoder.appendToBuffer(m_block.data() + used, text);
    *end++ = '\r';
    *end++ = '\n';
    m_block.truncate(end - m_block.constData());
    if (m_block.size() >= kBlockSize)
        flush();
}

void ResultsFileWriter::flush()
{
    qsizetype done = 0;
    while (done < m_block.size()) {
        const qint64 written = m_device.write(m_block.constData() + done, m_block.size() - done);
        if (written <= 0) {
            const QString why = m_device.errorString();
            m_block.clear();
            throw Failure(why.isEmpty() ? QStringLiteral("Device I/O error") : why);
        }
        done += qsizetype(written);
    }
    m_block.resize(0); // keeps the block's room for the next lines
}
