#include "app/MainWindow.h"
#include "cli/CommandLine.h"
#include "cli/Interrupt.h"
#include "cli/ListRun.h"
#include "cli/ThreadWaiter.h"
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

#include <cstdio>

namespace {

QStringList argumentsOf(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// --list, --help and --version: no window, and no display needed.
int runWithoutWindow(int argc, char* argv[], const Arguments& read)
{
    switch (read.form) {
    case Arguments::Form::Help: std::fputs(helpText().toLocal8Bit().constData(), stdout); return 0;
    case Arguments::Form::Version: std::fputs(versionText().toLocal8Bit().constData(), stdout); return 0;
    case Arguments::Form::Misused:
        std::fprintf(stderr, "tallyfold: %s\n%s", read.error.toLocal8Bit().constData(),
                     usageHint().toLocal8Bit().constData());
        return 2;
    default: break;
    }
    Interrupt::endAtOnce();
    QCoreApplication application(argc, argv);
    PosixFileSystem files;
    ThreadWaiter waiter;
    files.setWaiter(&waiter);
    const int status = runList(read.list, files, stderr);
    std::fflush(stdout);
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    if (const Arguments read = readArguments(argumentsOf(argc, argv)); read.form != Arguments::Form::Window)
        return runWithoutWindow(argc, argv, read);
    QApplication application(argc, argv);
    // Qt has taken its own options out of the arguments by now.
    const QStringList operands = readArguments(application.arguments().mid(1)).paths;
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
    if (!operands.isEmpty())
        window.openWith(operands);
    return application.exec();
}
