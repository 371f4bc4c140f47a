// The list-file line splitter against a plain reference split (a line ends at CR, CR LF or LF; a line end at
// the very end brings no further line), fed whole and in blocks of sizes taken from the input: the lines
// are the same however the bytes arrive.
#include "folders/LineSplitter.h"

#include <cstdint>
#include <cstdlib>
#include <deque>

namespace {

QList<QByteArray> referenceSplit(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    QByteArray line;
    bool open = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.append(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line.append(c);
            open = true;
        }
    }
    if (open)
        lines.append(line);
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the block sizes, the rest is the file.
    const unsigned seed = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QByteArray> expected = referenceSplit(bytes);
    if (splitLines(std::string_view(bytes.constData(), std::size_t(bytes.size()))) != expected)
        std::abort();

    LineSplitter splitter;
    std::deque<QByteArray> lines;
    qsizetype at = 0;
    unsigned step = seed;
    while (at < bytes.size()) {
        step = step * 1103515245u + 12345u;
        const qsizetype block = std::min<qsizetype>(bytes.size() - at, qsizetype(step >> 28)); // 0 to 15 bytes
        splitter.feed(std::string_view(bytes.constData() + at, std::size_t(block)), lines);
        at += block;
    }
    if (std::optional<QByteArray> last = splitter.finish())
        lines.push_back(std::move(*last));
    if (QList<QByteArray>(lines.begin(), lines.end()) != expected)
        std::abort();
    return 0;
}
