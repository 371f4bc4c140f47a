#include "app/MainWindow.h"
#include "platform/posix/IniSettingsStorage.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/SystemEnvironment.h"
#include "platform/qt/CommandGate.h"
#include "platform/qt/QtCallWaiter.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtYield.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("tallyfold"));

    CommandGate gate; // where every command starts, or waits to
    QtDialogs dialogs(gate);
    QtYield yield(gate);
    PosixFileSystem files;
    QtCallWaiter waiter(gate); // for the calls into shares, which may hang
    files.setWaiter(&waiter);
    QtClipboard clipboard(&yield);
    IniSettingsStorage settings;
    settings.setWaiter(&waiter);
    SystemEnvironment environment;
    QtDesktop desktop;
    Services services{dialogs,
                      yield,
                      files,
                      clipboard,
                      settings,
                      environment,
                      QDir::toNativeSeparators(QCoreApplication::applicationDirPath()),
                      &desktop};

    MainWindow window(services, gate);
    dialogs.setOwner(&window);
    window.setUnloadHandler([&] {
        yield.close();
        dialogs.close();
        waiter.close();
    });
    window.Form_Load();
    window.showCentred();
    return application.exec();
}
