#!/usr/bin/env python3
"""Measures the launcher against the baseline and writes the table.

tools/bench.sh builds the programs, lays out the CD, starts the Wine prefix
with its X server and wineserver, and then runs this script, which:

- splits both program files into resources and the rest;
- counts the instructions of the template expansion under callgrind, and
  shows with memcheck that the command-line code allocates nothing;
- times start-up to the end of the first complete paint and the whole process,
  from inside (benchmark builds that stamp the time) and from outside (a robot
  that watches the screen for the backdrop), with the peak resident memory;
- times 500 repaints and counts GDI objects before and after them.

Every comparison alternates launcher and baseline in one run, and is quoted
as a ratio of medians beside each program's median, minimum and maximum.
"""

import argparse
import datetime
import json
import os
import platform
import random
import re
import select
import statistics
import struct
import subprocess
import sys
import tempfile
import time

TICKS_PER_SECOND = 10_000_000  # Wine's performance counter: CLOCK_MONOTONIC_RAW in 100 ns ticks
RUN_TIMEOUT = 30.0


def now_ticks():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW) // 100


def log(text):
    print(f"bench: {text}", file=sys.stderr, flush=True)


def first_line(command):
    try:
        out = subprocess.run(command, capture_output=True, text=True, check=False).stdout
        return out.splitlines()[0].strip() if out else "unknown"
    except OSError:
        return "unknown"


# ---------------------------------------------------------------- statistics


class Series:
    """Values of one program for one measure."""

    def __init__(self, values):
        self.values = list(values)

    @property
    def median(self):
        return statistics.median(self.values)

    @property
    def low(self):
        return min(self.values)

    @property
    def high(self):
        return max(self.values)


def ratio(launcher, baseline):
    return launcher.median / baseline.median if baseline.median else float("nan")


def round_ratio(launcher, baseline):
    """The median of the launcher's value over the baseline's, round by round."""
    return statistics.median(lo / bo for lo, bo in zip(launcher.values, baseline.values))


def ratio_interval(launcher, baseline, resamples=2000):
    """A 95 % bootstrap interval of the ratio of medians (fixed seed: the same runs give the same interval)."""
    rng = random.Random(1)
    ratios = []
    for _ in range(resamples):
        lo = statistics.median(rng.choices(launcher.values, k=len(launcher.values)))
        bo = statistics.median(rng.choices(baseline.values, k=len(baseline.values)))
        ratios.append(lo / bo)
    ratios.sort()
    return ratios[int(0.025 * resamples)], ratios[int(0.975 * resamples) - 1]


def ratio_text(launcher, baseline):
    low, high = ratio_interval(launcher, baseline)
    return f"{ratio(launcher, baseline):.3f} ({low:.3f}–{high:.3f})"


# ------------------------------------------------------------------- the machine


def machine_facts(args):
    cpu = "unknown"
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = "unknown"
    try:
        with open("/proc/meminfo") as f:
            kb = int(f.readline().split()[1])
            memory = f"{kb / 1024 / 1024:.0f} GiB"
    except (OSError, ValueError, IndexError):
        pass
    system = "unknown"
    try:
        with open("/etc/os-release") as f:
            for line in f:
                if line.startswith("PRETTY_NAME="):
                    system = line.split("=", 1)[1].strip().strip('"')
    except OSError:
        pass
    return {
        "Date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "Processor": f"{cpu}, {os.cpu_count()} cores",
        "Memory": memory,
        "System": f"{system}, Linux {platform.release()}",
        "Wine": first_line(["wine", "--version"]),
        "Compiler (program files)": first_line([args.win_cxx, "--version"]),
        "Compiler (instruction counts)": first_line([args.native_cxx, "--version"]),
        "Valgrind": first_line(["valgrind", "--version"]),
        "Build type": args.build_type,
        "Source": first_line(
            ["git", "-C", os.path.dirname(os.path.abspath(__file__)), "describe", "--always", "--dirty"]
        ),
    }


def compile_flags(args):
    """The flags of one launcher source and of the baseline, from the build."""
    path = os.path.join(args.win_build, "compile_commands.json")
    try:
        with open(path) as f:
            commands = json.load(f)
    except OSError:
        return None, None

    def flags(entry):
        words = entry["command"].split()[1:]
        kept = []
        skip = False
        for word in words:
            if skip:
                skip = False
                continue
            if word in ("-o", "-c"):
                skip = True
                continue
            if word.startswith("@") or word.startswith("-I") or word.startswith("-isystem"):
                continue
            kept.append(word)
        return " ".join(kept)

    launcher = baseline = None
    for entry in commands:
        if not entry["file"].endswith(".cpp"):
            continue
        if "/Qxinst95.dir/" in entry["command"] and launcher is None:
            launcher = flags(entry)
        if "/qx_baseline.dir/" in entry["command"] and baseline is None:
            baseline = flags(entry)
    return launcher, baseline


