#!/usr/bin/python3
"""Walks the wizard over the accessibility bus as a screen reader does and reads
the write progress at least once a second during a burn. After each page change
the keyboard must not be on the title band's Minimize or Close button.

Starts its own X server (Xvfb) and session bus, so it needs neither a desktop
nor the user's buses. Usage: a11y_burn_check.py KORVANEL [--seconds S] [--limit-ms MS]
Exit status 0 when every read came back in time, 1 otherwise, 77 when the
accessibility stack is not installed (ctest reports it as skipped).

It holds however it is started (ctest, a terminal, a pipe, setsid, standard
streams closed) and whatever the environment leaves open or set:
- The X server never resets (-noreset). By default it resets when its last
  client leaves, and a connection made meanwhile is dropped; the first client
  (the accessibility library reading the root window) leaves just before the
  program connects, so the program often failed with "could not connect to
  display".
- The X server listens only on its abstract socket, takes the first free
  display number itself (-displayfd) and admits only the holders of a cookie
  made for this run; the display it reported is checked to accept that cookie
  before anything else starts. Other X servers, their lock files and sockets in
  /tmp/.X11-unix, DISPLAY and XAUTHORITY do not matter.
- The programs get an environment of their own: nothing of the user's session
  (display, Wayland, buses, accessibility bus, Qt, locale, XDG folders) is
  passed on, and the program speaks English.
- The walk runs in a child interpreter, so that a failure of the accessibility
  library (which aborts the process) is reported and cleaned up like any other.
- Every wait has a limit; every started process gets a process group of its
  own, is ended with everything it started, and dies with the check even when
  the check is killed (parent-death signal). Output is line-buffered and every
  failure says why."""
import argparse
import ctypes
import importlib.util
import json
import os
import secrets
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

SKIP = 77
SYSTEM_PYTHON = "/usr/bin/python3"


def say(text):
    """Prints one line at once, whatever stdout is (a pipe, a file, closed)."""
    try:
        print(text, flush=True)
    except (OSError, ValueError):
        pass


# ---------------------------------------------------------------------------
# The walk itself (runs in a child interpreter started by the check)

def clean_name(accessible):
    return (accessible.name or "").replace("&", "")


def find(root, predicate, depth=0):
    if root is None or depth > 30:
        return None
    try:
        if predicate(root):
            return root
        for i in range(root.childCount):
            hit = find(root.getChildAtIndex(i), predicate, depth + 1)
            if hit is not None:
                return hit
    except Exception:  # a widget that went away while we looked
        return None
    return None


def wait_for(what, timeout, probe):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = probe()
        if found is not None:
            return found
        time.sleep(0.1)
    raise RuntimeError("timed out waiting for " + what)


def walk(args):
    try:
        import pyatspi  # reads the display and bus addresses of its environment
    except ImportError:
        say("skipped: python3-pyatspi is not installed")
        return SKIP
    try:
        desktop = pyatspi.Registry.getDesktop(0)

        def application():
            for i in range(desktop.childCount):
                app = desktop.getChildAtIndex(i)
                if app is not None and (app.name or "").lower().startswith("korvanel"):
                    return app
            return None

        app = wait_for("the program on the accessibility bus", 60, application)

        def button(name):
            return find(app, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and clean_name(a).startswith(name)
                        and a.getState().contains(pyatspi.STATE_SHOWING)
                        and a.getState().contains(pyatspi.STATE_ENABLED))

        def press(name):
            wait_for("an enabled " + name + " button", 30, lambda: button(name)).queryAction().doAction(0)

        def title_button_focused():
            return find(app, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON
                        and clean_name(a) in ("Minimize", "Close") and a.getState().contains(pyatspi.STATE_FOCUSED))

        # Welcome, transport, device, image (named on the command line), mode, options, summary.
        for step in range(7):
            press("Next")
            if step < 6:
                time.sleep(0.8)
                # Space there minimised the window of a user who took it for the page.
                on_title = title_button_focused()
                if on_title is not None:
                    raise RuntimeError("the keyboard is on the title band's %s button after Next %d"
                                       % (clean_name(on_title), step + 1))
        burn_started = time.monotonic()

        # As a screen reader: find the progress among the burning page's
        # controls, then read it four times a second until the burn ends.
        bar = wait_for("the write progress", 30, lambda: find(
            app, lambda a: a.getRole() == pyatspi.ROLE_PROGRESS_BAR and clean_name(a) == "Write progress"))
        value = bar.queryValue()
        maximum = value.maximumValue
        reads = []  # (when, value, answer ms)
        while time.monotonic() - burn_started < args.seconds * 4 + 20:
            asked = time.monotonic()
            current = value.currentValue
            reads.append((asked, current, (time.monotonic() - asked) * 1000.0))
            if current >= maximum:
                break
            time.sleep(max(0.0, 0.25 - (time.monotonic() - asked)))
    except RuntimeError as e:
        say("failed: %s" % e)
        return 1
    during = [r for r in reads if r[1] < maximum]
    first = reads[0][0] - burn_started
    longest = max(r[2] for r in reads)
    gaps = [b[0] - a[0] for a, b in zip(reads, reads[1:])]
    widest = max(gaps) if gaps else 0.0
    say("first read %.1f s into the burn; %d reads during the burn; widest gap between reads %.0f ms; "
        "longest answer %.0f ms" % (first, len(during), widest * 1000.0, longest))
    failures = []
    if reads[-1][1] < maximum:
        failures.append("the burn did not reach its end")
    if first > 1.0:
        failures.append("the progress could not be reached within 1 s of the burn's start")
    if len(during) < args.seconds / 2:
        failures.append("too few reads while the burn ran")
    if widest > 1.0 or longest > args.limit_ms:
        failures.append("a read took longer than %.0f ms" % args.limit_ms)
    for failure in failures:
        say("failed: " + failure)
    return 1 if failures else 0


