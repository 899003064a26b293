#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Sonavel as a screen reader has it: the accessibility bus on the run's session
# bus, the real program on a virtual display with a song on its command line.
import os, subprocess, sys, time
from urllib.parse import unquote
import pyatspi
from gi.repository import Gio, GLib

program, audio = sys.argv[1:3]
if not os.environ.get('DBUS_SESSION_BUS_ADDRESS'):
    sys.exit(77)  # skipped: nothing of ours may start a bus
def wait(what, done=lambda: False, timeout=10):  # what=None: only lets events in for `timeout`
    end = time.monotonic() + timeout
    while not done() and time.monotonic() < end:
        GLib.MainContext.default().iteration(False) or time.sleep(0.02)
    assert what is None or done(), what
run = lambda *command: subprocess.run(command, capture_output=True, text=True).stdout.strip()
mpris = lambda *command: run('playerctl', '-p', 'sonavel', *command)
cover = lambda: unquote(mpris('metadata', 'mpris:artUrl').replace('file://', ''))
call = lambda *message: Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(*message, None, 0, 5000).unpack()
def shown(node, depth=0):  # what a user sees, printed as role, name, description, actions
    node.actions = [node.queryAction().getName(i) for i in range(node.queryAction().nActions)] if 'Action' in pyatspi.listInterfaces(node) else []
    print('  ' * depth, node.getRoleName(), repr(node.name), repr(node.description), node.actions)
    return sum((shown(c, depth + 1) for c in node if c.getState().contains(pyatspi.STATE_SHOWING)), [node])
press = lambda node, action='Press': node.queryAction().doAction(node.actions.index(action))

started = [subprocess.Popen(['Xvfb', '-displayfd', '1', '-screen', '0', '640x480x24', '-nolisten', 'tcp', '-noreset'], stdout=subprocess.PIPE, text=True)]
try:
    os.environ.update(DISPLAY=':' + started[0].stdout.readline().strip(), QT_QPA_PLATFORM='xcb', QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
    started.append(subprocess.Popen(['/usr/libexec/at-spi-bus-launcher', '--launch-immediately']))
    wait('the accessibility bus', lambda: call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
                                               'NameHasOwner', GLib.Variant('(s)', ('org.a11y.Bus',)))[0])
    started.append(subprocess.Popen([program, audio + '/cover.mp3']))
    everything = lambda: [n for a in pyatspi.Registry.getDesktop(0) if a and a.name == 'sonavel' for n in shown(a)]
    names = lambda: {n.name for n in everything()}
    wait('the track labels', lambda: {'Titre: Chanson illustrée', "Album: Album d'essai", "Artiste: Groupe d'essai"} <= names(), 30)
    nodes = {(n.getRoleName(), n.name): n for n in everything()}
    play, mute, progress = nodes['push button', 'Mettre en pause'], nodes['push button', 'Couper le son'], nodes['slider', 'Progression de la musique']
    signature = lambda *images: run('identify', '-format', '%# ', *images).split()
    assert signature(art := cover(), audio + '/cover.png') == 2 * signature(audio + '/cover.png') and mpris('metadata', 'xesam:artist') == "Interprète d'essai", art
    assert play.description == 'Mettre en pause', play.description  # the button's description follows its name

    press(play)
    wait('paused, and the button saying so', lambda: mpris('status') == 'Paused' and play.name == play.description == 'Lancer la musique')
    renamed = []  # by a mute: the button's name and the status bar's message, each once
    pyatspi.Registry.registerEventListener(lambda e: renamed.append(e.source.getRoleName()), 'object:property-change:accessible-name')
    press(mute)
    wait(None, timeout=1)
    assert mute.name == 'Activer le son' and mpris('volume') == '0.000000' and sorted(r for r in renamed if r != 'label') == ['push button', 'status bar'], renamed
    nodes['slider', 'Volume'].queryValue().currentValue = 40
    wait('the volume set', lambda: mpris('volume') == '0.400000' and mute.name == 'Couper le son')

    call('org.mpris.MediaPlayer2.sonavel', '/org/mpris/MediaPlayer2', 'org.mpris.MediaPlayer2', 'Raise', None)  # as a task bar does
    progress.queryComponent().grabFocus()  # then seeks from the keyboard (the track: 100 s) and a screen reader's step
    wait('the focus on the progress slider', lambda: progress.getState().contains(pyatspi.STATE_FOCUSED))
    key = lambda keysym: lambda: pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
    for name, do, seconds in [('End', key(0xff57), 100), ('Page Down', key(0xff56), 90), ('Left', key(0xff51), 85),
                              ('Home', key(0xff50), 0), ('Increase', lambda: press(progress, 'Increase'), 5)]:
        do()
        wait(f'{name} to {seconds} s', lambda: abs(float(mpris('position') or -9) - seconds) < 0.5)

    for song, labels in [('tagged.mp3', "Titre: Chanson d'essai"), ('cover.mp3', 'Titre: Chanson illustrée')]:
        mpris('open', f'{audio}/{song}')  # the cover's file goes with its track; a file played from here shows its tags
        wait(f'{song}: its tags, its cover alone', lambda: labels in names() and not os.path.exists(art) and (song == 'cover.mp3') == bool(cover()))
    art = cover()
    started[2].terminate()  # as the session ends
    assert started[2].wait(10) == 0 and not os.path.exists(art), art
finally:
    for process in reversed(started):
        process.terminate(), process.wait()
