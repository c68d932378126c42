#!/usr/bin/env python3
"""Runs the game and the baseline SDL program side by side under one Xvfb; reports game/baseline.

Called by bench/compare.sh, which builds everything first. Both programs run with the frame
log (frame_log.so) preloaded, which notes when each frame reaches the window; start-up is
counted from just before the process is spawned; CPU time comes from /proc/<pid>/task/*/
schedstat (nanoseconds on the CPU) over each waiting window.
"""
import argparse
import hashlib
import json
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

FRAME_MS = 25.0
MONO = time.CLOCK_MONOTONIC


def now_ns():
    return time.clock_gettime_ns(MONO)


def cpu_ns(pid):
    """CPU time of every thread of pid so far, in nanoseconds."""
    total = 0
    task_dir = f"/proc/{pid}/task"
    for tid in os.listdir(task_dir):
        try:
            with open(f"{task_dir}/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
        except FileNotFoundError:  # a thread that just ended, or no schedstat in this kernel
            pass
    if total:
        return total
    with open(f"/proc/{pid}/stat") as f:  # coarser fallback: clock ticks of utime + stime
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1_000_000_000 // os.sysconf("SC_CLK_TCK")


def read_log(path):
    load, frames = None, []
    try:
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) != 2:
                    continue
                if parts[0] == "load":
                    load = int(parts[1])
                elif parts[0] == "frame":
                    frames.append(int(parts[1]))
    except FileNotFoundError:
        pass
    return load, frames


def percentile(values, p):
    """Nearest-rank percentile."""
    ordered = sorted(values)
    rank = max(1, -(-len(ordered) * p // 100))
    return ordered[int(rank) - 1]


# The two windows stand side by side on a screen just big enough for them.
SCREEN = "1300x500x24"
SLOT_X = {"game": 0, "baseline": 660}
TITLE = {"game": "^Sombrial$", "baseline": "^Sombrial baseline$"}


class Display:
    """A private Xvfb; the display number comes back through -displayfd once it is ready."""

    def __init__(self, screen=SCREEN, dpi=None):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp",
             "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as r:
            while not number.endswith(b"\n"):
                chunk = r.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.name = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)
        self.env.pop("SDL_VIDEODRIVER", None)
        if dpi:  # the desktop's scale, as a desktop sets it
            subprocess.run(["xrdb", "-nocpp", "-merge"], input=f"Xft.dpi: {dpi}\n", text=True,
                           env=self.env, check=True)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=20,
                              stdout=subprocess.PIPE, text=True).stdout.split()

    def window(self, title):
        return self.xdotool("search", "--sync", "--name", title)[0]

    def key(self, window, name):
        """Focuses the window (there is no window manager) and types the key there."""
        self.xdotool("windowfocus", "--sync", window, "key", name)

    def shot(self, window):
        """A digest of the window's picture, to tell a still window from text being typed.
        Grabbing stalls the X server for a moment, and with it both programs' frames."""
        data = subprocess.run(["import", "-window", window, "rgb:-"], env=self.env, check=True,
                              stdout=subprocess.PIPE).stdout
        return hashlib.sha1(data).digest()

    def close(self):
        self.server.terminate()
        self.server.wait()


