"""A stand-in UDisks2 service for the sandbox's private system bus: one USB stick that Plug and Unplug bring and take away.

Usage: /usr/bin/python3 fake_udisks2.py STICK_DIR DEVICE_NODE

Wine's mount manager asks UDisks2 for its objects when it starts and then follows InterfacesAdded and
InterfacesRemoved. A vfat Block+Filesystem object with a mount point makes it give the mount point a
drive letter and broadcast the volume-arrival notice to every top-level window; its removal gives the
removal notice. That is the same path a real stick takes, so the program under test sees real notices.

The sandbox drives the stick through methods of its own on the same bus name, object /vkr/sandbox/stick,
interface vkr.sandbox.Stick: Plug() and Unplug() return whether anything changed, State() says
"plugged" or "unplugged", Followed() whether a mount manager that still runs has asked for the
objects. Run with Debian's /usr/bin/python3: it needs python3-dbus and python3-gi.
"""
import os
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

BUS_NAME = "org.freedesktop.UDisks2"
ROOT = "/org/freedesktop/UDisks2"
DRIVE = ROOT + "/drives/VKR_Sandbox_Stick_0001"
BLOCK = ROOT + "/block_devices/vkrstick1"
OBJECT_MANAGER = "org.freedesktop.DBus.ObjectManager"
PROPERTIES = "org.freedesktop.DBus.Properties"
CONTROL = "vkr.sandbox.Stick"
SIZE = 4 * 1024 ** 3


def c_bytes(text):
    """UDisks2 passes paths as NUL-terminated byte arrays; Wine reads them as C strings."""
    return dbus.ByteArray(os.fsencode(text) + b"\0")


def interfaces(stick_dir, device_node):
    """The properties of the stick's two objects, as GetManagedObjects and InterfacesAdded carry them."""
    drive = {
        "org.freedesktop.UDisks2.Drive": {
            "Vendor": "VKR", "Model": "Sandbox Stick", "Serial": "0001",
            "Id": "VKR-Sandbox-Stick-0001", "ConnectionBus": "usb",
            "Removable": True, "MediaRemovable": True, "MediaAvailable": True, "Ejectable": True,
            "Media": "thumb", "MediaCompatibility": dbus.Array(["thumb"], signature="s"),
            "Size": dbus.UInt64(SIZE),
        },
    }
    block = {
        "org.freedesktop.UDisks2.Block": {
            "Device": c_bytes(device_node), "PreferredDevice": c_bytes(device_node),
            "Drive": dbus.ObjectPath(DRIVE), "Size": dbus.UInt64(SIZE), "ReadOnly": False,
            "IdUsage": "filesystem", "IdType": "vfat", "IdVersion": "FAT32",
            "IdLabel": "VKR", "IdUUID": "1A2B-3C4D",
            "HintSystem": False, "HintIgnore": False, "HintAuto": True,
        },
        "org.freedesktop.UDisks2.Filesystem": {
            "MountPoints": dbus.Array([c_bytes(stick_dir)], signature="ay"),
        },
    }
    return {DRIVE: drive, BLOCK: block}


def as_dbus(props):
    return dbus.Dictionary({i: dbus.Dictionary(p, signature="sv") for i, p in props.items()}, signature="sa{sv}")


class Device(dbus.service.Object):
    """A drive or block object: only properties, which Wine may also read one by one."""

    def __init__(self, bus, path, props):
        super().__init__(bus, path)
        self.props = props

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return dbus.Dictionary(self.props.get(interface, {}), signature="sv")

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        try:
            return self.props[interface][name]
        except KeyError:
            raise dbus.exceptions.DBusException("no property %s.%s" % (interface, name),
                                                name="org.freedesktop.DBus.Error.InvalidArgs")


class Manager(dbus.service.Object):
    def __init__(self, bus, stick_dir, device_node):
        super().__init__(bus, ROOT)
        self.bus = bus
        self.objects = interfaces(stick_dir, device_node)
        self.exported = {}
        self.askers = set()

    def followed(self):
        """Whether a client that asked for the objects is still on the bus."""
        self.askers = {a for a in self.askers if self.bus.name_has_owner(a)}
        return bool(self.askers)

    # Wine's mount manager asks for the objects once it follows the signals: its connection is
    # kept, so that Followed() can say whether a mount manager that still runs has asked.
    @dbus.service.method(OBJECT_MANAGER, out_signature="a{oa{sa{sv}}}", sender_keyword="sender")
    def GetManagedObjects(self, sender=None):
        if sender:
            self.askers.add(sender)
        return dbus.Dictionary({dbus.ObjectPath(p): as_dbus(self.objects[p]) for p in self.exported},
                               signature="oa{sa{sv}}")

    @dbus.service.signal(OBJECT_MANAGER, signature="oa{sa{sv}}")
    def InterfacesAdded(self, path, props):
        pass

    @dbus.service.signal(OBJECT_MANAGER, signature="oas")
    def InterfacesRemoved(self, path, names):
        pass

    # The drive comes before its block device and goes after it, as with a real stick, so that
    # the block object never names a drive that is not there.
    def plug(self):
        if self.exported:
            return False
        for path in (DRIVE, BLOCK):
            self.exported[path] = Device(self.bus, path, self.objects[path])
            self.InterfacesAdded(dbus.ObjectPath(path), as_dbus(self.objects[path]))
        return True

    def unplug(self):
        if not self.exported:
            return False
        for path in (BLOCK, DRIVE):
            self.exported.pop(path).remove_from_connection()
            self.InterfacesRemoved(dbus.ObjectPath(path), dbus.Array(self.objects[path].keys(), signature="s"))
        return True


class Control(dbus.service.Object):
    def __init__(self, bus, manager):
        super().__init__(bus, "/vkr/sandbox/stick")
        self.manager = manager

    @dbus.service.method(CONTROL, out_signature="b")
    def Plug(self):
        return self.manager.plug()

    @dbus.service.method(CONTROL, out_signature="b")
    def Unplug(self):
        return self.manager.unplug()

    # Wine's session services end with the last program of a session and start again with the
    # next; a stick plugged before the new mount manager follows the bus brings no notice.
    @dbus.service.method(CONTROL, out_signature="b")
    def Followed(self):
        return self.manager.followed()

    @dbus.service.method(CONTROL, out_signature="s")
    def State(self):
        return "plugged" if self.manager.exported else "unplugged"


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: fake_udisks2.py STICK_DIR DEVICE_NODE")
    stick_dir, device_node = (os.path.abspath(a) for a in sys.argv[1:])
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SystemBus()  # DBUS_SYSTEM_BUS_ADDRESS points it at the sandbox's own bus
    manager = Manager(bus, stick_dir, device_node)
    Control(bus, manager)
    # The name last: whoever sees it owned finds every object already in place.
    name = dbus.service.BusName(BUS_NAME, bus, do_not_queue=True)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, 15, loop.quit)  # SIGTERM: leave quietly
    loop.run()
    del name


if __name__ == "__main__":
    main()
