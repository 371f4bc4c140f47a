#pragma once

#include <QIODevice>

#include <string>
#include <string_view>

// Where `tallyfold --list` writes: standard output, or the device of the file named by --output. Bytes are
// gathered and written a quarter megabyte at a time.
class ListOutput
{
public:
    // The reader of standard output has gone (`| head`): the list ends there, as find's does.
    struct ReaderGone
    {};

    explicit ListOutput(int descriptor) : m_descriptor(descriptor) { m_block.reserve(kBlockSize); }
    explicit ListOutput(QIODevice& device) : m_device(&device) { m_block.reserve(kBlockSize); }

    void append(std::string_view bytes)
    {
        m_block.append(bytes);
        if (m_block.size() >= kBlockSize)
            flush();
    }
    // Writes what is gathered. Throws ReaderGone, or a Failure with the system's words.
    void flush();

private:
    static constexpr std::size_t kBlockSize = std::size_t(1) << 18;

    int m_descriptor = -1;
    QIODevice* m_device = nullptr;
    std::string m_block;
};