class Program:
    """One run of a program under the frame log."""

    def __init__(self, display, kind, path, frame_log, log_path, env=None):
        self.display = display
        self.kind = kind
        self.log_path = log_path
        self.window = None
        env = dict(display.env, SOMBRIAL_FRAME_LOG=log_path, LD_PRELOAD=frame_log, **(env or {}))
        env = {k: v for k, v in env.items() if v is not None}
        self.spawned = now_ns()
        self.pid = os.posix_spawn(path, [path], env)

    def start_up(self, timeout=20.0):
        """Waits for the first frame, then puts the window in its place; returns the times."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            load, frames = read_log(self.log_path)
            if frames:
                self.window = self.display.window(TITLE[self.kind])
                self.display.xdotool("windowmove", self.window, str(SLOT_X[self.kind]), "0")
                return {"startup": (frames[0] - self.spawned) / 1e6,
                        "loading": (load - self.spawned) / 1e6,
                        "after_loading": (frames[0] - load) / 1e6}
            self.check_alive()
            time.sleep(0.002)
        raise RuntimeError(f"{self.kind}: no frame presented")

    def check_alive(self):
        pid, status = os.waitpid(self.pid, os.WNOHANG)
        if pid:
            self.pid = None
            raise RuntimeError(f"{self.kind} ended early (status {status})")

    def frames(self):
        return read_log(self.log_path)[1]

    def quit(self, timeout=10.0):
        """Releases Escape in its window: both programs end with status 0."""
        self.display.key(self.window, "Escape")
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.pid = None
                if not (os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0):
                    raise RuntimeError(f"{self.kind} ended with status {status}")
                return
            time.sleep(0.01)
        raise RuntimeError(f"{self.kind} did not end on Escape")

    def kill(self):
        if self.pid is not None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
            self.pid = None


def waiting_window(programs, seconds):
    """CPU milliseconds per second and frame intervals of every program over the same window."""
    cpu_start = {k: cpu_ns(p.pid) for k, p in programs.items()}
    t_start = now_ns()
    time.sleep(seconds)
    cpu_end = {k: cpu_ns(p.pid) for k, p in programs.items()}
    t_end = now_ns()
    seconds = (t_end - t_start) / 1e9
    return {k: ((cpu_end[k] - cpu_start[k]) / 1e6 / seconds,
                frame_intervals(p.frames(), [(t_start, t_end)]))
            for k, p in programs.items()}


def reach_command_line(display, window, limit=180.0):
    """Presses space at every page prompt until the command line waits: a space that leaves
    a still screen unchanged was typed into the command line (a space draws nothing).
    Returns the spans of monotonic nanoseconds during which the screen was changing."""
    end = time.monotonic() + limit
    spans = []
    before, before_at = display.shot(window), now_ns()
    while time.monotonic() < end:
        time.sleep(0.2)
        current, current_at = display.shot(window), now_ns()
        if current != before:  # still typing
            spans.append((before_at, current_at))
            before, before_at = current, current_at
            continue
        display.key(window, "space")
        time.sleep(0.4)
        after, after_at = display.shot(window), now_ns()
        if after == current:
            return spans
        before, before_at = after, after_at
    raise RuntimeError("the command line was not reached")


def frame_intervals(frames, spans):
    """Intervals, in milliseconds, between frames that fall within the same span."""
    intervals = []
    for start, end in spans:
        inside = [t for t in frames if start <= t <= end]
        intervals += [(b - a) / 1e6 for a, b in zip(inside, inside[1:])]
    return intervals


def start_up_alone(display, paths, kind, scratch, run):
    """One start of a program alone on the display, up to its first frame, then Escape."""
    program = Program(display, kind, paths[kind], paths["frame_log"],
                      os.path.join(scratch, f"start-{kind}-{run}.log"))
    try:
        times = program.start_up()
        program.quit()
        return times
    finally:
        program.kill()


def one_run(display, paths, order, window, settle, scratch, run):
    """Both programs side by side: started one after the other, then measured together while
    the game waits on its title and on its command line. A run without a window only starts
    and ends them (a warm-up of the page cache and the X server)."""
    programs = {}
    results = {}
    try:
        for kind in order:
            programs[kind] = Program(display, kind, paths[kind], paths["frame_log"],
                                     os.path.join(scratch, f"{kind}-{run}.log"))
            results[kind] = programs[kind].start_up()
        if not window:
            for p in programs.values():
                p.quit()
            return results
        time.sleep(settle)
        for kind, measured in waiting_window(programs, window).items():
            results[kind]["title"] = measured
        game = programs["game"]
        display.key(game.window, "Return")
        time.sleep(0.3)
        spans = reach_command_line(display, game.window)
        for kind, p in programs.items():  # the baseline's frames meanwhile, for comparison
            results[kind]["typing"] = frame_intervals(p.frames(), spans)
        time.sleep(settle)
        for kind, measured in waiting_window(programs, window).items():
            results[kind]["command"] = measured
        for p in programs.values():
            p.check_alive()
            p.quit()
        return results
    finally:
        for p in programs.values():
            p.kill()


def alone_run(display, paths, log, env=None):
    """The game alone: CPU and frames on its title, frame intervals while it types the first
    room, then CPU and frames on the command line."""
    program = Program(display, "game", paths["game"], paths["frame_log"], log, env)
    try:
        program.start_up()
        title = waiting_window({"game": program}, 5.0)["game"]
        display.key(program.window, "Return")
        time.sleep(0.3)
        spans = reach_command_line(display, program.window)
        typing = frame_intervals(program.frames(), spans)
        command = waiting_window({"game": program}, 5.0)["game"]
        program.quit()
        return {"title": title, "typing": typing, "command": command}
    finally:
        program.kill()


def voice_run(display, paths, scratch, run, voice):
    """The game alone with its voice off or on ("0" or "1"), speech-dispatcher speaking through
    espeak-ng for it (tests/e2e/desktop.py's desktop, without its X server)."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
    from desktop import Desktop
    session = Desktop(screen=None, speech="espeak")
    try:
        return alone_run(display, paths, os.path.join(scratch, f"voice-{voice}-{run}.log"),
                         dict(session.env, SOMBRIAL_VOZ=voice))
    finally:
        session.close()


def alone_report(runs, title, labels, target=None):
    """Frame pacing and CPU of the game alone in two settings (runs[labels[0]], runs[labels[1]]),
    and the second's CPU against the first's."""
    print(f"\n{title:54s} {labels[0]:>8s} {labels[1]:>8s} {'ratio':>6s}")
    for phase, name in (("title", "on the title"), ("typing", "while it types"),
                        ("command", "on the command line")):
        if phase != "typing":
            a, b = (statistics.mean(r[phase][0] for r in runs[v]) for v in labels)
            print(f"{'CPU ' + name + ', ms/s (mean)':54s} {a:8.2f} {b:8.2f} {b / a:6.3f}"
                  + (f"  target <= {target}" if target else ""))
        a, b = ([i for r in runs[v] for i in (r[phase] if phase == "typing" else r[phase][1])]
                for v in labels)
        print(f"{'frame period ' + name + ': median ms':54s} {statistics.median(a):8.3f} "
              f"{statistics.median(b):8.3f}")
        print(f"{'frame period ' + name + ': 99th pct ms':54s} {percentile(a, 99):8.3f} "
              f"{percentile(b, 99):8.3f}")


def micro_benchmarks(bench, scratch):
    out = os.path.join(scratch, "bench.json")
    env = dict(os.environ, SDL_VIDEODRIVER="dummy")
    subprocess.run([bench, "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
                    f"--benchmark_out={out}", "--benchmark_out_format=json"], env=env, check=True)
    with open(out) as f:
        results = json.load(f)["benchmarks"]
    for r in results:
        if r["name"] == "PageLaidOutInstantly_median":
            scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3}[r["time_unit"]]
            return r["cpu_time"] * scale  # the machine may be shared: CPU time, not wall
    return None


