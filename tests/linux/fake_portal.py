#!/usr/bin/python3
"""A desktop's RemoteDesktop portal on the session bus, for the end-to-end tests.

Its dialog answers 1.5 s after Start, as a user would: the first time refused, then
granted (a keyboard and a restore token). It types nothing: the keys it is sent are kept.
Says {"ready": true} once it owns the portal's name; then answers, one line each:
  keys    {"keys": [[keysym, state], ...]} sent to a granted session so far
  end     ends the granted session as the user would (its Closed signal), {}
"""

import sys

from gi.repository import Gio, GLib
from app_protocol import answer

SERVICE = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
INTERFACES = Gio.DBusNodeInfo.new_for_xml("""<node>
<interface name="org.freedesktop.portal.RemoteDesktop">
  <method name="CreateSession"><arg type="a{sv}" direction="in"/>
    <arg type="o" direction="out"/></method>
  <method name="SelectDevices"><arg type="o" direction="in"/><arg type="a{sv}" direction="in"/>
    <arg type="o" direction="out"/></method>
  <method name="Start"><arg type="o" direction="in"/><arg type="s" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/></method>
  <method name="NotifyKeyboardKeysym"><arg type="o" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
    <arg type="u" direction="in"/></method>
  <property name="version" type="u" access="read"/>
</interface></node>""").interfaces

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
keys = []
granted = []
dialogs = [0]


def reply_later(sender, token, results, delay=0):
    path = "%s/request/%s/%s" % (PATH, sender[1:].replace(".", "_"), token)

    def respond():
        code = 0 if results is not None else 1
        bus.emit_signal(None, path, "org.freedesktop.portal.Request", "Response",
                        GLib.Variant("(ua{sv})", (code, results or {})))
        return False

    GLib.timeout_add(delay, respond)
    return GLib.Variant("(o)", (path,))


def on_call(_bus, sender, _path, _interface, method, args, invocation):
    options = args[-1] if method != "NotifyKeyboardKeysym" else args[1]
    token = options.get("handle_token", "t")
    if method == "CreateSession":
        session = "%s/session/%s/%s" % (PATH, sender[1:].replace(".", "_"),
                                        options["session_handle_token"])
        invocation.return_value(reply_later(sender, token, {
            "session_handle": GLib.Variant("s", session)}))
    elif method == "SelectDevices":
        invocation.return_value(reply_later(sender, token, {}))
    elif method == "Start":
        dialogs[0] += 1
        grant = dialogs[0] > 1
        if grant:
            granted.append(args[0])
        invocation.return_value(reply_later(sender, token, {
            "devices": GLib.Variant("u", 1),
            "restore_token": GLib.Variant("s", "restore")} if grant else None, 1500))
    elif args[0] in granted:
        keys.append([args[2], args[3]])
        invocation.return_value(None)
    else:
        invocation.return_dbus_error("org.freedesktop.DBus.Error.AccessDenied", "no session")


def on_command(channel, _condition):
    line = channel.readline().strip()
    if not line:
        sys.exit(0)
    if line == "keys":
        answer({"keys": keys})
    elif line == "end":
        for session in granted:
            bus.emit_signal(None, session, "org.freedesktop.portal.Session", "Closed",
                            GLib.Variant("(a{sv})", ({},)))
        granted.clear()
        answer({})
    return True


bus.register_object(PATH, INTERFACES[0], on_call, lambda *_: GLib.Variant("u", 2), None)
Gio.bus_own_name_on_connection(bus, SERVICE, Gio.BusNameOwnerFlags.NONE,
                               lambda *_: answer({"ready": True}), None)
GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.IO_IN | GLib.IO_HUP, on_command)
GLib.MainLoop().run()
