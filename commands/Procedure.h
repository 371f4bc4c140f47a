#pragma once

#include "base/Failure.h"

#include <QString>
#include <new>

// The text that names a procedure in its error report: "in <project>.<module>.<procedure> ". The modules Form1
// and Main belong to kProgramProject; the folder walk, module AddFolder, belongs to kWalkProject.
inline const QString kProgramProject = QStringLiteral("Foldlister2021/08/31");
inline const QString kWalkProject = QStringLiteral("Brenwick2021/08/31");
inline QString procedureText(const QString& module, const QString& procedure, const QString& project = kProgramProject)
{
    return QStringLiteral("in ") + project + u'.' + module + u'.' + procedure + u' ';
}

// Shows the error report for a failed step (the window's ErrorReport in the program).
class Reporter
{
public:
    virtual ~Reporter() = default;
    virtual void ErrorReport(const QString& description, const QString& procedure, int label) = 0;
};

// One run of a reporting procedure. Every labelled statement runs under the carry-on rule: a failure
// is reported with the statement's label and the procedure goes on with the next statement. A failure
// inside a called procedure that has no report of its own surfaces here, at the label of the call.
class Procedure
{
public:
    Procedure(Reporter& reporter, QString text) : m_reporter(reporter), m_text(std::move(text)) {}

    const QString& text() const { return m_text; }

    // Runs one statement; answers whether it ran to its end.
    template <class Statement> bool step(int label, Statement&& statement)
    {
        try {
            statement();
            return true;
        } catch (const Failure& failure) {
            m_reporter.ErrorReport(failure.description(), m_text, label);
        } catch (const std::bad_alloc&) {
            m_reporter.ErrorReport(QStringLiteral("Out of memory"), m_text, label);
        } catch (const std::exception& error) {
            m_reporter.ErrorReport(QString::fromLocal8Bit(error.what()), m_text, label);
        }
        return false;
    }

    // The test of a conditional step. When the test itself fails, what follows it is the first guarded
    // statement: the guarded statements run as if the test had held.
    template <class Condition> bool test(int label, Condition&& condition)
    {
        bool held = true;
        step(label, [&] { held = condition(); });
        return held;
    }

private:
    Reporter& m_reporter;
    QString m_text;
};
