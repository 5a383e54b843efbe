#!/usr/bin/python3
"""A desktop's RemoteDesktop portal on the session bus, for the end-to-end tests: its dialog
answers 1.5 s after Start, refusing the first time, then granting a keyboard and a restore token
that grants again without a dialog. It types nothing.
Says {"ready": true}, then answers "keys" with {"keys": [[keysym, state], ...]} sent to a granted
session, and "end" (the user ends the granted session: its Closed signal) with {}."""

import sys

from gi.repository import Gio, GLib
from app_protocol import answer

PATH = "/org/freedesktop/portal/desktop"
INTERFACE = Gio.DBusNodeInfo.new_for_xml("""<node>
<interface name="org.freedesktop.portal.RemoteDesktop">
<method name="CreateSession"><arg type="a{sv}"/><arg type="o" direction="out"/></method>
<method name="SelectDevices"><arg type="o"/><arg type="a{sv}"/><arg type="o" direction="out"/>
</method>
<method name="Start"><arg type="o"/><arg type="s"/><arg type="a{sv}"/>
<arg type="o" direction="out"/></method>
<method name="NotifyKeyboardKeysym"><arg type="o"/><arg type="a{sv}"/><arg type="i"/>
<arg type="u"/></method>
<property name="version" type="u" access="read"/>
</interface></node>""").interfaces[0]

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
keys, granted, dialogs, restored = [], [], [], []


def path(kind, sender, token):
    return "%s/%s/%s/%s" % (PATH, kind, sender[1:].replace(".", "_"), token)


def on_call(_bus, sender, _path, _interface, method, args, invocation):
    if method == "NotifyKeyboardKeysym":
        if args[0] not in granted:
            return invocation.return_dbus_error("org.freedesktop.DBus.Error.AccessDenied", "no")
        keys.append([args[2], args[3]])
        return invocation.return_value(None)
    results = {}
    if method == "CreateSession":
        session = path("session", sender, args[0]["session_handle_token"])
        results = {"session_handle": GLib.Variant("s", session)}
    if method == "SelectDevices" and args[1].get("persist_mode") == 2:
        restored.extend([args[0]] if args[1].get("restore_token") == "kept" else [])
    dialog = method == "Start" and args[0] not in restored
    if method == "Start":
        dialogs.append(args[0])
        results = {"devices": GLib.Variant("u", 1), "restore_token": GLib.Variant("s", "kept")}
        results = results if len(dialogs) > 1 else None
        granted.extend([args[0]] if results else [])
    request = path("request", sender, args[-1]["handle_token"])
    answered = GLib.Variant("(ua{sv})", (0 if results is not None else 1, results or {}))
    GLib.timeout_add(1500 if dialog else 0, lambda: bus.emit_signal(
        None, request, "org.freedesktop.portal.Request", "Response", answered) and False)
    invocation.return_value(GLib.Variant("(o)", (request,)))


def on_command(channel, _condition):
    line = channel.readline().strip()
    if line == "keys":
        answer({"keys": keys})
    elif line == "end":
        for session in granted:
            bus.emit_signal(None, session, "org.freedesktop.portal.Session", "Closed",
                            GLib.Variant("(a{sv})", ({},)))
        granted.clear()
        answer({})
    else:
        sys.exit(0)
    return True


bus.register_object(PATH, INTERFACE, on_call, lambda *_: GLib.Variant("u", 2), None)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.portal.Desktop", 0,
                               lambda *_: answer({"ready": True}), None)
GLib.io_add_watch(GLib.IOChannel.unix_new(0), GLib.IO_IN | GLib.IO_HUP, on_command)
GLib.MainLoop().run()