# ------------------------------------------------------------------------ size


def pe_sections(path):
    with open(path, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe : pe + 4] != b"PE\0\0":
        raise ValueError(f"{path} is not a PE file")
    sections_count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    headers_size = struct.unpack_from("<I", data, optional + 60)[0]
    table = optional + optional_size
    sections = [("headers", headers_size)]
    for n in range(sections_count):
        entry = table + 40 * n
        name = data[entry : entry + 8].rstrip(b"\0").decode("ascii", "replace")
        raw_size = struct.unpack_from("<I", data, entry + 16)[0]
        sections.append((name, raw_size))
    return len(data), sections


def pe_imports(objdump, path):
    out = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    dlls = {}
    current = None
    for line in out.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            current = m.group(1)
            dlls[current] = 0
            continue
        if current is not None:
            if not line.strip():
                current = None
            elif re.match(r"\s*[0-9a-f]+\s+\d+\s+\S+", line):
                dlls[current] += 1
    return dlls


def measure_size(args):
    result = {}
    for key, path in (("launcher", args.launcher_exe), ("baseline", args.baseline_exe)):
        total, sections = pe_sections(path)
        resources = sum(size for name, size in sections if name == ".rsrc")
        result[key] = {
            "total": total,
            "resources": resources,
            "rest": total - resources,
            "sections": sections,
            "imports": pe_imports(args.objdump, path),
        }
    return result


# --------------------------------------------------------------- command lines


def read_templates(rc_path):
    """The five command templates (strings 3 to 7) of the resource script."""
    wanted = ["IDS_CMD_VIEW_README", "IDS_CMD_INSTALL", "IDS_CMD_PLAY", "IDS_CMD_UNUSED", "IDS_CMD_CONFIGURE"]
    found = {}
    with open(rc_path, encoding="latin-1") as f:
        for line in f:
            m = re.match(r'\s*(IDS_CMD_\w+)\s+"((?:[^"\\]|\\.)*)"', line)
            if m:
                found[m.group(1)] = re.sub(r"\\(.)", r"\1", m.group(2))
    return [found[name] for name in wanted]


def expand_unfolded(template, source, installed, windows):
    """The line that the template scan writes, before the path clean-up."""
    out = []
    i = 0
    while i < len(template) and len(out) < 255:
        ch = template[i]
        if ch != "$":
            out.append(ch)
            i += 1
            continue
        if i + 1 >= len(template):
            break
        code = template[i + 1]
        i += 2
        text = {"s": source, "i": installed, "I": installed.split(":")[0] if ":" in installed else "", "w": windows}.get(
            code, ""
        )
        for c in text:
            if len(out) >= 255:
                break
            out.append(c)
    return "".join(out)


def long_line(start, piece):
    line = start
    while len(line) < 255:
        line += piece
    return line[:255]


def command_cases(templates):
    sample = {"source": "D:", "installed": "C:\\GAMES\\ORVANE", "windows": "C:\\WINDOWS"}
    first_run = {"source": "D:", "installed": "", "windows": "C:\\WINDOWS"}
    deep = {
        "source": long_line("D:\\", "ORVANE-CD\\")[:240],
        "installed": long_line("C:\\", "GAMES\\ORVANE\\")[:240],
        "windows": "C:\\WINDOWS",
    }

    def unfolded(dirs):
        return [expand_unfolded(t, dirs["source"], dirs["installed"], dirs["windows"]) for t in templates]

    # The path clean-up's lines for the allocation check: the sample lines,
    # 255-character lines, and stress lines that fold every two or five
    # characters, far from any real command line.
    canonicalize = [
        unfolded(sample),
        unfolded(first_run),
        unfolded(deep),
        [long_line("d:\\instdata\\gostart.bat c c:\\", "orvane\\")],
        [long_line("d:\\instdata\\gostart.bat c c:\\", "games\\.\\orvane\\..\\orvane\\data\\")],
        [long_line("d:/instdata/gostart.bat c c:/", "orvane/")],
        [long_line("", "a\\..\\")],
        [long_line("x", "\\.")],
    ]
    expand = [
        ("sample templates, game installed", sample, unfolded(sample)),
        ("sample templates, first run", first_run, unfolded(first_run)),
        ("templates with 240-character directories", deep, unfolded(deep)),
    ]
    return canonicalize, expand


def write_lines(path, lines):
    with open(path, "w", encoding="latin-1", newline="\n") as f:
        f.write("".join(line + "\n" for line in lines))


