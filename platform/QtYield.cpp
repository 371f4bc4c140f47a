#include "platform/QtYield.h"

#include "platform/Failure.h"

#include <QCoreApplication>

void QtYield::DoEvents()
{
    if (m_closed)
        throw ProgramClosing{};
    if (m_sinceLast.isValid() && m_sinceLast.elapsed() < kIntervalMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceLast.start();
    if (m_closed)
        throw ProgramClosing{};
}
