#pragma once

#include "platform/shares/CallWaiter.h"

#include <QIODevice>

#include <memory>

// A device on a file system that may hang: every read and write, and the closing, made through the waiter.
class WaitingDevice : public QIODevice
{
public:
    // Owns the device and closes it through the waiter.
    WaitingDevice(CallWaiter& waiter, std::unique_ptr<QIODevice> owned);
    // Only uses the device, which its owner closes.
    WaitingDevice(CallWaiter& waiter, QIODevice& device);
    ~WaitingDevice() override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 size) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    CallWaiter& m_waiter;
    std::unique_ptr<QIODevice> m_owned;
    QIODevice& m_device;
};
