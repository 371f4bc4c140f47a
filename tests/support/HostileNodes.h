#pragma once

#include <QByteArray>
#include <QString>

// Nodes that the tests' trees cannot make by name alone: a bound AF_UNIX socket, and a chain of folders
// whose full path passes the platform's limit (made and removed relative to each level, as the kernel
// takes no such path whole).

// A socket node at the path; false when the machine refuses one there.
bool makeSocket(const QString& path);

class DeepChain
{
public:
    // `levels` folders of the name, one inside the other, below `top`, with a file `fileName` in the last.
    DeepChain(const QString& top, const QByteArray& name, int levels, const QByteArray& fileName);
    ~DeepChain();
    DeepChain(const DeepChain&) = delete;
    DeepChain& operator=(const DeepChain&) = delete;

    bool isValid() const { return m_valid; }
    // The full path of the folder at that level (1 = the first below the top).
    QString folder(int level) const;
    QString deepest() const { return folder(m_levels); }

private:
    QByteArray m_top;
    QByteArray m_name;
    int m_levels;
    bool m_valid = false;
};
