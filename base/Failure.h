#pragma once

#include <QString>
#include <stdexcept>

// A failing statement. The description is what the error report shows.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description)
    {}
    const QString& description() const { return m_description; }

    // The platform's own words for an errno value.
    static Failure fromErrno(int error);

private:
    QString m_description;
};

// Thrown out of every yield and dialog once the window has been closed. It is no std::exception,
// so no step catches it: it unwinds each running command to its event handler, and none resumes.
struct ProgramClosing
{};
