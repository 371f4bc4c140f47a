#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The settings file's text: "[section]" lines, "key=value" lines, and whatever else a person wrote there,
// which is kept as it stands. A value is UTF-8; "\\", "\r", "\n", "\t", "\0" and "\"" are escapes, any other
// backslash stands for itself, and a value in double quotes keeps its blanks.
namespace IniText {

// The value of the key in the section, or nothing when the text has none (the last one counts).
std::optional<QString> value(const QByteArray& text, const QString& section, const QString& key);

// The text with the key set to the value: its line replaced where it has one, or a line added to the section
// (the section added at the end where there is none). Every other byte stays as it was.
QByteArray withValue(const QByteArray& text, const QString& section, const QString& key, const QString& value);

QByteArray encode(const QString& value);
QString decode(QByteArrayView written);

} // namespace IniText
