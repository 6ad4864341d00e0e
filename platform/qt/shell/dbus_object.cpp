#include "platform/qt/shell/dbus_object.h"

#include <QDBusConnection>
#include <QDBusVariant>

#include "platform/qt/shell/dbus_types.h"

namespace platform::qt {

namespace {

const QString PROPERTIES_INTERFACE = QStringLiteral("org.freedesktop.DBus.Properties");

}  // namespace

bool IsCall(const QDBusMessage& call, const char* member, const char* signature) {
    return call.member() == QLatin1String(member) && call.signature() == QLatin1String(signature);
}

bool DBusObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    RegisterDBusTypes();
    QDBusMessage answer;
    if (message.interface() == PROPERTIES_INTERFACE) {
        answer = AnswerProperties(message);
    } else if (message.interface() == interface_ || message.interface().isEmpty()) {
        answer = AnswerCall(message);
    }
    if (answer.type() == QDBusMessage::InvalidMessage) return false;
    connection.send(answer);
    return true;
}

QDBusMessage DBusObject::AnswerProperties(const QDBusMessage& call) const {
    if (IsCall(call, "GetAll", "s")) return call.createReply(QVariant(Properties()));
    if (!IsCall(call, "Get", "ss")) return {};
    const QString name = call.arguments().at(1).toString();
    const QVariantMap properties = Properties();
    if (!properties.contains(name)) return call.createErrorReply(QDBusError::UnknownProperty, name);
    return call.createReply(QVariant::fromValue(QDBusVariant(properties.value(name))));
}

}  // namespace platform::qt
