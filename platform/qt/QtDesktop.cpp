#include "platform/qt/QtDesktop.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {
// How long a file manager may take to answer before its folder is opened instead.
constexpr int kAnswerMilliseconds = 3000;
} // namespace

void QtDesktop::open(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// The call is not waited for: the answer, or its absence, arrives through the event loop, and a missing
// file manager costs nothing but the folder opened in its place.
void QtDesktop::showInFolder(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        open(folder);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerMilliseconds));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [this, folder](QDBusPendingCallWatcher* answered) {
        if (answered->isError())
            open(folder);
        answered->deleteLater();
    });
}