def callgrind_count(args, toggle, command):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "callgrind.out")
        env = dict(os.environ, LD_BIND_NOW="1")
        subprocess.run(
            ["valgrind", "--tool=callgrind", f"--toggle-collect={toggle}", f"--callgrind-out-file={out}"] + command,
            check=True,
            capture_output=True,
            env=env,
        )
        with open(out) as f:
            for line in f:
                if line.startswith("summary:") or line.startswith("totals:"):
                    count = int(line.split()[1])
                    # Nothing counted: the function was renamed or is no longer called.
                    if count == 0:
                        raise RuntimeError(f"callgrind counted no instructions in {toggle}")
                    return count
    raise RuntimeError("callgrind wrote no total")


def heap_allocations(command):
    out = subprocess.run(
        ["valgrind", "--tool=memcheck", "--leak-check=no"] + command, capture_output=True, text=True, check=True
    ).stderr
    m = re.search(r"total heap usage: ([\d,]+) allocs", out)
    if not m:
        raise RuntimeError("memcheck printed no heap summary")
    return int(m.group(1).replace(",", ""))


def measure_commands(args):
    templates = read_templates(args.resource_script)
    canonicalize_cases, expand_cases = command_cases(templates)
    repeat = 10
    results = {"expand": [], "allocations": []}
    with tempfile.TemporaryDirectory() as tmp:
        templates_path = os.path.join(tmp, "templates")
        write_lines(templates_path, templates)
        for name, dirs, unfolded in expand_cases:
            command = [
                args.commands_exe,
                "expand",
                templates_path,
                dirs["source"],
                dirs["installed"],
                dirs["windows"],
                str(repeat),
            ]
            # The expansion and a clean-up of the scan's lines must agree.
            expanded = subprocess.run(command, capture_output=True, text=True, check=True).stdout.splitlines()[:-1]
            lines_path = os.path.join(tmp, "unfolded")
            write_lines(lines_path, unfolded)
            cleaned = subprocess.run(
                [args.commands_exe, "canonicalize", lines_path, "1"], capture_output=True, text=True, check=True
            ).stdout.splitlines()[:-1]
            if [c.split(" ", 1)[1] if " " in c else "" for c in cleaned] != expanded:
                raise RuntimeError(f"the bench's own expansion disagrees with the launcher's for {name}")
            instructions = callgrind_count(args, "ExpandCommandLine*", command)
            size = sum(len(line) for line in unfolded)
            results["expand"].append(
                {
                    "case": name,
                    "bytes": size,
                    "lengths": [len(l) for l in unfolded],
                    "per_byte": instructions / repeat / size,
                }
            )
        # Zero allocations: the heap summary counts as many allocations
        # whether the functions run none or a thousand times.
        lines_path = os.path.join(tmp, "all")
        write_lines(lines_path, [line for lines in canonicalize_cases for line in lines])
        for what, command in (
            ("CanonicalizeCommandPath", [args.commands_exe, "canonicalize", lines_path]),
            (
                "ExpandCommandLine",
                [args.commands_exe, "expand", templates_path, "D:", "C:\\GAMES\\ORVANE", "C:\\WINDOWS"],
            ),
        ):
            none = heap_allocations(command + ["0"])
            many = heap_allocations(command + ["1000"])
            results["allocations"].append({"function": what, "none": none, "many": many})
    return results


# --------------------------------------------------------------------- Wine runs


class WineRunner:
    def __init__(self, args):
        self.args = args
        self.env = dict(os.environ)

    def spawn(self, exe):
        # The CD's root is drive D: and the current directory, as for a user.
        return subprocess.Popen(
            ["wine", "D:\\" + exe],
            cwd=self.args.cd_dir,
            env=self.env,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
        )

    @staticmethod
    def reap(process, usage_out=None):
        """Waits for the process; its exit time and peak resident memory (KiB)."""
        _, status, usage = os.wait4(process.pid, 0)
        ended = now_ticks()
        process.returncode = os.waitstatus_to_exitcode(status)
        if usage_out is not None:
            usage_out["cpu_ms"] = (usage.ru_utime + usage.ru_stime) * 1000
        return ended, usage.ru_maxrss

    @staticmethod
    def read_line(process, timeout):
        ready, _, _ = select.select([process.stdout], [], [], timeout)
        if not ready:
            return None
        return process.stdout.readline().decode("ascii", "replace").strip()

    def stamped_run(self, exe):
        """A benchmark build: start to first complete paint, start to exit, memory, stamp fields."""
        started = now_ticks()
        process = self.spawn(exe)
        line = self.read_line(process, RUN_TIMEOUT)
        if line is None or not line.startswith("qxbench "):
            process.kill()
            self.reap(process)
            process.stdout.close()
            raise RuntimeError(f"{exe} printed no stamp (got {line!r})")
        usage = {}
        ended, peak = self.reap(process, usage)
        process.stdout.close()
        fields = dict(item.split("=", 1) for item in line.split()[1:])
        paint_end = int(fields["paint_end"])
        return {
            "paint_ms": (paint_end - started) / 10_000,
            "exit_ms": (ended - started) / 10_000,
            "cpu_ms": usage["cpu_ms"],
            "peak_kib": peak,
            "fields": fields,
        }


