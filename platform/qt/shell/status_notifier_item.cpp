#include "platform/qt/shell/status_notifier_item.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>

#include <set>

#include "platform/qt/base/activation.h"
#include "platform/qt/shell/dbus_menu.h"
#include "platform/qt/shell/dbus_types.h"
#include "platform/qt/shell/tray_menu.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

const QString ITEM_INTERFACE = QStringLiteral("org.kde.StatusNotifierItem");
const QString WATCHER_SERVICE = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WATCHER_PATH = QStringLiteral("/StatusNotifierWatcher");
// Where panels look for an item registered by its bus name alone.
const QString FIRST_ITEM_PATH = QStringLiteral("/StatusNotifierItem");
const QString FIRST_MENU_PATH = QStringLiteral("/MenuBar");

constexpr std::intptr_t WM_RBUTTONDOWN = 0x0204;
constexpr std::intptr_t WM_MBUTTONDOWN = 0x0207;

const char* const INTROSPECTION = R"xml(<interface name="org.kde.StatusNotifierItem">
  <property name="Category" type="s" access="read"/>
  <property name="Id" type="s" access="read"/>
  <property name="Title" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="WindowId" type="i" access="read"/>
  <property name="IconThemePath" type="s" access="read"/>
  <property name="Menu" type="o" access="read"/>
  <property name="ItemIsMenu" type="b" access="read"/>
  <property name="IconName" type="s" access="read"/>
  <property name="IconPixmap" type="a(iiay)" access="read"/>
  <property name="OverlayIconName" type="s" access="read"/>
  <property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionIconName" type="s" access="read"/>
  <property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
  <property name="AttentionMovieName" type="s" access="read"/>
  <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
  <method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
  <method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
  <method name="ProvideXdgActivationToken"><arg name="token" type="s" direction="in"/></method>
  <signal name="NewTitle"/>
  <signal name="NewIcon"/>
  <signal name="NewAttentionIcon"/>
  <signal name="NewOverlayIcon"/>
  <signal name="NewToolTip"/>
  <signal name="NewStatus"><arg name="status" type="s"/></signal>
 </interface>
)xml";

// Each item of the process gets paths of its own; the first gets the
// well-known ones.
std::set<int>& NumbersInUse() {
    static std::set<int> numbers;
    return numbers;
}

int TakeNumber() {
    int number = 0;
    while (NumbersInUse().count(number) != 0) ++number;
    NumbersInUse().insert(number);
    return number;
}

int NumberOf(const QString& path) {
    return path == FIRST_ITEM_PATH ? 0 : path.section(QLatin1Char('/'), -1).toInt();
}

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

StatusNotifierItem::StatusNotifierItem(WindowHandle owner, std::function<void(std::intptr_t)> tap)
    : DBusObject(ITEM_INTERFACE), owner_(owner), tap_(std::move(tap)), bus_(QStringLiteral("velorwind-unconnected")) {
    const int number = TakeNumber();
    path_ = number == 0 ? FIRST_ITEM_PATH : FIRST_ITEM_PATH + QLatin1Char('/') + QString::number(number);
    menuPath_ = number == 0 ? FIRST_MENU_PATH : FIRST_MENU_PATH + QLatin1Char('/') + QString::number(number);
    menuObject_ = std::make_unique<DBusMenuObject>(owner);
    menu_ = CreateTrayMenu(owner);
}

StatusNotifierItem::~StatusNotifierItem() {
    if (published_) {
        bus_.unregisterObject(path_);
        bus_.unregisterObject(menuPath_);
    }
    NumbersInUse().erase(NumberOf(path_));
}

bool StatusNotifierItem::Publish(const QDBusConnection& bus) {
    RegisterDBusTypes();
    bus_ = bus;
    published_ = bus_.registerVirtualObject(path_, this, QDBusConnection::SingleNode);
    if (!published_) return false;
    if (!bus_.registerVirtualObject(menuPath_, menuObject_.get(), QDBusConnection::SingleNode)) {
        bus_.unregisterObject(path_);
        published_ = false;
        return false;
    }
    RegisterWithWatcher();
    return true;
}

void StatusNotifierItem::RegisterWithWatcher() {
    if (!published_) return;
    // The first item by the bus name alone, as every panel understands;
    // further ones by their path, which panels read as the caller's.
    const QString service = path_ == FIRST_ITEM_PATH ? bus_.baseService() : path_;
    QDBusMessage call = QDBusMessage::createMethodCall(WATCHER_SERVICE, WATCHER_PATH, WATCHER_SERVICE,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << service;
    // No answer is awaited: the loop never blocks on the panel.
    bus_.send(call);
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
    icon_ = icon;
    Announce("NewIcon");
}

void StatusNotifierItem::SetToolTip(const QString& tip) {
    tip_ = tip;
    Announce("NewToolTip");
}

void StatusNotifierItem::Announce(const char* signal) const {
    if (!published_) return;
    bus_.send(QDBusMessage::createSignal(path_, ITEM_INTERFACE, QLatin1String(signal)));
}

QVariantMap StatusNotifierItem::Properties() const {
    const QString name = QCoreApplication::applicationName();
    const DBusIconImages images = ImagesOf(icon_);
    return {
        {QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
        {QStringLiteral("Id"), name.toLower()},
        {QStringLiteral("Title"), name},
        {QStringLiteral("Status"), QStringLiteral("Active")},
        {QStringLiteral("WindowId"), 0},
        {QStringLiteral("IconThemePath"), QString()},
        {QStringLiteral("Menu"), QVariant::fromValue(QDBusObjectPath(menuPath_))},
        {QStringLiteral("ItemIsMenu"), false},
        {QStringLiteral("IconName"), QString()},
        {QStringLiteral("IconPixmap"), QVariant::fromValue(images)},
        {QStringLiteral("OverlayIconName"), QString()},
        {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(DBusIconImages())},
        {QStringLiteral("AttentionIconName"), QString()},
        {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(DBusIconImages())},
        {QStringLiteral("AttentionMovieName"), QString()},
        {QStringLiteral("ToolTip"), QVariant::fromValue(DBusToolTip{QString(), images, tip_, QString()})},
    };
}

QString StatusNotifierItem::introspect(const QString&) const { return QString::fromLatin1(INTROSPECTION); }

QDBusMessage StatusNotifierItem::AnswerCall(const QDBusMessage& call) {
    const QList<QVariant> args = call.arguments();
    if (IsCall(call, "Activate", "ii")) {
        tap_(WM_LBUTTONDOWN);
    } else if (IsCall(call, "SecondaryActivate", "ii")) {
        tap_(WM_MBUTTONDOWN);
    } else if (IsCall(call, "ContextMenu", "ii")) {
        tap_(WM_RBUTTONDOWN);
        ShowContextMenu(args[0].toInt(), args[1].toInt());
    } else if (IsCall(call, "ProvideXdgActivationToken", "s")) {
        AcceptActivationToken(args[0].toString().toUtf8());
    } else if (!IsCall(call, "Scroll", "is")) {
        return {};
    }
    return call.createReply();
}

// For panels that ask the item to show its menu rather than drawing it
// from the exported one. A Wayland pop-up needs a recent input event on one
// of the program's own windows, and the click was on the panel: the menu is
// a window of its own there, placed by the compositor, closed when it loses
// the focus or an entry is chosen.
void StatusNotifierItem::ShowContextMenu(int x, int y) {
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
