#pragma once

#include "panes/PaneModel.h"
#include "platform/Yield.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringEncoder>

#include <string_view>

// Writes the results file's lines to a device: each line's text in the locale's 8-bit encoding, unchanged,
// followed by CR LF. No byte-order mark. Lines are gathered and handed to the device in blocks of a quarter
// megabyte: a million lines cost a few hundred writes, and a write into memory that the kernel must first
// find (a megabyte took 15 to 25 ms on a virtual machine that had given it back to its host) still holds the
// window for only a few milliseconds.
class ResultsFileWriter
{
public:
    static constexpr qsizetype kBlockSize = qsizetype(1) << 18;

    explicit ResultsFileWriter(QIODevice& device);

    // Throws a Failure with the device's own words when a block cannot be written.
    void writeLine(QStringView text);
    // The entry at the 1-based position of the pane. Throws a Failure where the pane holds no entry.
    void writeEntry(const PaneModel& pane, int position);
    // Hands what is gathered to the device. Throws a Failure like writeLine.
    void flush();
    // The bytes that the pane's entries take as lines of the file. Where they are written as the pane keeps
    // them, the pane counts them at once; otherwise each is encoded, and the window goes on painting meanwhile
    // through `painting`, taking no input.
    qint64 bytesFor(const PaneModel& pane, Yield& painting);

private:
    void append(std::string_view bytes);
    void writeThrough(const char* data, qsizetype size);

    QIODevice& m_device;
    QStringEncoder m_encoder;
    QByteArray m_block; // kBlockSize bytes, the first m_used of them gathered
    qsizetype m_used = 0;
    bool m_utf8; // the 8-bit encoding is UTF-8, as the pane keeps its texts
};
