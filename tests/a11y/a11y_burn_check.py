#!/usr/bin/python3
"""Walks the wizard over the accessibility bus as a screen reader does and reads
the write progress at least once a second during a burn.

Starts its own X server (Xvfb) and session bus, so it needs neither a desktop
nor the user's buses. Usage: a11y_burn_check.py KORVANEL [--seconds S]
Exit status 0 when every read came back in time, 1 otherwise, 77 when the
accessibility stack is not installed (ctest reports it as skipped)."""
import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77


def start_xvfb(env):
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        display = f.readline().strip()
    if not display:
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + display


def start_bus(env):
    # A group of its own: the services it starts (the accessibility bus and
    # its registry) end with it.
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, env=env, text=True, start_new_session=True)
    address = bus.stdout.readline().strip()
    if not address:
        raise RuntimeError("dbus-daemon did not start")
    return bus, address


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


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("korvanel")
    parser.add_argument("--seconds", type=float, default=8.0, help="about how long the burn takes")
    parser.add_argument("--limit-ms", type=float, default=1000.0, help="longest answer allowed")
    args = parser.parse_args()
    for tool in ("Xvfb", "dbus-daemon"):
        if shutil.which(tool) is None:
            print("skipped: %s is not installed" % tool)
            return SKIP

    work = tempfile.mkdtemp(prefix="korvanel-a11y-")
    processes = []
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

        env = dict(os.environ)
        for key in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY"):
            env.pop(key, None)
        env.update({"HOME": work, "XDG_RUNTIME_DIR": work, "XDG_STATE_HOME": os.path.join(work, "state-home"),
                    "XDG_CONFIG_HOME": os.path.join(work, "config")})
        xvfb, display = start_xvfb(env)
        processes.append(xvfb)
        env["DISPLAY"] = display
        bus, address = start_bus(env)
        processes.append(bus)
        env["DBUS_SESSION_BUS_ADDRESS"] = address
        os.environ.update({k: env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "HOME", "XDG_RUNTIME_DIR")})
        try:
            import pyatspi  # reads the bus addresses set above
        except ImportError:
            print("skipped: python3-pyatspi is not installed")
            return SKIP

        program_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                           KORVANEL_NO_SPLASH="1")
        program_log = open(os.path.join(work, "program.log"), "w")
        program = subprocess.Popen([args.korvanel, "--no-real-drives", "--virtual-drives", config, image],
                                   env=program_env, stdout=program_log, stderr=subprocess.STDOUT)
        processes.append(program)

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

        # Welcome, transport, device, image (named on the command line), mode, options, summary.
        for step in range(7):
            press("Next")
            if step < 6:
                time.sleep(0.8)
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
        during = [r for r in reads if r[1] < maximum]
        first = reads[0][0] - burn_started
        longest = max(r[2] for r in reads)
        gaps = [b[0] - a[0] for a, b in zip(reads, reads[1:])]
        widest = max(gaps) if gaps else 0.0
        print("first read %.1f s into the burn; %d reads during the burn; widest gap between reads %.0f ms; "
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
            print("failed: " + failure)
        return 1 if failures else 0
    except RuntimeError as e:
        print("failed: %s" % e)
        log = os.path.join(work, "program.log")
        if os.path.exists(log):
            print(open(log, errors="replace").read()[-2000:])
        return 1
    finally:
        for p in reversed(processes):
            if p is not processes[0] and p.args[0] == "dbus-daemon":
                try:
                    os.killpg(p.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
