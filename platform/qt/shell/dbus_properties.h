// org.freedesktop.DBus.Properties for an object whose interfaces are Qt
// adaptors. Qt answers these calls itself, but answers every one, also a
// call that says no reply is expected: a caller firing thousands of GetAll
// that way would have the program build and queue thousands of replies with
// the icon's images for nobody. Taken by an adaptor of the object's own,
// Properties calls are delivered as any method call is, and Qt leaves out
// the reply nobody asked for. The values are those of the object's other
// adaptors, read as Qt reads them. The object must be a QDBusContext: Qt
// gives an adaptor's calls to its object.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusVariant>
#include <QString>
#include <QVariantMap>

namespace platform::qt {

// Answers the call in progress with an error, when its caller waits for an
// answer; with nothing at all when it said it expects none.
void RefuseCall(const QDBusContext& call, QDBusError::ErrorType error, const QString& text);

class DBusProperties : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.DBus.Properties")
    // Qt describes this interface in every object's introspection already.
    Q_CLASSINFO("D-Bus Introspection", "")

public:
    // Serves the properties of `object`'s adaptors; owned by `object`.
    explicit DBusProperties(QObject* object);

public Q_SLOTS:
    QDBusVariant Get(const QString& interface, const QString& name);
    QVariantMap GetAll(const QString& interface);
    void Set(const QString& interface, const QString& name, const QDBusVariant& value);

private:
    void Refuse(QDBusError::ErrorType error, const QString& text) const;
};

}  // namespace platform::qt
