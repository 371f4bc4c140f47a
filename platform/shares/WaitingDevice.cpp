#include "platform/shares/WaitingDevice.h"

WaitingDevice::WaitingDevice(CallWaiter& waiter, std::unique_ptr<QIODevice> owned)
    : m_waiter(waiter), m_owned(std::move(owned)), m_device(*m_owned)
{
    open(m_device.openMode() | QIODevice::Unbuffered);
}

WaitingDevice::WaitingDevice(CallWaiter& waiter, QIODevice& device) : m_waiter(waiter), m_device(device)
{
    open(m_device.openMode() | QIODevice::Unbuffered);
}

WaitingDevice::~WaitingDevice()
{
    if (m_owned)
        m_waiter.wait([&] { m_owned.reset(); });
}

qint64 WaitingDevice::readData(char* data, qint64 size)
{
    qint64 done = -1;
    m_waiter.wait([&] { done = m_device.read(data, size); });
    if (done < 0)
        setErrorString(m_device.errorString());
    return done;
}

qint64 WaitingDevice::writeData(const char* data, qint64 size)
{
    qint64 done = -1;
    m_waiter.wait([&] { done = m_device.write(data, size); }, CallWaiter::OnClose::Finish);
    if (done < 0)
        setErrorString(m_device.errorString());
    return done;
}
