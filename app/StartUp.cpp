#include "app/StartUp.h"

#include "base/Failure.h"

#include <QImage>
#include <QMessageLogContext>
#include <QPixmap>
#include <QWidget>
#include <QtEndian>

QString applicationTitleFor(QString name)
{
    constexpr int kMostCharacters = 40;
    while (name.size() > kMostCharacters) {
        const qsizetype space = name.lastIndexOf(QChar(u' '));
        name.truncate(space > 0 ? space : kMostCharacters);
    }
    return name;
}

QCursor cursorFromFile(const QByteArray& content)
{
    // ICONDIR (reserved, type 2 = cursor, count), then the first ICONDIRENTRY, whose bytes 4 to 7 hold the
    // hot spot.
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(content.constData() + at); };
    if (content.size() < 22 || u16(0) != 0 || u16(2) != 2 || u16(4) == 0)
        throw Failure(QStringLiteral("Invalid picture"));
    const QImage image = QImage::fromData(content, "CUR");
    if (image.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    return QCursor(QPixmap::fromImage(image), u16(6 + 4), u16(6 + 6));
}

namespace {
bool g_styleSheetComplaint = false;
QtMessageHandler g_previousHandler = nullptr;

void noteStyleSheetComplaint(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QStringLiteral("Could not parse")))
        g_styleSheetComplaint = true;
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}
} // namespace

void checkStyleSheet(const QString& sheet)
{
    // Qt only warns about a sheet it cannot parse; listen for that warning on a widget of its own.
    g_styleSheetComplaint = false;
    g_previousHandler = qInstallMessageHandler(noteStyleSheetComplaint);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(g_previousHandler);
    if (g_styleSheetComplaint)
        throw Failure(QStringLiteral("The skin is not a style sheet that can be read."));
}
