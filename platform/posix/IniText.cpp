#include "platform/posix/IniText.h"

#include <QList>

namespace {

struct Line
{
    qsizetype begin; // first byte
    qsizetype end;   // one past the last byte before the line end
    qsizetype next;  // first byte of the next line
};

QList<Line> lines(const QByteArray& text)
{
    QList<Line> all;
    qsizetype begin = 0;
    while (begin < text.size()) {
        qsizetype newline = text.indexOf('\n', begin);
        const qsizetype next = newline < 0 ? text.size() : newline + 1;
        qsizetype end = newline < 0 ? text.size() : newline;
        if (end > begin && text.at(end - 1) == '\r')
            --end;
        all.append({begin, end, next});
        begin = next;
    }
    return all;
}

QByteArrayView trimmed(QByteArrayView view)
{
    while (!view.isEmpty() && (view.front() == ' ' || view.front() == '\t'))
        view = view.sliced(1);
    while (!view.isEmpty() && (view.back() == ' ' || view.back() == '\t'))
        view.chop(1);
    return view;
}

std::optional<QByteArrayView> sectionName(QByteArrayView line)
{
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    return line.sliced(1, line.size() - 2);
}

// The key and the written value of a "key=value" line.
std::optional<std::pair<QByteArrayView, QByteArrayView>> entry(QByteArrayView line)
{
    const QByteArrayView start = trimmed(line);
    if (start.isEmpty() || start.front() == ';' || start.front() == '#')
        return std::nullopt;
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return std::make_pair(trimmed(line.first(equals)), line.sliced(equals + 1));
}

} // namespace

namespace IniText {

QByteArray encode(const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    const bool quoted = !utf8.isEmpty() && (utf8.front() == ' ' || utf8.front() == '\t' || utf8.back() == ' ' ||
                                            utf8.back() == '\t' || utf8.front() == '"');
    QByteArray written;
    written.reserve(utf8.size() + 2);
    if (quoted)
        written += '"';
    for (char c : utf8) {
        switch (c) {
        case '\\': written += "\\\\"; break;
        case '\r': written += "\\r"; break;
        case '\n': written += "\\n"; break;
        case '\t': written += "\\t"; break;
        case '\0': written += "\\0"; break;
        case '"': written += quoted ? "\\\"" : "\""; break;
        default: written += c;
        }
    }
    if (quoted)
        written += '"';
    return written;
}

QString decode(QByteArrayView written)
{
    written = trimmed(written);
    if (written.size() >= 2 && written.front() == '"' && written.back() == '"')
        written = written.sliced(1, written.size() - 2);
    QByteArray utf8;
    utf8.reserve(written.size());
    for (qsizetype i = 0; i < written.size(); ++i) {
        const char c = written[i];
        if (c != '\\' || i + 1 == written.size()) {
            utf8 += c;
            continue;
        }
        switch (written[i + 1]) {
        case '\\': utf8 += '\\'; break;
        case 'r': utf8 += '\r'; break;
        case 'n': utf8 += '\n'; break;
        case 't': utf8 += '\t'; break;
        case '0': utf8 += '\0'; break;
        case '"': utf8 += '"'; break;
        default: utf8 += c; continue; // a lone backslash, as a person types a path
        }
        ++i;
    }
    return QString::fromUtf8(utf8);
}

std::optional<QString> value(const QByteArray& text, const QString& section, const QString& key)
{
    const QByteArray wantedSection = section.toUtf8(), wantedKey = key.toUtf8();
    std::optional<QString> found;
    bool inSection = false;
    for (const Line& line : lines(text)) {
        const QByteArrayView content(text.constData() + line.begin, line.end - line.begin);
        if (const auto name = sectionName(content)) {
            inSection = *name == wantedSection;
        } else if (inSection) {
            if (const auto pair = entry(content); pair && pair->first == wantedKey)
                found = decode(pair->second);
        }
    }
    return found;
}

QByteArray withValue(const QByteArray& text, const QString& section, const QString& key, const QString& value)
{
    const QByteArray wantedSection = section.toUtf8(), wantedKey = key.toUtf8();
    const QByteArray newLine = wantedKey + '=' + encode(value);
    qsizetype replaceBegin = -1, replaceEnd = -1, insertAt = -1;
    bool inSection = false;
    for (const Line& line : lines(text)) {
        const QByteArrayView content(text.constData() + line.begin, line.end - line.begin);
        if (const auto name = sectionName(content)) {
            inSection = *name == wantedSection;
            if (inSection)
                insertAt = line.next;
        } else if (inSection) {
            const auto pair = entry(content);
            if (pair && pair->first == wantedKey) {
                replaceBegin = line.begin;
                replaceEnd = line.end;
            }
            if (!trimmed(content).isEmpty())
                insertAt = line.next;
        }
    }
    QByteArray result = text;
    if (replaceBegin >= 0)
        return result.replace(replaceBegin, replaceEnd - replaceBegin, newLine);
    if (insertAt >= 0) {
        if (insertAt > 0 && result.at(insertAt - 1) != '\n')
            result.insert(insertAt++, '\n');
        return result.insert(insertAt, newLine + '\n');
    }
    if (!result.isEmpty() && !result.endsWith('\n'))
        result += '\n';
    if (!result.isEmpty())
        result += '\n';
    return result + '[' + wantedSection + "]\n" + newLine + '\n';
}

} // namespace IniText
