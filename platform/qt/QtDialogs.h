#pragma once

#include "platform/Dialogs.h"

#include <QPointer>
#include <QWidget>

class CommandGate;
class QDialog;

// The program's modal pieces as Qt dialogs owned by the main window.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(CommandGate& gate) : m_gate(gate) {}
    void setOwner(QWidget* owner) { m_owner = owner; }
    // After the window has closed, every further dialog ends the running command instead of showing.
    void close() { m_closed = true; }

    int messageBox(const QString& text, int buttons, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title) override;
    QString pickFolder(const QString& prompt, const QString& startFolder) override;
    QStringList openFileNames(const QString& title, const QStringList& filters) override;
    QString saveFileName(const QString& title, const QStringList& filters, int* filter = nullptr) override;

    // How a text with carriage returns reads on screen: each CR, LF or CR LF starts a new line.
    static QString displayText(const QString& text);
    // The name filters as Qt's dialog takes them; "*.*" also matches names without a dot here.
    static QStringList nameFilters(const QStringList& filters);

private:
    void throwIfClosed() const;
    // Shows the box modally; while it is open, only its own input comes through and no command starts.
    int ask(QDialog& box);

    CommandGate& m_gate;
    QPointer<QWidget> m_owner;
    bool m_closed = false;
};
