#pragma once

#include "base/Failure.h"

#include <QString>

#include <cstdint>
#include <utility>

// Positions a command read from a pane before a yield name the same rows after it unless the pane lost rows
// meanwhile: a removal or a clearing, which `removals()` counts (appends keep every position). Made where the
// command starts to hold positions; from then on `check()` throws a Failure with the command's own report
// once rows were lost. Takes a PaneModel or anything else that counts its removals alike.
template <class Pane> class RowLossCheck
{
public:
    RowLossCheck(const Pane& pane, QString report)
        : m_pane(pane), m_removalsBefore(pane.removals()), m_report(std::move(report))
    {}
    void check() const
    {
        if (m_pane.removals() != m_removalsBefore)
            throw Failure(m_report);
    }

private:
    const Pane& m_pane;
    std::uint64_t m_removalsBefore;
    QString m_report;
};
