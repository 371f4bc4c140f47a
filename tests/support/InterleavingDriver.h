#pragma once

#include "InterleavingModel.h"
#include "TestTree.h"
#include "WindowHarness.h"

#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <vector>

// The files a sequence works on: a small tree, folder list files beside it and a folder for saved results.
struct InterleavingWorld
{
    InterleavingWorld();

    TestTree tree;
    QTemporaryDir lists; // folder list files beside the tree, never inside it: a listing must not meet them
    std::optional<TreeFacts> facts;
    QStringList folders;                  // every folder of the tree, without a trailing separator
    QMap<QString, QStringList> listFiles; // folder list file -> its lines
    QString missingListFile;
};

// One seeded random sequence over a fresh window: the panes seeded, one long command started, and other
// commands fired from inside its yields (and theirs, to a bounded depth), every stretch of every command held
// against the reference model, and the whole checked once everything has ended.
class InterleavingDriver
{
public:
    InterleavingDriver(InterleavingWorld& world, quint32 seed);

    // Runs the sequence; answers the faults found (empty when none).
    QStringList run(Command outer);
    const QStringList& log() const { return m_log; }
    int actionsFired() const { return m_fired; }

    static constexpr int kMaxDepth = 4;     // commands nested inside one another, the outer one included
    static constexpr int kMaxActions = 14;  // commands fired in one sequence
    static constexpr int kFirePercent = 35; // chance of a command at a yield

private:
    void seedPanes();
    void observe();
    void checkCreatingList();
    void onYield();
    void fire(Command action);
    Command randomNested();
    std::function<void()> prepare(Command action, Run& run, std::function<void(Run&)>& after);
    void prepareRemoval(Run& run, int pane, bool containing);
    void prepareSelection(Run& run, int pane);
    void changeFilter(const QString& text);
    void finish();

    template <class T> const T& pick(const std::vector<T>& choices)
    {
        return choices[m_random.bounded(int(choices.size()))];
    }
    const QString& pick(const QStringList& choices) { return choices[m_random.bounded(int(choices.size()))]; }

    InterleavingWorld& m_world;
    QRandomGenerator m_random;
    WindowHarness m_h;
    InterleavingModel m_model;
    QTemporaryDir m_saves;
    int m_saveCount = 0;
    QMap<QString, std::optional<QByteArray>> m_savedFiles; // nothing: a save met removals, any content will do
    Run m_idle;
    std::vector<Run*> m_stack;
    QStringList m_snapshot[3];
    std::uint64_t m_removals[3] = {}; // the stretches that took rows out of each pane
    QStringList m_faults;
    QStringList m_log;
    int m_fired = 0;
};

// Messages that the window's handlers log when an exception escapes them.
int escapedHandlerFailures();
QStringList takeEscapedHandlerMessages();
void installEscapeCounter();