class Robot:
    def __init__(self, args):
        self.process = subprocess.Popen(
            [args.robot_exe, args.backdrop],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            text=True,
            bufsize=1,
        )
        if self.process.stdout.readline().strip() != "ready":
            raise RuntimeError("the robot did not start")

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().strip()

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=10)


def desktop_offset():
    """Where Wine's virtual desktop sits on the X screen."""
    out = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, check=False).stdout
    for line in out.splitlines():
        if "Wine desktop" in line:
            m = re.search(r"\+(-?\d+)\+(-?\d+)\s*$", line)
            if m:
                return int(m.group(1)), int(m.group(2))
    return 0, 0


def take_turns(rounds, measures, what):
    """Runs every (key, function) of measures once per round, in an order shuffled anew for each round
    (with a fixed seed), so that no measure always follows the same other one."""
    results = {key: [] for key, _ in measures}
    rng = random.Random(2)
    for n in range(rounds):
        order = list(measures)
        rng.shuffle(order)
        for key, measure in order:
            results[key].append(measure())
        if (n + 1) % 10 == 0:
            log(f"{what}: {n + 1} of {rounds}")
    return results


def measure_wine(args):
    runner = WineRunner(args)
    # Where each program's picture lands on the screen: the stamp says.
    origin = {}
    dx = dy = 0
    for _ in range(args.warmup):
        for stamped_exe, shipped_exe in (
            ("qx_bench_launcher.exe", "Qxinst95.exe"),
            ("qx_bench_baseline.exe", "qx_baseline.exe"),
        ):
            run = runner.stamped_run(stamped_exe)
            origin[shipped_exe] = tuple(int(v) for v in run["fields"]["client"].split(",")[:2])
    dx, dy = desktop_offset()
    robot = Robot(args)

    def robot_run(exe):
        x, y = origin[exe][0] + dx, origin[exe][1] + dy
        if robot.ask(f"gone {x} {y} 10000").startswith("timeout"):
            raise RuntimeError("the last run's picture stays on the screen")
        started = now_ticks()
        process = runner.spawn(exe)
        answer = robot.ask(f"appear {x} {y} {int(RUN_TIMEOUT * 1000)}")
        process.terminate()
        _, peak = runner.reap(process)
        process.stdout.close()
        if not answer.startswith("appeared"):
            raise RuntimeError(f"the robot never saw {exe}'s picture")
        # The next run starts once Wine has taken the window off the screen.
        robot.ask(f"gone {x} {y} 10000")
        return {"paint_ms": (int(answer.split()[1]) - started) / 10_000, "peak_kib": peak}

    log("warming up")
    for _ in range(args.warmup):
        for exe in ("Qxinst95.exe", "qx_baseline.exe"):
            robot_run(exe)

    # The four kinds of start-up run take turns, so that the robot's and the
    # stamp's figures come from the same stretch of time.
    started = take_turns(
        args.runs,
        [
            ("stamped launcher", lambda: runner.stamped_run("qx_bench_launcher.exe")),
            ("watched launcher", lambda: robot_run("Qxinst95.exe")),
            ("stamped baseline", lambda: runner.stamped_run("qx_bench_baseline.exe")),
            ("watched baseline", lambda: robot_run("qx_baseline.exe")),
        ],
        "start-up rounds",
    )
    robot.close()

    painted = take_turns(
        args.paint_runs,
        [
            ("launcher", lambda: runner.stamped_run("qx_bench_launcher_paint.exe")),
            ("baseline", lambda: runner.stamped_run("qx_bench_baseline_paint.exe")),
        ],
        "repaint rounds",
    )
    return {
        "stamped": {"launcher": started["stamped launcher"], "baseline": started["stamped baseline"]},
        "watched": {"launcher": started["watched launcher"], "baseline": started["watched baseline"]},
        "painted": painted,
    }


# ----------------------------------------------------------------------- report


def fmt_ms(value, unit=True):
    return f"{value:.1f} ms" if unit else f"{value:.1f}"


def fmt_us(value, unit=True):
    return f"{value:.0f} µs" if unit else f"{value:.0f}"


def fmt_mib(kib, unit=True):
    return f"{kib / 1024:.2f} MiB" if unit else f"{kib / 1024:.2f}"


def cell(series, fmt):
    return f"{fmt(series.median)} ({fmt(series.low, False)}–{fmt(series.high, False)})"


