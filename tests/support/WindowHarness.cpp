#include "WindowHarness.h"

#include <QPushButton>

WindowHarness::WindowHarness(int readAheadThreads)
    : files(readAheadThreads),
      settings(m_config.path()), services{dialogs, yield, files, clipboard, settings, environment, m_program.path()}
{}

WindowHarness::~WindowHarness() = default;

MainWindow& WindowHarness::start()
{
    m_window = std::make_unique<MainWindow>(services);
    m_window->setUnloadHandler([this] {
        yield.close();
        dialogs.close();
    });
    m_window->Form_Load();
    return *m_window;
}

QStringList paneEntries(const ListPane& pane)
{
    QStringList entries;
    for (int position = 1; position <= pane.count(); ++position)
        entries.append(pane.text(position));
    return entries;
}

QStringList WindowHarness::folderEntries() const
{
    return paneEntries(m_window->form().ListView1);
}

QStringList WindowHarness::resultEntries() const
{
    return paneEntries(m_window->form().ListView2);
}

void WindowHarness::click(int button)
{
    m_window->PushButton(button)->click();
}

QStringList WindowHarness::problems() const
{
    return dialogs.problems() + yield.problems();
}
