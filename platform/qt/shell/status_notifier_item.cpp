#include "platform/qt/shell/status_notifier_item.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>

#include "platform/qt/base/activation.h"
#include "platform/qt/shell/bus_bursts.h"
#include "platform/qt/shell/dbus_menu.h"
#include "platform/qt/shell/dbus_properties.h"
#include "platform/qt/shell/dbus_types.h"
#include "platform/qt/shell/tray_menu.h"
#include "statusnotifieritem_adaptor.h"  // generated from org.kde.StatusNotifierItem.xml

namespace platform::qt {

namespace {

constexpr QLatin1StringView WATCHER_SERVICE("org.kde.StatusNotifierWatcher");
constexpr QLatin1StringView WATCHER_PATH("/StatusNotifierWatcher");
// Where panels look for an item registered by its bus name alone: the
// process has one notification icon.
constexpr QLatin1StringView ITEM_PATH("/StatusNotifierItem");
constexpr QLatin1StringView MENU_PATH("/MenuBar");

// The sides panels draw an item at: 16 to 24 pixels at 100 %, 32 and 48
// on larger panels and scaled screens. A panel picks the nearest and
// scales it; a side the icon has no image of is made from the next larger
// image, scaled down.
constexpr int PANEL_SIDES[] = {16, 22, 24, 32, 48};

DBusIconImages ImagesOf(const QIcon& icon) {
    DBusIconImages images;
    if (icon.isNull()) return images;
    for (const int side : PANEL_SIDES) {
        const QSize size(side, side);
        QImage image = icon.pixmap(size, 1.0).toImage();
        if (image.size() != size) {
            image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        }
        images.append(ToDBusIconImage(image));
    }
    return images;
}

// Hides a menu shown as a window of its own once it is no longer active.
class MenuCloser : public QObject {
public:
    explicit MenuCloser(QWidget* menu) : QObject(menu), menu_(menu) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == menu_ && event->type() == QEvent::WindowDeactivate) menu_->hide();
        return false;
    }

private:
    QWidget* menu_;
};

}  // namespace

StatusNotifierItem::StatusNotifierItem(WindowHandle owner, std::function<void()> tap)
    : tap_(std::move(tap)), bus_(QStringLiteral("velorwind-unconnected")) {
    RegisterDBusTypes();
    menuObject_ = std::make_unique<DBusMenuObject>(owner);
    menu_ = CreateTrayMenu(owner);
    new StatusNotifierItemAdaptor(this);
    new DBusProperties(this);
    WatchForBursts(this);
    const QString name = QCoreApplication::applicationName();
    setProperty("Category", QStringLiteral("ApplicationStatus"));
    setProperty("Id", name.toLower());
    setProperty("Title", name);
    setProperty("Status", QStringLiteral("Active"));
    setProperty("WindowId", 0);
    setProperty("IconThemePath", QString());
    setProperty("Menu", QVariant::fromValue(QDBusObjectPath(QString(MENU_PATH))));
    setProperty("ItemIsMenu", false);
    for (const char* name :
         {"IconName", "OverlayIconName", "AttentionIconName", "AttentionMovieName"}) {
        setProperty(name, QString());
    }
    for (const char* name : {"IconPixmap", "OverlayIconPixmap", "AttentionIconPixmap"}) {
        setProperty(name, QVariant::fromValue(DBusIconImages()));
    }
    UpdateToolTip();
}

StatusNotifierItem::~StatusNotifierItem() {
    if (published_) {
        bus_.unregisterObject(QString(ITEM_PATH));
        bus_.unregisterObject(QString(MENU_PATH));
    }
}

bool StatusNotifierItem::Publish(const QDBusConnection& bus) {
    bus_ = bus;
    published_ = bus_.registerObject(QString(ITEM_PATH), this, QDBusConnection::ExportAdaptors);
    if (!published_) return false;
    if (!bus_.registerObject(QString(MENU_PATH), menuObject_.get(),
                             QDBusConnection::ExportAdaptors)) {
        bus_.unregisterObject(QString(ITEM_PATH));
        published_ = false;
        return false;
    }
    RegisterWithWatcher();
    return true;
}

void StatusNotifierItem::RegisterWithWatcher() {
    if (!published_) return;
    // By the bus name alone, as every panel understands.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString(WATCHER_SERVICE), QString(WATCHER_PATH), QString(WATCHER_SERVICE),
        QStringLiteral("RegisterStatusNotifierItem"));
    call << bus_.baseService();
    // No answer is awaited: the loop never blocks on the panel.
    bus_.send(call);
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
    images_ = ImagesOf(icon);
    setProperty("IconPixmap", QVariant::fromValue(images_));
    UpdateToolTip();
    emit NewIcon();
}

void StatusNotifierItem::SetToolTip(const QString& tip) {
    tip_ = tip;
    UpdateToolTip();
    emit NewToolTip();
}

void StatusNotifierItem::UpdateToolTip() {
    setProperty("ToolTip", QVariant::fromValue(DBusToolTip{QString(), images_, tip_, QString()}));
}

void StatusNotifierItem::Activate(int, int) { tap_(); }

void StatusNotifierItem::SecondaryActivate(int, int) {}

void StatusNotifierItem::Scroll(int, const QString&) {}

void StatusNotifierItem::ProvideXdgActivationToken(const QString& token) {
    AcceptActivationToken(token.toUtf8());
}

// For panels that ask the item to show its menu rather than drawing it
// from the exported one. A Wayland pop-up needs a recent input event on one
// of the program's own windows, and the click was on the panel: the menu is
// a window of its own there, placed by the compositor, closed when it loses
// the focus or an entry is chosen.
void StatusNotifierItem::ContextMenu(int x, int y) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        menu_->popup(QPoint(x, y));
        return;
    }
    if (!(menu_->windowFlags() & Qt::FramelessWindowHint)) {
        menu_->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        menu_->installEventFilter(new MenuCloser(menu_.get()));
        // Of one size, so that a tiling compositor floats it as it does a
        // dialog rather than giving it a tile.
        menu_->setFixedSize(menu_->sizeHint());
    }
    menu_->popup(QPoint(x, y));
    menu_->activateWindow();
}

}  // namespace platform::qt
