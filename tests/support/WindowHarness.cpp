#include "WindowHarness.h"

#include "PaneEntries.h"
#include "settings/SettingsStore.h"

#include <QPushButton>
#include <QtTest>

WindowHarness::WindowHarness(int readAheadThreads)
    : onProblemsLeft([](const QStringList& left) {
          QTest::qFail(qPrintable(QStringLiteral("scripted pieces left unused or unanswered:\n") + left.join(u'\n')),
                       __FILE__, __LINE__);
      }),
      files(readAheadThreads),
      settings(m_config.path()), services{dialogs, yield, files, clipboard, settings, environment, m_program.path()}
{}

WindowHarness::~WindowHarness()
{
    const QStringList left = m_taken ? QStringList() : problems();
    // A test that failed already, or is being ended by an exception, has said what went wrong first.
    if (!left.isEmpty() && !QTest::currentTestFailed() && std::uncaught_exceptions() == 0)
        onProblemsLeft(left);
}

MainWindow& WindowHarness::start()
{
    m_window = std::make_unique<MainWindow>(services, gate);
    m_window->setUnloadHandler([this] {
        yield.close();
        dialogs.close();
    });
    m_window->Form_Load();
    return *m_window;
}

QStringList WindowHarness::folderEntries() const
{
    return paneEntries(m_window->form().FolderList);
}

QStringList WindowHarness::resultEntries() const
{
    return paneEntries(m_window->form().ResultList);
}

std::optional<QString> WindowHarness::storedFilter()
{
    return settings.store().read(kSettingsApplication, kSettingsSection, QStringLiteral("Text1"));
}

void WindowHarness::click(int button)
{
    m_window->PushButton(button)->click();
}

QStringList WindowHarness::problems() const
{
    return dialogs.problems() + yield.problems();
}

QStringList WindowHarness::takeProblems()
{
    m_taken = true;
    return problems();
}
