#!/usr/bin/python3
"""A StatusNotifierItem desktop for tests: the watcher and a host, and the
calls a panel makes on the items it shows.

    sni_desktop.py serve LOG          the watcher with a host, until killed;
                                      appends one line per event to LOG
    sni_desktop.py items              the registered items, one a line
    sni_desktop.py get ITEM PROPERTY  a property of an item, printed
    sni_desktop.py call ITEM METHOD [ARG...]
    sni_desktop.py menu ITEM          the item's menu entries, one label a line
    sni_desktop.py click ITEM LABEL   a click on the menu entry with that label
    sni_desktop.py burst ITEM KIND COUNT [SIZE]
                                      COUNT calls of KIND in a row, each
                                      flagged "no reply expected" (taps,
                                      properties, events, layout: see BURSTS),
                                      SIZE the entries of each one's list;
                                      prints the replies that came anyway

ITEM is what the item registered: a bus name, or bus name and object path
("name/path"). Everything talks to the session bus of the environment.
"""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
ITEM_INTERFACE = "org.kde.StatusNotifierItem"
MENU_INTERFACE = "com.canonical.dbusmenu"
PROPERTIES = "org.freedesktop.DBus.Properties"


INTROSPECTION = """<node>
 <interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
 </interface>
 <interface name="org.freedesktop.DBus.Properties">
  <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
  <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
 </interface>
 <interface name="org.freedesktop.DBus.Introspectable">
  <method name="Introspect"><arg type="s" direction="out"/></method>
 </interface>
</node>"""


class Watcher(dbus.service.Object):
    """Keeps the registered items and forgets those whose owner leaves."""

    def __init__(self, bus, log):
        self.bus = bus
        self.log = log
        self.items = []
        bus.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                "org.freedesktop.DBus", "org.freedesktop.DBus",
                                "/org/freedesktop/DBus")
        super().__init__(bus, WATCHER_PATH)

    def note(self, line):
        with open(self.log, "a") as log:
            log.write(line + "\n")

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # A path alone names an object of the caller.
        item = sender + service if service.startswith("/") else service
        if item not in self.items:
            self.items.append(item)
            self.note("registered " + item)
            self.StatusNotifierItemRegistered(item)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

    # Clients that read properties through introspection (Qt's QDBusInterface)
    # find them here.
    @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    def owner_changed(self, name, old, new):
        if new:
            return
        for item in [i for i in self.items if i.split("/")[0] in (name, old)]:
            self.items.remove(item)
            self.note("unregistered " + item)
            self.StatusNotifierItemUnregistered(item)


def serve(log):
    from gi.repository import GLib
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus, log)
    # The host's name goes first: an item that sees the watcher appear may
    # ask at once whether a host is there.
    host = dbus.service.BusName("org.kde.StatusNotifierHost-%d" % __import__("os").getpid(), bus)
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)
    watcher.StatusNotifierHostRegistered()
    watcher.note("serving")
    GLib.MainLoop().run()
    del host, name


def item_object(bus, item):
    name, _, path = item.partition("/")
    return bus.get_object(name, "/" + path if path else "/StatusNotifierItem")


def show(value):
    """Prints a D-Bus value plainly: strings as they are, structures by part,
    image data by its size."""
    if isinstance(value, (dbus.Array, dbus.ByteArray)) and getattr(value, "signature", "") == "y":
        return "<%d bytes>" % len(value)
    if isinstance(value, dbus.ByteArray):
        return "<%d bytes>" % len(value)
    if isinstance(value, (dbus.Struct, dbus.Array, list, tuple)):
        return " ".join(show(part) for part in value)
    return str(value)


def menu_entries(bus, item):
    obj = item_object(bus, item)
    menu_path = obj.Get(ITEM_INTERFACE, "Menu", dbus_interface=PROPERTIES)
    menu = bus.get_object(item.partition("/")[0], menu_path)
    menu.AboutToShow(dbus.Int32(0), dbus_interface=MENU_INTERFACE)
    _, layout = menu.GetLayout(dbus.Int32(0), dbus.Int32(-1), dbus.Array([], signature="s"),
                               dbus_interface=MENU_INTERFACE)
    entries = []
    for child in layout[2]:
        ident, props, _ = child
        if props.get("visible", True) and props.get("type", "standard") != "separator":
            entries.append((int(ident), str(props.get("label", "")), bool(props.get("enabled", True))))
    return menu, entries


