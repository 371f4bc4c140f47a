#pragma once

#include <QByteArray>
#include <QCursor>
#include <QString>

// The product name, which is the window's caption.
inline const QString kProductName = QStringLiteral("Tallyfold");

// The application title for a product name: whole words are cut from its end until it has at most 40
// characters (a single word longer than that is cut at 40).
QString applicationTitleFor(QString name);

// A cursor from the bytes of a .cur file, with the hot spot the file gives. Throws a Failure.
QCursor cursorFromFile(const QByteArray& content);

// Checks that a skin is a style sheet Qt can read. Throws a Failure.
void checkStyleSheet(const QString& sheet);
