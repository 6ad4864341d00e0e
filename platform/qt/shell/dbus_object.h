// An object on the session bus that the layer answers itself, message by
// message: its read-only properties through org.freedesktop.DBus.Properties
// and the calls of its one interface. A call is read only when its argument
// types are exactly those expected, so that nothing malformed reaches the
// demarshalling; anything else gets the bus's "unknown method" answer.
#pragma once

#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantMap>

namespace platform::qt {

class DBusObject : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) final;

protected:
    explicit DBusObject(QString interface) : interface_(std::move(interface)) {}

    virtual QVariantMap Properties() const = 0;

    // The reply to a call of the object's own interface; an invalid message
    // for a call it does not know.
    virtual QDBusMessage AnswerCall(const QDBusMessage& call) = 0;

private:
    QDBusMessage AnswerProperties(const QDBusMessage& call) const;

    QString interface_;
};

// The call is `member` with exactly these argument types.
bool IsCall(const QDBusMessage& call, const char* member, const char* signature);

}  // namespace platform::qt