def machine():
    """One line about where the figures come from."""
    model = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/loadavg") as f:
        load = " ".join(f.read().split()[:3])
    sdl = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", "libsdl1.2debian"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    return (f"{model}, {os.cpu_count()} CPUs, Linux {os.uname().release}, "
            f"SDL {sdl or '?'}, load average {load}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="build folder with sombrial and bench/")
    parser.add_argument("--runs", type=int, default=8, help="side-by-side runs (default 8)")
    parser.add_argument("--window", type=float, default=5.0, help="seconds of each waiting window")
    parser.add_argument("--starts", type=int, default=20,
                        help="start-ups of each program alone, for the start-up figure (default 20)")
    parser.add_argument("--settle", type=float, default=0.5, help="seconds before a window opens")
    parser.add_argument("--no-micro", action="store_true", help="skip the micro-benchmarks")
    parser.add_argument("--voice-runs", type=int, default=4,
                        help="runs of the game alone with its voice off, and as many on (default 4)")
    parser.add_argument("--scale-runs", type=int, default=4,
                        help="runs of the game alone in a window at x1, and as many at x2 (default 4)")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    paths = {"game": f"{build}/sombrial", "baseline": f"{build}/bench/sombrial_baseline",
             "frame_log": f"{build}/bench/frame_log.so"}

    print(f"Machine: {machine()}", flush=True)
    results = {"game": [], "baseline": []}
    starts = {"game": [], "baseline": []}
    page_us = None
    with tempfile.TemporaryDirectory() as scratch:
        if not args.no_micro:
            print("== Micro-benchmarks (dummy video driver)", flush=True)
            page_us = micro_benchmarks(f"{build}/bench/sombrial_bench", scratch)
        display = Display()
        try:
            print(f"\n== Game against baseline under Xvfb {display.name}: {args.runs} runs each, "
                  f"{args.window:g} s windows", flush=True)
            if args.runs:
                one_run(display, paths, ("game", "baseline"), 0, 0, scratch, "warm-up")
            for run in range(args.runs):
                order = ("game", "baseline") if run % 2 == 0 else ("baseline", "game")
                r = one_run(display, paths, order, args.window, args.settle, scratch, run)
                for kind in ("game", "baseline"):
                    results[kind].append(r[kind])
                    print(f"  run {run + 1} {kind:8s} CPU waiting {r[kind]['title'][0]:5.2f} (title) "
                          f"{r[kind]['command'][0]:5.2f} (command line) ms/s", flush=True)
            for run in range(args.starts):
                order = ("game", "baseline") if run % 2 == 0 else ("baseline", "game")
                for kind in order:
                    starts[kind].append(start_up_alone(display, paths, kind, scratch, run))
            print("  start-ups alone, ms: " + "; ".join(
                f"{kind} " + " ".join(f"{t['startup']:.1f}" for t in starts[kind])
                for kind in ("game", "baseline")), flush=True)
            voice = {"0": [], "1": []}
            for run in range(args.voice_runs):
                for v in ("0", "1") if run % 2 == 0 else ("1", "0"):
                    voice[v].append(voice_run(display, paths, scratch, run, v))
        finally:
            display.close()
        # The desktop's scale: the same screen at 96 and at 192 dpi, so a window of 640x480
        # and one of 1280x960.
        scaled = {"x1": [], "x2": []}
        if args.scale_runs:
            displays = {"x1": Display("1300x1000x24"), "x2": Display("1300x1000x24", dpi=192)}
            try:
                for run in range(args.scale_runs):
                    for s in ("x1", "x2") if run % 2 == 0 else ("x2", "x1"):
                        scaled[s].append(alone_run(displays[s], paths,
                                                   os.path.join(scratch, f"scale-{s}-{run}.log")))
            finally:
                for d in displays.values():
                    d.close()
    if args.runs and args.starts:
        report(results, starts, page_us)
    if args.voice_runs:
        alone_report(voice, "the game alone, its voice off and on", ("0", "1"))
    if args.scale_runs:
        alone_report(scaled, "the game alone, in a window at x1 and x2", ("x1", "x2"), 1.15)


