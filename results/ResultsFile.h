#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringEncoder>

// Writes the results file's lines to a device: each line's text in the locale's 8-bit encoding, unchanged,
// followed by CR LF. No byte-order mark. Lines are gathered and handed to the device in large blocks, so a
// million lines cost a few hundred writes.
class ResultsFileWriter
{
public:
    static constexpr qsizetype kBlockSize = qsizetype(1) << 20;

    explicit ResultsFileWriter(QIODevice& device);

    // Throws a Failure with the device's own words when a block cannot be written.
    void writeLine(QStringView text);
    // Hands what is gathered to the device. Throws a Failure like writeLine.
    void flush();

private:
    QIODevice& m_device;
    QStringEncoder m_encoder;
    QByteArray m_block;
};
