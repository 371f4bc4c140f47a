#include "platform/QtClipboard.h"

#include "platform/Failure.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {
QClipboard& systemClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw Failure(QStringLiteral("The clipboard could not be opened."));
    return *clipboard;
}
} // namespace

void QtClipboard::Clear()
{
    systemClipboard().clear();
}

void QtClipboard::SetText(const QString& text, int format)
{
    QClipboard& clipboard = systemClipboard();
    if (format != 0) // the program hands over plain text only
        throw Failure(QStringLiteral("Invalid Clipboard format"));
    clipboard.setText(text);
    if (clipboard.text() != text)
        throw Failure(QStringLiteral("The clipboard could not be opened."));
}
