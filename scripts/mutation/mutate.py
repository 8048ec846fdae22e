#!/usr/bin/env python3
"""Measures how many single-point slips in the platform code the tests catch.

Keeps a copy of the tree with its own Linux and Windows builds in a work folder (by default
build-mutation/ of the checkout), brings the copy up to date with the checkout, then puts the
slips of scripts/mutation/slips.txt into it one at a time: rebuilds what the slip touches
(only the changed file recompiles), runs the tests of the slip's area and notes whether any of
them failed (the slip is killed) or all passed (it survived). A slip that does not build is
counted neither way, nor is one whose text no longer stands in the code. Not run by CI: the
first run builds both programs in the copy (about twenty minutes), later ones only what changed.

    scripts/mutation-test.sh [AREA ...] [--slip ID ...] [--list] [--no-baseline] [--work DIR]

AREA is cache, x11, wayland, idle, win32 or packaging (all six when none is given).
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SLIPS_FILE = ROOT / "scripts/mutation/slips.txt"
CTEST_TIMEOUT = "300"
# A test's own TIMEOUT property wins over ctest's --timeout (the Wine tests have 1800 s), so a
# slip that makes a test hang is ended here, and counts as killed.
STEP_LIMIT = 600

# The builds each area's tests use, brought up to date before each slip's tests (a slip in
# another area restored since is rebuilt there too), and its tests, cheapest first; a slip is
# killed at the first step that fails. ("native", args): ctest in the copy's Linux build;
# ("wine", args): ctest in its Windows build under a virtual X server. The Windows program's
# end-to-end tests live in the Linux build.
REPAINT_TESTS = r"^(RenderingTest|RepaintOutlineTest|PropertyTest|FormLifecycleTest|InputTest)\."
WAYLAND_UNIT_TESTS = r"^Wayland(Buffers|Keys)Test\."
IDLE_UNIT_TESTS = r"^(IdleArguments|SaverPolicy|SaverChild|LogindInhibitors)"
AREAS = {
    "cache": {
        "build": ["native"],
        "tests": [("native", ["-R", REPAINT_TESTS]),
                  ("native", ["-E", "Windows|Soak|" + REPAINT_TESTS])],
    },
    "x11": {
        "build": ["native"],
        "tests": [("native", ["-R", "^X11"]),
                  ("native", ["-E", "Windows|Soak|^X11"])],
    },
    "win32": {
        # The packages are not remade for each slip, so their test, which compares the
        # installed program with the build's, is left to the packaging area.
        "build": ["native", "windows"],
        "tests": [("wine", ["-R", "^(widgets|windows|win32|shell)$"]),
                  ("native", ["-R", "Windows", "-E", "WindowsPackages|^X11"])],
    },
    "wayland": {
        "build": ["native"],
        "tests": [("native", ["-R", WAYLAND_UNIT_TESTS]),
                  ("native", ["-R", "Wayland|KWin|Mutter|NoDisplay", "-E", WAYLAND_UNIT_TESTS])],
    },
    "idle": {
        "build": ["native"],
        "tests": [("native", ["-R", IDLE_UNIT_TESTS]),
                  ("native", ["-R", "^Idle(On|Start|ServiceUnit)"])],
    },
    "packaging": {
        "build": ["native", "packages"],
        "tests": [("native", ["-R", "XScreenSaverDescription"]),
                  ("native", ["-R", "WindowsPackages"])],
    },
}


@dataclass
class Slip:
    id: str
    area: str
    path: str
    why: str
    original: str
    replacement: str
    status: str = ""
    detail: str = ""
    seconds: float = 0.0


def read_slips(path):
    slips, current, counts = [], None, {}
    original, replacement = [], []

    def finish():
        if current is None:
            return
        if not original:
            sys.exit(f"{path}: slip {current.id} has no original text")
        current.original = "\n".join(original)
        current.replacement = "\n".join(replacement)
        slips.append(current)

    for number, line in enumerate(path.read_text().splitlines(), 1):
        if line.startswith("slip "):
            finish()
            parts = line.split()
            if len(parts) != 3 or parts[1] not in AREAS:
                sys.exit(f"{path}:{number}: expected 'slip AREA FILE' with AREA one of "
                         + ", ".join(AREAS))
            counts[parts[1]] = counts.get(parts[1], 0) + 1
            current = Slip(f"{parts[1]}-{counts[parts[1]]:02d}", parts[1], parts[2], "", "", "")
            original, replacement = [], []
        elif current is not None and line.startswith("- "):
            original.append(line[2:])
        elif current is not None and line.startswith("+ "):
            replacement.append(line[2:])
        elif current is not None and line.startswith("  ") and not current.why:
            current.why = line.strip()
    finish()
    return slips


def log(message=""):
    print(message, flush=True)


def run(command, log_file, cwd, env=None, limit=None):
    """Runs a command with its output appended to log_file; its exit status. A command still
    running after `limit` seconds is ended with everything it started (status -1)."""
    with open(log_file, "a") as out:
        out.write(f"\n$ {' '.join(map(str, command))}\n")
        out.flush()
        process = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                   env=env, start_new_session=True)
        try:
            return process.wait(timeout=limit)
        except subprocess.TimeoutExpired:
            out.write(f"\n(still running after {limit} s: ended)\n")
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            return -1
        except KeyboardInterrupt:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise


def source_files():
    listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others",
                             "--exclude-standard"], cwd=ROOT, capture_output=True,
                            check=True).stdout.decode().split("\0")
    return sorted(f for f in listed if f and (ROOT / f).is_file())


def sync_tree(tree, manifest):
    """Makes the copy's sources those of the checkout. Changed files get a fresh time, so
    that the builds recompile them even when a file of an interrupted run was newer."""
    files = source_files()
    copied = 0
    for name in files:
        source, target = ROOT / name, tree / name
        if target.is_file() and target.read_bytes() == source.read_bytes():
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)
        shutil.copymode(source, target)
        copied += 1
    if manifest.is_file():
        for name in set(manifest.read_text().splitlines()) - set(files):
            (tree / name).unlink(missing_ok=True)
    manifest.write_text("\n".join(files) + "\n")
    # What the install step fetched for the builds (never committed) serves the copy's too.
    fetched = tree / "fetched"
    if not fetched.exists() and not fetched.is_symlink():
        fetched.symlink_to(ROOT / "fetched")
    return copied


class Workspace:
    def __init__(self, work):
        self.work = work
        self.tree = work / "tree"
        self.native = self.tree / "build"
        self.windows = self.tree / "build-win"
        self.logs = work / "logs"
        self.display = None
        self.xvfb = None

    def configure(self, log_file):
        if not (self.native / "CMakeCache.txt").is_file():
            log("   configuring the Linux build of the copy")
            if run(["cmake", "-S", ".", "-B", "build", "-DCMAKE_BUILD_TYPE=Release",
                    "-DVT_TESTS=ON", "-DVT_WINDOWS_TESTS=ON",
                    f"-DVT_WIN_BINARY_DIR={self.windows}"], log_file, self.tree):
                return False
        if not (self.windows / "CMakeCache.txt").is_file():
            # The Windows libraries built for the checkout serve the copy as well.
            deps = ROOT / "build-win/win-deps"
            if deps.is_dir() and not (self.windows / "win-deps").exists():
                shutil.copytree(deps, self.windows / "win-deps", symlinks=True)
            log("   configuring the Windows build of the copy")
            if run(["cmake", "-S", ".", "-B", "build-win", "--toolchain",
                    "cmake/mingw-w64.cmake", "-DCMAKE_BUILD_TYPE=Release",
                    f"-DVT_HOST_ASSETGEN={self.native}/vantorel-assetgen",
                    f"-DVT_NATIVE_BINARY_DIR={self.native}"], log_file, self.tree):
                return False
        return True

    def build(self, kinds, log_file):
        for kind in kinds:
            if kind == "native":
                command = ["cmake", "--build", "build", "-j2"]
            elif kind == "windows":
                command = ["cmake", "--build", "build-win", "-j2"]
            else:
                command = ["cmake", "--build", "build-win", "-j2", "--target", "packages"]
            if run(command, log_file, self.tree):
                return False
        return True

    def start_xvfb(self):
        number = 90
        while Path(f"/tmp/.X11-unix/X{number}").exists() or Path(f"/tmp/.X{number}-lock").exists():
            number += 1
        self.display = f":{number}"
        self.xvfb = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        time.sleep(1)

    def stop_wine(self):
        if (self.windows / "wineprefix").is_dir():
            env = dict(os.environ, WINEPREFIX=str(self.windows / "wineprefix"))
            subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)

    def stop(self):
        self.stop_wine()
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait()
            self.xvfb = None

    def test(self, steps, log_file):
        """Runs the steps until one fails; the names of the failed tests, empty when all pass."""
        for kind, args in steps:
            env = None
            folder = self.native
            if kind == "wine":
                if not self.xvfb:
                    self.start_xvfb()
                env = dict(os.environ, DISPLAY=self.display)
                folder = self.windows
            before = log_file.stat().st_size if log_file.exists() else 0
            status = run(["ctest", "-j2", "--timeout", CTEST_TIMEOUT, "--output-on-failure"]
                         + args, log_file, folder, env, STEP_LIMIT)
            if status == -1:
                self.stop_wine()
                return [f"ctest {' '.join(args)} (still running after {STEP_LIMIT} s)"]
            if status != 0:
                with open(log_file) as out:
                    out.seek(before)
                    text = out.read()
                # The test cases by name where the output gives them (a Wine test is a whole
                # test program), else the tests ctest lists as failed.
                cases = re.findall(r"^\[  FAILED  \] (\w\S*\.\S+)", text, re.M)
                failed = list(dict.fromkeys(cases))
                failed = failed or re.findall(r"^\s*\d+ - (\S+)", text, re.M)
                return failed or [f"ctest {' '.join(args)} (status {status})"]
        return []


def apply(tree, slip):
    """Puts the slip into the copy; returns the file's text before it, None when the slip's
    text does not stand in the file exactly once."""
    path = tree / slip.path
    if not path.is_file():
        return None
    text = path.read_text()
    if text.count(slip.original) != 1:
        return None
    path.write_text(text.replace(slip.original, slip.replacement))
    return text


def percent(part, whole):
    return f"{100 * part // whole} %" if whole else "-"


def summary(slips, areas):
    log("\n== Summary")
    total_killed = total_counted = 0
    for area in areas:
        mine = [s for s in slips if s.area == area]
        killed = sum(s.status == "killed" for s in mine)
        counted = sum(s.status in ("killed", "survived") for s in mine)
        other = [f"{n} {what}" for what in ("build failed", "not applicable")
                 if (n := sum(s.status == what for s in mine))]
        log(f"{area:10} killed {killed} of {counted} ({percent(killed, counted)})"
            + (f"; {', '.join(other)}" if other else ""))
        total_killed += killed
        total_counted += counted
    survivors = [s for s in slips if s.status == "survived"]
    if survivors:
        log("Survived:")
        for s in survivors:
            log(f"  {s.id}  {s.path}: {s.why}")
    for what in ("build failed", "not applicable"):
        others = [s for s in slips if s.status == what]
        if others:
            log(f"{what.capitalize()}: " + ", ".join(s.id for s in others))
    log(f"killed {total_killed} of {total_counted} ({percent(total_killed, total_counted)})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("areas", nargs="*", metavar="AREA",
                        help="cache, x11, wayland, idle, win32 or packaging (default: all)")
    parser.add_argument("--slip", action="append", default=[], help="only this slip (repeatable)")
    parser.add_argument("--list", action="store_true", help="list the slips and stop")
    parser.add_argument("--no-baseline", action="store_true",
                        help="skip the check that the unchanged copy passes the tests")
    parser.add_argument("--work", type=Path, default=ROOT / "build-mutation",
                        help="the work folder (default: build-mutation)")
    parser.add_argument("--slips", type=Path, default=SLIPS_FILE, help="the list of slips")
    options = parser.parse_args()

    unknown = [a for a in options.areas if a not in AREAS]
    if unknown:
        parser.error(f"unknown area {', '.join(unknown)}: choose from {', '.join(AREAS)}")
    slips = read_slips(options.slips)
    areas = options.areas or list(AREAS)
    slips = [s for s in slips if s.area in areas and (not options.slip or s.id in options.slip)]
    if options.list:
        for s in slips:
            log(f"{s.id:14} {s.path}: {s.why}")
        return 0
    if not slips:
        sys.exit("no slips chosen")
    areas = [a for a in areas if any(s.area == a for s in slips)]

    space = Workspace(options.work.resolve())
    space.logs.mkdir(parents=True, exist_ok=True)
    log(f"== Copy of the tree in {space.tree}: "
        f"{sync_tree(space.tree, space.work / 'manifest.txt')} files brought up to date")
    try:
        setup_log = space.logs / "setup.log"
        setup_log.write_text("")
        kinds = ["native"] + (["windows", "packages"] if set(areas) - {"cache", "x11", "wayland", "idle"} else [])
        log("== Building the copy (log: " + str(setup_log) + ")")
        if not space.configure(setup_log) or not space.build(kinds, setup_log):
            sys.exit(f"the unchanged copy does not build: see {setup_log}")
        if not options.no_baseline:
            for area in areas:
                log(f"== Baseline: the tests of {area} on the unchanged copy")
                failed = space.test(AREAS[area]["tests"], setup_log)
                if failed:
                    sys.exit(f"the unchanged copy fails {', '.join(failed[:5])}: see {setup_log}")

        log(f"== {len(slips)} slips")
        for slip in slips:
            start = time.monotonic()
            slip_log = space.logs / f"{slip.id}.log"
            slip_log.write_text(f"{slip.id} {slip.path}: {slip.why}\n")
            before = apply(space.tree, slip)
            if before is None:
                slip.status = "not applicable"
            else:
                try:
                    if not space.build(AREAS[slip.area]["build"], slip_log):
                        slip.status = "build failed"
                    else:
                        failed = space.test(AREAS[slip.area]["tests"], slip_log)
                        slip.status = "killed" if failed else "survived"
                        slip.detail = ", ".join(failed[:3]) + (" ..." if len(failed) > 3 else "")
                finally:
                    (space.tree / slip.path).write_text(before)
            slip.seconds = time.monotonic() - start
            log(f"{slip.status.upper():15} {slip.id:14} {slip.path}: {slip.why}"
                f" [{slip.seconds:.0f} s]" + (f"\n{'':15} by {slip.detail}" if slip.detail else ""))
    except KeyboardInterrupt:
        log("\ninterrupted")
    finally:
        space.stop()
    summary(slips, areas)
    return 0


if __name__ == "__main__":
    sys.exit(main())