def burst_message(item, kind, size):
    """One call of a burst, as a panel gone wrong (or a caller out to flood
    the item) would send it."""
    import dbus.lowlevel
    name, _, path = item.partition("/")
    item_path = "/" + path if path else "/StatusNotifierItem"
    if kind == "taps":
        message = dbus.lowlevel.MethodCallMessage(name, item_path, ITEM_INTERFACE, "Activate")
        message.append(dbus.Int32(0), dbus.Int32(0))
    elif kind == "properties":
        message = dbus.lowlevel.MethodCallMessage(name, item_path, PROPERTIES, "GetAll")
        message.append(ITEM_INTERFACE)
    elif kind == "unknown":
        message = dbus.lowlevel.MethodCallMessage(name, item_path, ITEM_INTERFACE, "Explode")
    elif kind == "events":
        message = dbus.lowlevel.MethodCallMessage(name, "/MenuBar", MENU_INTERFACE, "EventGroup")
        event = dbus.Struct((dbus.Int32(2), "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0)))
        message.append(dbus.Array([event] * size, signature="(isvu)"))
    elif kind == "layout":
        message = dbus.lowlevel.MethodCallMessage(name, "/MenuBar", MENU_INTERFACE, "GetLayout")
        message.append(dbus.Int32(0), dbus.Int32(-1), dbus.Array(["label"] * size, signature="s"))
    else:
        raise SystemExit("no burst of " + kind)
    message.set_no_reply(True)
    return message


BURSTS = ("taps", "properties", "unknown", "events", "layout")


def burst(bus, item, kind, count, size):
    """Sends the calls, then waits for a call of its own to be answered,
    which comes after every reply to the burst; counts the replies that
    came to calls that asked for none."""
    import dbus.lowlevel
    from gi.repository import GLib
    replies = [0]

    def count_replies(connection, message):
        if isinstance(message, (dbus.lowlevel.MethodReturnMessage, dbus.lowlevel.ErrorMessage)):
            replies[0] += 1
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED

    bus.add_message_filter(count_replies)
    for _ in range(count):
        bus.send_message(burst_message(item, kind, size))
    loop = GLib.MainLoop()
    item_object(bus, item).Get(ITEM_INTERFACE, "Title", dbus_interface=PROPERTIES,
                               reply_handler=lambda _: loop.quit(),
                               error_handler=lambda _: loop.quit(), timeout=120)
    loop.run()
    # The answer to that last call goes to its handler, not to the filter.
    return replies[0]


def main(argv):
    if len(argv) >= 3 and argv[1] == "serve":
        serve(argv[2])
        return 0
    if len(argv) in (5, 6) and argv[1] == "burst" and argv[3] in BURSTS:
        dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
        size = int(argv[5]) if len(argv) == 6 else 1
        print(burst(dbus.SessionBus(), argv[2], argv[3], int(argv[4]), size))
        return 0
    bus = dbus.SessionBus()
    if argv[1:] == ["items"]:
        watcher = bus.get_object(WATCHER, WATCHER_PATH)
        for item in watcher.Get(WATCHER, "RegisteredStatusNotifierItems", dbus_interface=PROPERTIES):
            print(item)
        return 0
    if len(argv) == 4 and argv[1] == "get":
        print(show(item_object(bus, argv[2]).Get(ITEM_INTERFACE, argv[3], dbus_interface=PROPERTIES)))
        return 0
    if len(argv) >= 4 and argv[1] == "call":
        args = [dbus.Int32(int(a)) if a.lstrip("-").isdigit() else a for a in argv[4:]]
        getattr(item_object(bus, argv[2]), argv[3])(*args, dbus_interface=ITEM_INTERFACE)
        return 0
    if len(argv) == 3 and argv[1] == "menu":
        for _, label, enabled in menu_entries(bus, argv[2])[1]:
            print(label if enabled else label + " (disabled)")
        return 0
    if len(argv) == 4 and argv[1] == "click":
        menu, entries = menu_entries(bus, argv[2])
        for ident, label, _ in entries:
            if label == argv[3]:
                menu.Event(dbus.Int32(ident), "clicked", dbus.String("", variant_level=1),
                           dbus.UInt32(0), dbus_interface=MENU_INTERFACE)
                return 0
        print("no entry " + argv[3], file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