def gdi_summary(runs):
    before = [int(r["fields"]["gdi_before"]) for r in runs]
    after = [int(r["fields"]["gdi_after"]) for r in runs]
    growth = max(a - b for a, b in zip(after, before))
    text = f"{statistics.median(before):.0f} → {statistics.median(after):.0f}"
    return text, growth, runs[0]["fields"].get("gdi_types_before", "")


GDI_TYPE_NAMES = {
    "1": "pens",
    "2": "brushes",
    "3": "DCs",
    "5": "palettes",
    "6": "fonts",
    "7": "bitmaps",
    "8": "regions",
    "10": "memory DCs",
}


def gdi_types(text):
    parts = []
    for item in text.split(","):
        if ":" in item:
            kind, count = item.split(":")
            parts.append(f"{GDI_TYPE_NAMES.get(kind, 'type ' + kind)} {count}")
    return ", ".join(parts)


SECTION_CONTENTS = {
    "headers": "DOS and PE headers, section table",
    ".text": "code",
    ".data": "initialised data",
    ".rdata": "read-only data",
    ".eh_frame": "unwind tables",
    ".bss": "zeroed data (nothing in the file)",
    ".idata": "import tables",
    ".CRT": "C run-time start-up tables",
    ".tls": "thread-local storage",
    ".rsrc": "resources",
    ".reloc": "relocations",
}


def status(ok):
    return "met" if ok else "**missed**"


