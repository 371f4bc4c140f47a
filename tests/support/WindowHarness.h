#pragma once

#include "FakeClipboard.h"
#include "FakeEnvironment.h"
#include "FaultyFileSystem.h"
#include "FaultySettings.h"
#include "ScriptedDialogs.h"
#include "ScriptedYield.h"
#include "app/MainWindow.h"
#include "platform/qt/CommandGate.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

// The real main window over scripted modal pieces, a fault-injecting file system, a fake clipboard and
// environment, and a settings file of its own: a program folder and a configuration folder that are
// removed when the test ends. A test that ends with a primed answer or a placed action unused, or with a
// dialog that had no answer, fails when the harness goes.
class WindowHarness
{
public:
    explicit WindowHarness(int readAheadThreads = 4);
    ~WindowHarness();

    // Creates the window and runs its start-up sequence.
    MainWindow& start();
    MainWindow& window() { return *m_window; }
    Form& form() { return m_window->form(); }

    QString programFolder() const { return m_program.path(); }
    QString configFolder() const { return m_config.path(); }

    QStringList folderEntries() const;
    QStringList resultEntries() const;
    // The filter as the settings file holds it.
    std::optional<QString> storedFilter();
    void click(int button);
    // Everything the scripted pieces noticed: unanswered dialogs, unused answers, actions that never ran.
    QStringList problems() const;
    // Hands those over to a test that judges them itself; the destructor then has nothing left to fail on.
    QStringList takeProblems();
    // What the destructor does with problems still left: fails the running test, unless replaced.
    std::function<void(const QStringList&)> onProblemsLeft;

    CommandGate gate;
    QTemporaryDir m_program;
    QTemporaryDir m_config;
    ScriptedDialogs dialogs;
    ScriptedYield yield;
    FaultyFileSystem files;
    FakeClipboard clipboard;
    FaultySettings settings;
    FakeEnvironment environment;
    Services services;

private:
    std::unique_ptr<MainWindow> m_window;
    bool m_taken = false;
};
