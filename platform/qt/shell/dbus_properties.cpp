#include "platform/qt/shell/dbus_properties.h"

#include <QDBusMessage>
#include <QMetaProperty>

#include <vector>

namespace platform::qt {

namespace {

QString InterfaceOf(const QDBusAbstractAdaptor* adaptor) {
    const QMetaObject* meta = adaptor->metaObject();
    return QString::fromLatin1(meta->classInfo(meta->indexOfClassInfo("D-Bus Interface")).value());
}

// The adaptors of `object` that serve `interface`, every one but the
// properties' own for an empty name.
std::vector<const QDBusAbstractAdaptor*> AdaptorsOf(const QObject* object,
                                                    const QString& interface) {
    std::vector<const QDBusAbstractAdaptor*> found;
    for (const QDBusAbstractAdaptor* adaptor :
         object->findChildren<QDBusAbstractAdaptor*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<const DBusProperties*>(adaptor) != nullptr) continue;
        if (interface.isEmpty() || InterfaceOf(adaptor) == interface) found.push_back(adaptor);
    }
    return found;
}

// The properties an adaptor declares, not those of its base classes.
template <typename Visit>
void ForEachProperty(const QDBusAbstractAdaptor* adaptor, Visit visit) {
    const QMetaObject* meta = adaptor->metaObject();
    for (int index = meta->propertyOffset(); index < meta->propertyCount(); ++index) {
        if (visit(meta->property(index))) return;
    }
}

}  // namespace

DBusProperties::DBusProperties(QObject* object) : QDBusAbstractAdaptor(object) {}

QDBusVariant DBusProperties::Get(const QString& interface, const QString& name) {
    const auto adaptors = AdaptorsOf(parent(), interface);
    if (adaptors.empty()) {
        Refuse(QDBusError::UnknownInterface, interface);
        return {};
    }
    for (const QDBusAbstractAdaptor* adaptor : adaptors) {
        QVariant value;
        ForEachProperty(adaptor, [&](const QMetaProperty& property) {
            if (QLatin1String(property.name()) != name) return false;
            value = property.read(adaptor);
            return true;
        });
        if (value.isValid()) return QDBusVariant(value);
    }
    Refuse(QDBusError::UnknownProperty, name);
    return {};
}

QVariantMap DBusProperties::GetAll(const QString& interface) {
    const auto adaptors = AdaptorsOf(parent(), interface);
    if (adaptors.empty()) {
        Refuse(QDBusError::UnknownInterface, interface);
        return {};
    }
    QVariantMap all;
    for (const QDBusAbstractAdaptor* adaptor : adaptors) {
        ForEachProperty(adaptor, [&](const QMetaProperty& property) {
            all.insert(QString::fromLatin1(property.name()), property.read(adaptor));
            return false;
        });
    }
    return all;
}

// Every property the objects show is read-only.
void DBusProperties::Set(const QString& interface, const QString& name, const QDBusVariant&) {
    const auto adaptors = AdaptorsOf(parent(), interface);
    if (adaptors.empty()) {
        Refuse(QDBusError::UnknownInterface, interface);
        return;
    }
    bool known = false;
    for (const QDBusAbstractAdaptor* adaptor : adaptors) {
        ForEachProperty(adaptor, [&](const QMetaProperty& property) {
            known = known || QLatin1String(property.name()) == name;
            return known;
        });
    }
    Refuse(known ? QDBusError::PropertyReadOnly : QDBusError::UnknownProperty, name);
}

void DBusProperties::Refuse(QDBusError::ErrorType error, const QString& text) const {
    const auto* call = static_cast<const QDBusContext*>(parent()->qt_metacast("QDBusContext"));
    if (call != nullptr) RefuseCall(*call, error, text);
}

void RefuseCall(const QDBusContext& call, QDBusError::ErrorType error, const QString& text) {
    if (!call.calledFromDBus()) return;
    if (call.message().isReplyRequired()) {
        call.sendErrorReply(error, text);
    } else {
        call.setDelayedReply(true);
    }
}

}  // namespace platform::qt