def build_report(args, facts, flags, size, commands, wine):
    rows = []
    goals = []

    def row(measure, launcher_text, baseline_text, ratio_cell, goal, ok):
        rows.append((measure, launcher_text, baseline_text, ratio_cell, goal, status(ok) if ok is not None else ""))
        if ok is not None:
            goals.append((measure, ok))

    if wine:
        stamped, watched, painted = wine["stamped"], wine["watched"], wine["painted"]
        for key, measure, goal_ratio in (
            ("paint_ms", "Start-up to the first complete paint (stamped)", 1.03),
            ("exit_ms", "Whole process, ended after the first paint (stamped)", 1.03),
        ):
            lo = Series(r[key] for r in stamped["launcher"])
            bo = Series(r[key] for r in stamped["baseline"])
            r = ratio(lo, bo)
            row(measure, cell(lo, fmt_ms), cell(bo, fmt_ms), ratio_text(lo, bo), f"≤ {goal_ratio:.2f}",
                r <= goal_ratio)
        lo = Series(r["cpu_ms"] for r in stamped["launcher"])
        bo = Series(r["cpu_ms"] for r in stamped["baseline"])
        row("Processor time of the whole process, user and system (stamped)", cell(lo, fmt_ms), cell(bo, fmt_ms),
            ratio_text(lo, bo), "", None)
        lo = Series(r["paint_ms"] for r in watched["launcher"])
        bo = Series(r["paint_ms"] for r in watched["baseline"])
        r = ratio(lo, bo)
        row("Start-up to the picture on screen (robot, shipped programs)", cell(lo, fmt_ms), cell(bo, fmt_ms),
            ratio_text(lo, bo), "≤ 1.03", r <= 1.03)
        lo = Series(r["peak_kib"] for r in stamped["launcher"])
        bo = Series(r["peak_kib"] for r in stamped["baseline"])
        r = ratio(lo, bo)
        row("Peak resident memory of the Wine process (stamped runs)", cell(lo, fmt_mib), cell(bo, fmt_mib),
            ratio_text(lo, bo), "≤ 1.02", r <= 1.02)
        lo = Series(r["peak_kib"] for r in watched["launcher"])
        bo = Series(r["peak_kib"] for r in watched["baseline"])
        row("Peak resident memory (robot runs, stopped once the picture is up)", cell(lo, fmt_mib),
            cell(bo, fmt_mib), ratio_text(lo, bo), "", None)

    rl, rb = size["launcher"], size["baseline"]
    row("Program file", f"{rl['total']:,} bytes", f"{rb['total']:,} bytes", f"{rl['total'] / rb['total']:.3f}",
        "", None)
    row("Program file outside the resources", f"{rl['rest']:,} bytes", f"{rb['rest']:,} bytes",
        f"{rl['rest'] / rb['rest']:.3f}", "≤ 1.00", rl["rest"] <= rb["rest"])

    if wine:
        per_paint = {
            key: Series(
                int(r["fields"]["repaint_ticks"]) / int(r["fields"]["repaints"]) / int(r["fields"]["freq"]) * 1e6
                for r in painted[key]
            )
            for key in ("launcher", "baseline")
        }
        r = ratio(per_paint["launcher"], per_paint["baseline"])
        row("One WM_PAINT (500 forced repaints per run)", cell(per_paint["launcher"], fmt_us),
            cell(per_paint["baseline"], fmt_us), ratio_text(per_paint["launcher"], per_paint["baseline"]), "≤ 1.10",
            r <= 1.10)
        lt, lg, ltypes = gdi_summary(painted["launcher"])
        bt, bg, btypes = gdi_summary(painted["baseline"])
        row("Live GDI objects before → after the repaints", lt, bt, "", "no growth", lg <= 0)

    expand_worst = max(c["per_byte"] for c in commands["expand"])
    row("Five-template expansion, instructions per byte (worst case)", f"{expand_worst:.1f}", "", "", "", None)
    allocations = all(a["none"] == a["many"] for a in commands["allocations"])
    row("Heap allocations by the command-line code", "0" if allocations else "some", "", "", "none", allocations)

    # The table as printed.
    table = ["| Measure | Launcher | Baseline | Ratio | Goal | |", "|---|---|---|---|---|---|"]
    for r in rows:
        table.append("| " + " | ".join(r) + " |")

    md = []
    md.append("# Performance")
    md.append("")
    md.append(
        "Written by `tools/bench.sh`; run it again rather than editing this file. Times and memory come from "
        "runs that alternate the launcher and the baseline; each cell gives the median and, in brackets, the "
        "minimum and maximum. The ratio is the launcher's median over the baseline's, with a 95 % bootstrap "
        "interval in brackets; absolute times are for information only, since the machine may be shared."
    )
    md.append("")
    md.append("## Results")
    md.append("")
    md.extend(table)
    md.append("")
    md.append("## The machine")
    md.append("")
    md.append("| | |")
    md.append("|---|---|")
    for key, value in facts.items():
        md.append(f"| {key} | {value} |")
    if flags[0]:
        md.append(f"| Launcher's compile flags | `{flags[0]}` |")
    if flags[1]:
        md.append(f"| Baseline's compile flags | `{flags[1]}` |")
    if wine:
        md.append(
            f"| Runs | {args.runs} rounds of start-up, each one stamped and one watched run of each program "
            f"in turn; {args.paint_runs} rounds of 500 repaints; {args.warmup} warm-up runs of each kind first |"
        )
    md.append(f"| Load average before and after | {args.load_before} / {load_average()} |")
    md.append("")
    md.append("## How to reproduce")
    md.append("")
    md.append("```sh")
    md.append("./tools/bench.sh            # installs what is needed, builds, measures, writes this file")
    md.append("QX_BENCH_RUNS=120 ./tools/bench.sh  # more rounds of start-up runs (60 by default)")
    md.append("```")
    md.append("")
    md.append(
        "It builds the launcher in the program's configuration (`qx_build_win` of `tools/buildlib.sh`, as the "
        "run script does), and beside it, with the same compiler, "
        "flags, link and resource script (all taken from the launcher's CMake target): the baseline "
        "(`bench/Baseline.cpp`), a bare Win32 program that converts the backdrop once, keeps it in a memory "
        "device context, opens dialog 102 and paints it with one palette selection and one block copy per "
        "paint; and benchmark builds of both that add `bench/PaintStamp.cpp`. The programs run from the "
        "sample CD as drive D: of one warm Wine prefix (virtual desktop, running wineserver, Xvfb at 24 bits), "
        f"with {args.scenario}."
    )
    md.append("")
    md.append("## How each figure is measured")
    md.append("")
    md.append(
        "- **Start-up (stamped)**: `PaintStamp.cpp` hooks window creation before the program's code runs and "
        "watches the program's dialog: after its first WM_PAINT it draws the buttons that are due, reads "
        "Wine's performance counter (CLOCK_MONOTONIC_RAW in 100 ns ticks) and ends the dialog as Quit does. "
        "The bench reads the same clock just before it starts `wine`, and again when the process has gone "
        "(whole process). The shipped sources are compiled unchanged; the stamp exists only in these builds."
    )
    md.append(
        "- **Start-up (robot)**: the shipped programs, watched from outside by `bench/Robot.cpp`, which polls "
        "five full rows of the picture on the X screen every millisecond until they show the backdrop's exact "
        "colours, then stops the program. It sees the picture when Wine has put the window's drawing on the X "
        "screen, not when the program drew it, so its times differ a little from the stamped ones; the ratios "
        "of the two should agree. The two kinds of run take turns in every round."
    )
    md.append(
        "- **Processor time**: user and system time of the process that `wine` becomes (`wait4`), for "
        "information: it leaves out the wineserver's and the X server's work, but it suffers far less than the "
        "elapsed times when other work shares the machine."
    )
    md.append(
        "- **Memory**: the peak resident set (`ru_maxrss` from `wait4`) of the process that `wine` becomes."
    )
    md.append(
        "- **Size**: the program file's bytes; the resources are the raw size of its `.rsrc` section, the rest "
        "is everything else (headers, code, data, unwind tables, imports, relocations)."
    )
    md.append(
        "- **Paint**: the benchmark builds with 500 repaints: after the first complete paint, 500 times "
        "`RedrawWindow(RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN)`, each a synchronous WM_PAINT of the "
        "dialog alone, timed with the performance counter. **GDI objects**: Wine's `GetGuiResources` is a stub "
        "that answers 0, so the stamp counts the live objects itself: a Wine GDI handle is a slot index in its "
        "low word and a generation in its high word, and a handle with a zero high word matches whatever "
        "generation its slot holds, so `GetObjectType` on every low-word value from 1 to 0xFFFF finds every "
        "live object of the process, stock objects included (on Windows this count would be 0). The count is "
        "taken before and after the 500 repaints."
    )
    md.append(
        "- **Command lines**: `valgrind --tool=callgrind --toggle-collect=ExpandCommandLine*` over "
        "`bench/CommandCost.cpp`, a native build (the native compiler above, build type Release, without "
        "sanitizers) that runs the expansion over each case ten times; instructions (Ir) inside it and what it "
        "calls, the path clean-up included, per input byte, for information: the program ships the i686 build. "
        "The input of the expansion is the line the template scan writes before the clean-up. "
        "Zero allocations: memcheck's heap summary counts as many allocations when the program runs the "
        "functions a thousand times as when it runs them not at all."
    )
    md.append("")
    md.append("## Program files in detail")
    md.append("")
    names = []
    for _, section in (("launcher", rl), ("baseline", rb)):
        for name, _ in section["sections"]:
            if name not in names:
                names.append(name)
    md.append("| Part | What it holds | Launcher | Baseline |")
    md.append("|---|---|---|---|")
    for name in names:
        lv = dict(rl["sections"]).get(name)
        bv = dict(rb["sections"]).get(name)
        shown = ".eh_frame" if name == ".eh_fram" else name
        md.append(
            f"| `{shown}` | {SECTION_CONTENTS.get(shown, '')} | {'–' if lv is None else f'{lv:,}'} | "
            f"{'–' if bv is None else f'{bv:,}'} |"
        )
    md.append(f"| total | | {rl['total']:,} | {rb['total']:,} |")
    md.append("")
    for key, data in (("Launcher", rl), ("Baseline", rb)):
        imports = ", ".join(f"{dll} {count}" for dll, count in data["imports"].items())
        md.append(f"- {key} imports {sum(data['imports'].values())} functions: {imports}.")
    md.append("")
    md.append("## Command lines in detail")
    md.append("")
    md.append("| Function | Case | Input bytes | Instructions per byte |")
    md.append("|---|---|---|---|")
    for c in commands["expand"]:
        md.append(f"| `ExpandCommandLine` (five templates) | {c['case']} | {c['bytes']} | {c['per_byte']:.2f} |")
    md.append("")
    for a in commands["allocations"]:
        md.append(
            f"- `{a['function']}`: {a['none']} heap allocations by the whole program when it runs the function "
            f"no time, {a['many']} when it runs it 1000 times over its cases."
        )
    if wine:
        md.append("")
        md.append("## Stamped and robot times side by side")
        md.append("")
        md.append(
            "The last column divides, round by round, the launcher's time by the baseline's from the same round, "
            "and takes the median: slow changes in the machine's load cancel out of it."
        )
        md.append("")
        md.append("| | Launcher | Baseline | Ratio of medians | Median of the rounds' ratios |")
        md.append("|---|---|---|---|---|")
        s_l = Series(r["paint_ms"] for r in wine["stamped"]["launcher"])
        s_b = Series(r["paint_ms"] for r in wine["stamped"]["baseline"])
        w_l = Series(r["paint_ms"] for r in wine["watched"]["launcher"])
        w_b = Series(r["paint_ms"] for r in wine["watched"]["baseline"])
        md.append(f"| Stamped: end of the first complete paint | {fmt_ms(s_l.median)} | {fmt_ms(s_b.median)} | "
                  f"{ratio(s_l, s_b):.3f} | {round_ratio(s_l, s_b):.3f} |")
        md.append(f"| Robot: the picture on the screen | {fmt_ms(w_l.median)} | {fmt_ms(w_b.median)} | "
                  f"{ratio(w_l, w_b):.3f} | {round_ratio(w_l, w_b):.3f} |")
        e_l = Series(r["exit_ms"] for r in wine["stamped"]["launcher"])
        e_b = Series(r["exit_ms"] for r in wine["stamped"]["baseline"])
        md.append(f"| Stamped: whole process | {fmt_ms(e_l.median)} | {fmt_ms(e_b.median)} | "
                  f"{ratio(e_l, e_b):.3f} | {round_ratio(e_l, e_b):.3f} |")
        md.append(f"| Robot minus stamped (medians) | {w_l.median - s_l.median:+.1f} ms | "
                  f"{w_b.median - s_b.median:+.1f} ms | | |")
        md.append("")
        md.append("")
        md.append("## Where start-up goes")
        md.append("")
        md.append(
            "Medians of each phase of the stamped runs, from the moments that `PaintStamp.cpp` records, in "
            "milliseconds."
        )
        md.append("")
        md.append("| Phase | Launcher | Baseline | Difference |")
        md.append("|---|---|---|---|")
        for name, lo_ms, bo_ms in phase_medians(wine["stamped"]):
            md.append(f"| {name} | {lo_ms:.2f} | {bo_ms:.2f} | {lo_ms - bo_ms:+.2f} |")
        md.append("")
        lt, _, ltypes = gdi_summary(wine["painted"]["launcher"])
        bt, _, btypes = gdi_summary(wine["painted"]["baseline"])
        md.append(f"- Live GDI objects after the first paint, launcher: {gdi_types(ltypes)}.")
        md.append(f"- Live GDI objects after the first paint, baseline: {gdi_types(btypes)}.")
    md.append("")
    return table, "\n".join(md), goals