# ---------------------------------------------------------------------------
# The check: a private X server, session bus and environment around the walk

class Interrupted(Exception):
    pass


def on_signal(number, frame):
    raise Interrupted(signal.Signals(number).name)


def steady_process():
    """Standard streams open (a closed one is /dev/null, so that no pipe of ours
    lands on 0-2), stdout line-buffered, no signal blocked, inherited ignored
    dispositions that the children would keep set back, and a stop by signal
    that cleans up."""
    for fd in (0, 1, 2):
        try:
            os.fstat(fd)
        except OSError:
            null = os.open(os.devnull, os.O_RDWR)
            if null != fd:
                os.dup2(null, fd)
                os.close(null)
    if sys.stdout is None:
        sys.stdout = open(1, "w", closefd=False)
    try:
        sys.stdout.reconfigure(line_buffering=True)
    except (AttributeError, ValueError):
        pass
    signal.pthread_sigmask(signal.SIG_SETMASK, [])
    # What our children start and leave behind comes to us, not to init, so
    # that nothing of the run outlives it.
    _libc.prctl(PR_SET_CHILD_SUBREAPER, 1)
    for number in (signal.SIGCHLD, signal.SIGUSR1, signal.SIGUSR2, signal.SIGALRM, signal.SIGQUIT):
        signal.signal(number, signal.SIG_DFL)
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        if number == signal.SIGHUP and signal.getsignal(number) == signal.SIG_IGN:
            continue  # started under nohup: stay so
        signal.signal(number, on_signal)


_libc = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1
PR_SET_CHILD_SUBREAPER = 36


def dies_with(parent):
    """Runs in the child before exec: it is killed when the check ends, even by SIGKILL."""
    def setup():
        _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
        if os.getppid() != parent:
            os._exit(127)
    return setup


def spawn(argv, env, output, pass_fds=()):
    """A child in a session (and process group) of its own, stdin from /dev/null."""
    return subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT,
                            pass_fds=pass_fds, start_new_session=True, preexec_fn=dies_with(os.getpid()))


def read_line(fd, what, process, timeout):
    """The first line written to fd, or a RuntimeError after timeout seconds or when the writer ends."""
    deadline = time.monotonic() + timeout
    data = b""
    while b"\n" not in data:
        left = deadline - time.monotonic()
        if left <= 0:
            raise RuntimeError("%s did not report within %.0f s" % (what, timeout))
        ready, _, _ = select.select([fd], [], [], min(left, 0.5))
        if ready:
            chunk = os.read(fd, 4096)
            if not chunk:
                break
            data += chunk
    line = data.split(b"\n")[0].decode(errors="replace").strip()
    if not line:
        process.poll()
        raise RuntimeError("%s ended without reporting (exit status %s)" % (what, process.returncode))
    return line


def write_xauthority(path, cookie):
    """One MIT-MAGIC-COOKIE-1 entry for any host and display (FamilyWild, empty number)."""
    def counted(data):
        return struct.pack(">H", len(data)) + data
    with open(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600), "wb") as f:
        f.write(struct.pack(">H", 0xFFFF) + counted(b"") + counted(b"") + counted(b"MIT-MAGIC-COOKIE-1")
                + counted(cookie))


def x_accepts(number, cookie):
    """Whether the X server at the abstract socket of display `number` takes our cookie."""
    name = b"MIT-MAGIC-COOKIE-1"

    def padded(data):
        return data + b"\0" * (-len(data) % 4)
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    s.settimeout(2.0)
    try:
        s.connect("\0/tmp/.X11-unix/X%d" % number)
        s.sendall(struct.pack("<cxHHHHxx", b"l", 11, 0, len(name), len(cookie)) + padded(name) + padded(cookie))
        return s.recv(1) == b"\x01"
    except OSError:
        return False
    finally:
        s.close()


