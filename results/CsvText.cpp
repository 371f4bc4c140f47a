#include "results/CsvText.h"

#include <QDateTime>

#include <charconv>
#include <cstdint>

namespace CsvText {

std::string_view nameOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view extensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot + 1);
}

void appendCell(std::string& out, std::string_view text)
{
    const bool formula = !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
    if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(text);
        return;
    }
    out.push_back('"');
    if (formula)
        out.push_back('\'');
    for (std::size_t at = 0;;) {
        const std::size_t quote = text.find('"', at);
        out.append(text.substr(at, quote - at));
        if (quote == std::string_view::npos)
            break;
        out.append("\"\"");
        at = quote + 1;
    }
    out.push_back('"');
}

namespace {

// The civil date of a day counted from 1970-01-01 (Howard Hinnant's days-to-civil), for any day of the
// proleptic Gregorian calendar.
void civilFromDays(qint64 days, qint64& year, int& month, int& day)
{
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 monthIndex = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

void appendTwoDigits(std::string& out, int value)
{
    out.push_back(char('0' + value / 10));
    out.push_back(char('0' + value % 10));
}

qint64 floorDivide(qint64 value, qint64 by)
{
    return value / by - ((value % by != 0) && ((value < 0) != (by < 0)) ? 1 : 0);
}

} // namespace

void LocalTimes::append(std::string& out, qint64 seconds)
{
    constexpr qint64 kSlot = 15 * 60;
    const qint64 slot = floorDivide(seconds, kSlot);
    if (slot != m_slot) {
        m_slot = slot;
        m_offsetSeconds = QDateTime::fromSecsSinceEpoch(slot * kSlot, Qt::LocalTime).offsetFromUtc();
    }
    const qint64 local = seconds + m_offsetSeconds;
    const qint64 days = floorDivide(local, 86400);
    const int ofDay = int(local - days * 86400);
    qint64 year;
    int month, day;
    civilFromDays(days, year, month, day);
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, year < 0 ? -year : year);
    if (year < 0)
        out.push_back('-');
    out.append(std::size_t(4 - std::min<std::ptrdiff_t>(4, written.ptr - digits)), '0');
    out.append(digits, written.ptr);
    out.push_back('-');
    appendTwoDigits(out, month);
    out.push_back('-');
    appendTwoDigits(out, day);
    out.push_back('T');
    appendTwoDigits(out, ofDay / 3600);
    out.push_back(':');
    appendTwoDigits(out, ofDay / 60 % 60);
    out.push_back(':');
    appendTwoDigits(out, ofDay % 60);
    const int offset = m_offsetSeconds < 0 ? -m_offsetSeconds : m_offsetSeconds;
    out.push_back(m_offsetSeconds < 0 ? '-' : '+');
    appendTwoDigits(out, offset / 3600);
    out.push_back(':');
    appendTwoDigits(out, offset / 60 % 60);
}

void appendRecord(std::string& out, std::string_view path, const FileFacts& facts, LocalTimes& times)
{
    const std::string_view name = nameOf(path);
    appendCell(out, path);
    out.push_back(',');
    appendCell(out, name);
    out.push_back(',');
    appendCell(out, extensionOf(name));
    out.push_back(',');
    if (facts.found) {
        char digits[24];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, facts.size).ptr);
        out.push_back(',');
        times.append(out, facts.modifiedSeconds);
    } else {
        out.push_back(',');
    }
    out.append("\r\n");
}

} // namespace CsvText