PHASES = [
    "Process start to the program's static initialisation (Wine's loader, DLLs, C run-time start-up)",
    "Static initialisation to the dialog window's creation (the program's own start-up work)",
    "Dialog creation to the end of WM_INITDIALOG (controls, the dialog's set-up)",
    "End of WM_INITDIALOG to the first WM_PAINT (showing the window)",
    "The dialog's first WM_PAINT",
    "The buttons' first paints",
    "End of the first complete paint to the end of the process",
]


def phase_medians(stamped):
    """Per phase, the launcher's and the baseline's median in milliseconds."""
    per_program = {}
    for key in ("launcher", "baseline"):
        columns = [[] for _ in PHASES]
        for run in stamped[key]:
            marks = [int(v) for v in run["fields"]["phases"].split(",")]
            start = int(run["fields"]["paint_end"]) - run["paint_ms"] * 10_000
            moments = [start] + marks + [int(run["fields"]["paint_end"]), start + run["exit_ms"] * 10_000]
            for n in range(len(PHASES)):
                columns[n].append((moments[n + 1] - moments[n]) / 10_000)
        per_program[key] = [statistics.median(c) for c in columns]
    return [(name, per_program["launcher"][n], per_program["baseline"][n]) for n, name in enumerate(PHASES)]


def load_average():
    try:
        with open("/proc/loadavg") as f:
            return " ".join(f.read().split()[:3])
    except OSError:
        return "unknown"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--win-build", required=True)
    parser.add_argument("--cd-dir", required=True)
    parser.add_argument("--launcher-exe", required=True)
    parser.add_argument("--baseline-exe", required=True)
    parser.add_argument("--commands-exe", required=True)
    parser.add_argument("--robot-exe", required=True)
    parser.add_argument("--backdrop", required=True)
    parser.add_argument("--resource-script", required=True)
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--win-cxx", default="i686-w64-mingw32-g++-posix")
    parser.add_argument("--native-cxx", default="clang++")
    parser.add_argument("--build-type", default="Release")
    parser.add_argument("--runs", type=int, default=60)
    parser.add_argument("--paint-runs", type=int, default=20)
    parser.add_argument("--warmup", type=int, default=3)
    parser.add_argument("--no-wine", action="store_true", help="sizes and instruction counts only")
    parser.add_argument("--output", required=True)
    parser.add_argument("--raw", help="also write every run's figures to this JSON file")
    parser.add_argument("--scenario", default="the prefix as the script made it", help="what qx.ini holds, in words")
    args = parser.parse_args()
    args.load_before = load_average()

    facts = machine_facts(args)
    flags = compile_flags(args)
    log("sizes")
    size = measure_size(args)
    log("instruction counts (callgrind)")
    commands = measure_commands(args)
    wine = None
    if not args.no_wine:
        wine = measure_wine(args)
    if args.raw:
        with open(args.raw, "w") as f:
            json.dump({"machine": facts, "size": size, "commands": commands, "wine": wine}, f, indent=1)
    table, md, goals = build_report(args, facts, flags, size, commands, wine)
    print("\n".join(table))
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(md)
    print(f"\nWritten to {args.output}")
    missed = [measure for measure, ok in goals if not ok]
    if missed:
        print(f"Goals missed: {len(missed)} of {len(goals)}")


if __name__ == "__main__":
    main()