def start_xvfb(tool, env, work, started):
    """An X server on the first free display; returns ":N" once it takes our cookie."""
    cookie = secrets.token_bytes(16)
    xauthority = os.path.join(work, "Xauthority")
    write_xauthority(xauthority, cookie)
    read_end, write_end = os.pipe()
    try:
        with open(os.path.join(work, "xvfb.log"), "w") as log:
            xvfb = spawn([tool, "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                          "-nolisten", "unix", "-noreset", "-auth", xauthority], env, log, pass_fds=(write_end,))
        started.append(("Xvfb", xvfb))
        os.close(write_end)
        write_end = -1
        number = read_line(read_end, "Xvfb", xvfb, 30)
    finally:
        os.close(read_end)
        if write_end >= 0:
            os.close(write_end)
    if not number.isdigit():
        raise RuntimeError("Xvfb reported %r as its display" % number)
    wait_until("Xvfb to accept connections on :" + number, 20, xvfb, lambda: x_accepts(int(number), cookie))
    return ":" + number, xauthority


def start_bus(tool, env, work, started):
    """A session bus of our own, its socket in our folder; its address. The
    services it starts (the accessibility bus and its registry) are in its
    process group."""
    read_end, write_end = os.pipe()
    try:
        with open(os.path.join(work, "bus.log"), "w") as log:
            bus = spawn([tool, "--session", "--nofork", "--address=unix:dir=" + work,
                         "--print-address=%d" % write_end], env, log, pass_fds=(write_end,))
        started.append(("dbus-daemon", bus))
        os.close(write_end)
        write_end = -1
        return read_line(read_end, "dbus-daemon", bus, 30)
    finally:
        os.close(read_end)
        if write_end >= 0:
            os.close(write_end)


def wait_until(what, timeout, process, probe):
    deadline = time.monotonic() + timeout
    while not probe():
        if process.poll() is not None:
            raise RuntimeError("%s: it ended (exit status %s)" % (what, process.returncode))
        if time.monotonic() > deadline:
            raise RuntimeError("timed out waiting for " + what)
        time.sleep(0.05)


def private_environment(work):
    """Only what does not tie a program to the user's session: the search path,
    the loader's path and sanitizer options; the rest is ours."""
    env = {k: v for k, v in os.environ.items() if k in ("PATH", "LD_LIBRARY_PATH", "TZ") or k.endswith("SAN_OPTIONS")}
    env["PATH"] = os.pathsep.join(p for p in (env.get("PATH"), os.defpath) if p)
    folders = {"HOME": "home", "TMPDIR": "tmp", "XDG_CONFIG_HOME": "config", "XDG_CACHE_HOME": "cache",
               "XDG_DATA_HOME": "data", "XDG_STATE_HOME": "state-home"}
    for key, name in folders.items():
        env[key] = os.path.join(work, name)
        os.makedirs(env[key], exist_ok=True)
    env.update({"XDG_RUNTIME_DIR": work, "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8", "LANGUAGE": "en"})
    return env


def walker_python():
    """An interpreter that has pyatspi: this one, else the system's (Debian's
    python3-pyatspi belongs to it, not to one a user put first on the PATH)."""
    for python in (sys.executable, SYSTEM_PYTHON):
        if python and os.access(python, os.X_OK):
            if python == sys.executable:
                if importlib.util.find_spec("pyatspi") is not None:
                    return python
            elif subprocess.run([python, "-I", "-c", "import importlib.util, sys; "
                                 "sys.exit(importlib.util.find_spec('pyatspi') is None)"],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL).returncode == 0:
                return python
    return None


def stop(started):
    """Ends every started process group: TERM, up to 5 s, then KILL."""
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, signal.SIG_IGN)  # the clean-up is not cut short
    for _, p in reversed(started):
        try:
            os.killpg(p.pid, signal.SIGTERM)
        except (ProcessLookupError, PermissionError):
            pass
    deadline = time.monotonic() + 5
    for _, p in reversed(started):
        try:
            p.wait(max(0.1, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            pass
    for _, p in reversed(started):
        try:
            os.killpg(p.pid, signal.SIGKILL)  # what is left of the group, the leader too
        except (ProcessLookupError, PermissionError):
            pass
        try:
            p.wait(2)
        except subprocess.TimeoutExpired:
            pass
    # Whatever left its group (or was orphaned by it) came to us: end and reap it.
    deadline = time.monotonic() + 3
    while time.monotonic() < deadline:
        for pid in left_children():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            if os.waitpid(-1, os.WNOHANG) == (0, 0):
                time.sleep(0.05)
        except ChildProcessError:
            break


def left_children():
    mine = str(os.getpid())
    pids = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            if fields[1] == mine and fields[0] != "Z":
                pids.append(int(entry))
    return pids


def show_logs(work):
    """The ends of the logs of the program, the bus and the X server."""
    for name in ("program.log", "bus.log", "xvfb.log"):
        try:
            with open(os.path.join(work, name), errors="replace") as f:
                lines = f.read()[-3000:].splitlines()
        except OSError:
            continue
        # The X server's notes on the displays it found taken are no news.
        lines = [line for line in lines if line.strip() and "server already running" not in line
                 and "SocketCreateListener" not in line]
        if lines:
            say("--- %s:" % name)
            for line in lines[-25:]:
                say(line)


def check(args):
    search = os.pathsep.join(p for p in (os.environ.get("PATH"), os.defpath) if p)
    tools = {}
    for tool in ("Xvfb", "dbus-daemon"):
        tools[tool] = shutil.which(tool, path=search)
        if tools[tool] is None:
            say("skipped: %s is not installed" % tool)
            return SKIP
    python = walker_python()
    if python is None:
        say("skipped: python3-pyatspi is not installed")
        return SKIP
    korvanel = os.path.abspath(args.korvanel)

    work = tempfile.mkdtemp(prefix="korvanel-a11y-")
    started = []
    try:
        # An image that takes about args.seconds at the recorder's one speed (1x CD, 176 KB/s).
        size = int(args.seconds * 176400) // 2048 * 2048
        image = os.path.join(work, "disc.iso")
        with open(image, "wb") as f:
            f.write(bytes(i % 251 for i in range(size)))
        config = os.path.join(work, "recorders.json")
        with open(config, "w") as f:
            json.dump({"state_folder": os.path.join(work, "state"), "fresh_media_at_start": True,
                       "recorders": [{"name": "CdRom0", "address": "1:0:0:0", "product": "A11y Writer",
                                      "media_formats": ["read_cdr", "write"], "write_modes": ["tao"],
                                      "write_speeds": {"cd": [176]}, "time_scale": 1,
                                      "medium": {"type": "CD-R"}}]}, f)

        env = private_environment(work)
        display, xauthority = start_xvfb(tools["Xvfb"], env, work, started)
        env.update({"DISPLAY": display, "XAUTHORITY": xauthority})
        env["DBUS_SESSION_BUS_ADDRESS"] = start_bus(tools["dbus-daemon"], env, work, started)
        say("display %s, session bus %s" % (display, env["DBUS_SESSION_BUS_ADDRESS"]))

        # The program's system bus is none: no sleep inhibitor of the machine's
        # logind is taken, and none is waited for.
        program_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                           KORVANEL_NO_SPLASH="1",
                           DBUS_SYSTEM_BUS_ADDRESS="unix:path=" + os.path.join(work, "no-system-bus"))
        program_log = os.path.join(work, "program.log")
        with open(program_log, "w") as log:
            program = spawn([korvanel, "--no-real-drives", "--virtual-drives", config, image], program_env, log)
        started.append(("korvanel", program))

        walker = subprocess.Popen([python, "-I", "-u", os.path.abspath(__file__), "--walk", korvanel,
                                   "--seconds", str(args.seconds), "--limit-ms", str(args.limit_ms)],
                                  env=env, stdin=subprocess.DEVNULL, start_new_session=True,
                                  preexec_fn=dies_with(os.getpid()))
        started.append(("walk", walker))
        deadline = time.monotonic() + 120 + args.seconds * 4
        while walker.poll() is None:
            if program.poll() is not None:
                raise RuntimeError("the program ended (exit status %s) before the walk was over" % program.returncode)
            if time.monotonic() > deadline:
                raise RuntimeError("the walk did not end in time")
            time.sleep(0.1)
        if walker.returncode in (0, SKIP):
            return walker.returncode
        if walker.returncode < 0:
            raise RuntimeError("the walk ended by signal %s" % signal.Signals(-walker.returncode).name)
        show_logs(work)  # the walk said what failed
        return 1
    except RuntimeError as e:
        say("failed: %s" % e)
        show_logs(work)
        return 1
    except Interrupted as e:
        say("failed: interrupted by %s" % e)
        return 1
    finally:
        stop(started)
        shutil.rmtree(work, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("korvanel")
    parser.add_argument("--seconds", type=float, default=8.0, help="about how long the burn takes")
    parser.add_argument("--limit-ms", type=float, default=1000.0, help="longest answer allowed")
    parser.add_argument("--walk", action="store_true", help=argparse.SUPPRESS)  # the child that walks
    args = parser.parse_args()
    if args.walk:
        return walk(args)
    steady_process()
    return check(args)


if __name__ == "__main__":
    sys.exit(main())