PHASES = (("title", "waiting on the title"), ("command", "waiting on the command line"),
          ("typing", "while the game types"))


def report(results, starts, page_us):
    def med(kind, key):
        return statistics.median(t[key] for t in starts[kind])

    def mean_cpu(kind, phase):
        return statistics.mean(r[phase][0] for r in results[kind])

    def intervals(kind, phase):
        return [i for r in results[kind] for i in (r[phase] if phase == "typing" else r[phase][1])]

    rows = []
    verdicts = []
    g, b = med("game", "startup"), med("baseline", "startup")
    rows.append((f"start-up to first frame, ms (median of {len(starts['game'])})", f"{g:8.2f}",
                 f"{b:8.2f}", f"{g / b:6.3f}", "<= 1.2"))
    verdicts.append(g / b <= 1.2)
    for part, key in (("process loading", "loading"), ("the rest", "after_loading")):
        g, b = med("game", key), med("baseline", key)
        rows.append((f"  of which {part}, ms (median)", f"{g:8.2f}", f"{b:8.2f}", f"{g / b:6.3f}",
                     ""))
    g, b = (min(t["startup"] for t in starts[k]) for k in ("game", "baseline"))
    rows.append(("start-up to first frame, best, ms", f"{g:8.2f}", f"{b:8.2f}", f"{g / b:6.3f}", ""))
    for phase, name in PHASES[:2]:
        g, b = mean_cpu("game", phase), mean_cpu("baseline", phase)
        rows.append((f"CPU {name}, ms/s (mean)", f"{g:8.2f}", f"{b:8.2f}", f"{g / b:6.3f}",
                     "<= 1.1"))
        verdicts.append(g / b <= 1.1)
    for phase, name in PHASES:
        game_iv, base_iv = intervals("game", phase), intervals("baseline", phase)
        if not game_iv or not base_iv:
            continue
        g, b = statistics.median(game_iv), statistics.median(base_iv)
        rows.append((f"frame period {name}: median ms", f"{g:8.3f}", f"{b:8.3f}", f"{g - b:+6.3f}",
                     "within 0.5 ms"))
        verdicts.append(abs(g - b) <= 0.5)
        g, b = percentile(game_iv, 99), percentile(base_iv, 99)
        rows.append((f"frame period {name}: 99th pct ms", f"{g:8.3f}", f"{b:8.3f}", f"{g / b:6.3f}",
                     ""))
    if page_us is not None:
        share = page_us / (FRAME_MS * 1000) * 100
        rows.append(("page laid out instantly, CPU us", f"{page_us:8.2f}", "", f"{share:5.2f}%",
                     "< 1% of a frame"))
        verdicts.append(share < 1)

    print(f"\n{'':54s} {'game':>8s} {'baseline':>8s} {'ratio':>6s}  target")
    for label, g, b, r, t in rows:
        print(f"{label:54s} {g:>8s} {b:>8s} {r:>6s}  {t}")
    counts = ", ".join(f"{phase} {len(intervals('game', phase))}/{len(intervals('baseline', phase))}"
                       for phase, _ in PHASES)
    print(f"\nBoth programs run side by side and are measured over the same windows. Frame "
          f"intervals pooled over all runs (game/baseline): {counts}.")
    print("All targets met." if all(verdicts) else "Some targets missed.")


if __name__ == "__main__":
    try:
        main()
    except (RuntimeError, subprocess.CalledProcessError) as error:
        print(f"compare: {error}", file=sys.stderr)
        sys.exit(1)
