#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <cstring>

// A device that fails with the given words once `room` bytes went through it: a full disk when written,
// a read error when read. What was written is kept; what is read comes from `content`.
class FailingDevice : public QIODevice
{
public:
    static constexpr const char* kFull = "No space left on device";
    static constexpr const char* kReadError = "Input/output error";

    // Takes `room` bytes, then fails as a full disk does.
    explicit FailingDevice(qint64 room, const QString& error = QString::fromLatin1(kFull))
        : m_room(room), m_error(error)
    {
        open(QIODevice::WriteOnly);
    }
    // Gives the content, then fails as a broken disk does.
    explicit FailingDevice(QByteArray content, const QString& error = QString::fromLatin1(kReadError))
        : m_content(std::move(content)), m_room(m_content.size()), m_error(error)
    {
        open(QIODevice::ReadOnly);
    }

    bool isSequential() const override { return true; }
    bool failed() const { return m_failed; }
    const QByteArray& taken() const { return m_taken; }

protected:
    qint64 readData(char* data, qint64 most) override
    {
        if (m_at >= m_room)
            return fail();
        const qint64 n = std::min(most, m_room - m_at);
        std::memcpy(data, m_content.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (m_taken.size() + size > m_room)
            return fail();
        m_taken.append(data, size);
        return size;
    }

private:
    qint64 fail()
    {
        m_failed = true;
        setErrorString(m_error);
        return -1;
    }

    QByteArray m_content;
    QByteArray m_taken;
    qint64 m_room;
    qint64 m_at = 0;
    QString m_error;
    bool m_failed = false;
};
