#!/usr/bin/env python3
"""Where each refresh's time goes, from the recordings tick_breakdown makes.

  tick_report.py time PERF_SCRIPT_OUTPUT TICKS
  tick_report.py syscalls STRACE_OUTPUT TICKS [SOCKET_INODES]

SOCKET_INODES: the comma-separated inodes of both ends of the program's
connections to the X server, as `ss -x` gives them.
  tick_report.py instructions CALLGRIND_OUTPUT
  tick_report.py scenes REPORT...

Each of the first three prints a table, then one line per figure:
  BREAKDOWN method=M part=P value=V unit=U
`scenes` reads the BREAKDOWN lines of one report per scene (the first the
scene to compare with) and prints, per tick, each scene's figures, what
each adds to the first, and that divided by the gauges it drew anew beyond
the first's: what one gauge drawn anew costs, text and bar painted, the
window painted and sent to the display.
"""
import re
import sys
from collections import Counter, defaultdict

# The parts of a tick, each named by what marks it on a call stack. A sample
# or a call belongs to the first part whose mark its stack holds, searched in
# this order; what holds none is the loop itself.
PARTS = [
    ("status: statvfs in helper", ("linux_status::StatvfsWithin", "RunHelper")),
    ("status: reads", ("status::CollectPowerTexts", "status::SurveyMemory")),
    ("refresh: nine texts, four labels", ("platform::SetDialogItemText",)),
    ("refresh: eight gauges", ("display::DrawGauge",)),
    ("refresh: rest", ("display::RefreshStatus",)),
    ("transfer to the display", ("QBackingStore::flush", "QWidgetRepaintManager::flush",
                                 "xcb_image_put", "xcb_put_image")),
    ("painting the window", ("QWidgetRepaintManager::paintAndFlush",
                             "QWidgetRepaintManager::sync")),
    ("display round trips", ("xcb_wait_for_reply",)),
]
LOOP = "loop: Qt and X events"


def part_of(frames):
    for name, marks in PARTS:
        if any(mark in frame for frame in frames for mark in marks):
            return name
    return LOOP


def emit(method, rows, unit, header):
    """rows: list of (part, value) in display order."""
    print(f"{'part of a tick':<40}{header:>16}")
    for part, value in rows:
        print(f"{part:<40}{value:>16.1f}")
    for part, value in rows:
        print(f"BREAKDOWN method={method} part={part.replace(' ', '_')} value={value:.1f} unit={unit}")


# ---- time: perf record -e cpu-clock --call-graph dwarf ------------------------

def perf_samples(path):
    """Yields (command, period_ns, frames leaf first, leaf_in_kernel)."""
    header = re.compile(r"^(\S.*?)\s+(\d+)\s+(\d+)\s*$")
    command = None
    period = 0
    frames = []
    leaf_kernel = False
    with open(path, errors="replace") as lines:
        for line in lines:
            if not line.strip():
                if command is not None:
                    yield command, period, frames, leaf_kernel
                command = None
                continue
            if not line.startswith(("\t", " ")):
                match = header.match(line.rstrip("\n"))
                if match:
                    command, period, frames = match.group(1), int(match.group(3)), []
                    leaf_kernel = None
                continue
            if command is None:
                continue
            fields = line.split(None, 1)
            rest = fields[1] if len(fields) > 1 else ""
            if leaf_kernel is None:
                leaf_kernel = "[kernel.kallsyms]" in rest
            frames.append(rest)
    if command is not None:
        yield command, period, frames, leaf_kernel


def report_time(path, ticks):
    user = Counter()
    kernel = Counter()
    server = 0
    for command, period, frames, in_kernel in perf_samples(path):
        if command.startswith("Xvfb") or command.startswith("Xorg"):
            server += period
            continue
        (kernel if in_kernel else user)[part_of(frames)] += period
    order = [name for name, _ in PARTS] + [LOOP]
    per_tick = lambda ns: ns / 1000.0 / ticks
    print(f"{'part of a tick':<40}{'user µs':>10}{'kernel µs':>11}{'total µs':>10}")
    for part in order:
        print(f"{part:<40}{per_tick(user[part]):>10.1f}{per_tick(kernel[part]):>11.1f}"
              f"{per_tick(user[part] + kernel[part]):>10.1f}")
    total_user = sum(user.values())
    total_kernel = sum(kernel.values())
    print(f"{'the program, in all':<40}{per_tick(total_user):>10.1f}{per_tick(total_kernel):>11.1f}"
          f"{per_tick(total_user + total_kernel):>10.1f}")
    print(f"{'the X server':<40}{'':>10}{'':>11}{per_tick(server):>10.1f}")
    for part in order:
        for side, counts in (("user", user), ("kernel", kernel)):
            print(f"BREAKDOWN method=time part={part.replace(' ', '_')}.{side} "
                  f"value={per_tick(counts[part]):.1f} unit=us")
    print(f"BREAKDOWN method=time part=program value={per_tick(total_user + total_kernel):.1f} unit=us")
    print(f"BREAKDOWN method=time part=x_server value={per_tick(server):.1f} unit=us")


# ---- syscalls: strace -f -yy -------------------------------------------------

def syscall_kind(line, display_sockets):
    """What a traced call served, from its name and the file it names."""
    name = line.split("(", 1)[0]
    socket = re.search(r"UNIX-STREAM:\[(\d+)->(\d+)", line)
    if socket and (socket.group(1) in display_sockets or socket.group(2) in display_sockets):
        return "to and from the display"
    if "/power_supply" in line or "/meminfo" in line or "/mountinfo" in line \
            or "/dev/block" in line or name in ("statfs", "statvfs", "fstatfs"):
        return "status reads"
    if name == "futex":
        return "statvfs hand-off (futex)"
    if name in ("ppoll", "poll", "epoll_wait", "read", "write") and (
            "eventfd" in line or "inotify" in line or "eventpoll" in line):
        return "loop: wake-ups and waits"
    if name in ("ppoll", "poll"):
        return "loop: wake-ups and waits"
    return "other: " + name


def report_syscalls(path, ticks, display_sockets):
    calls = Counter()
    names = defaultdict(Counter)
    bytes_to_display = 0
    pending = {}
    call = re.compile(r"^(\d+)\s+(.*)$")
    with open(path, errors="replace") as lines:
        for raw in lines:
            match = call.match(raw.rstrip("\n"))
            if not match:
                continue
            tid, text = match.groups()
            if text.startswith("<..."):
                begun = pending.pop(tid, None)
                if begun is None:
                    continue
                text = begun + " " + text.split("resumed>", 1)[-1]
            elif text.endswith("<unfinished ...>"):
                pending[tid] = text[: -len("<unfinished ...>")]
                continue
            if text.startswith(("+++", "---")):
                continue
            kind = syscall_kind(text, display_sockets)
            calls[kind] += 1
            names[kind][text.split("(", 1)[0]] += 1
            if kind == "to and from the display" and text.startswith(("writev", "write", "sendmsg")):
                result = re.search(r"=\s*(\d+)", text.rsplit(")", 1)[-1])
                if result:
                    bytes_to_display += int(result.group(1))
    rows = sorted(calls.items(), key=lambda item: -item[1])
    print(f"{'system calls per tick':<40}{'count':>8}  of which")
    for kind, count in rows:
        detail = ", ".join(f"{name} {n / ticks:.1f}" for name, n in names[kind].most_common(6))
        print(f"{kind:<40}{count / ticks:>8.1f}  {detail}")
    print(f"{'in all':<40}{sum(calls.values()) / ticks:>8.1f}")
    print(f"{'bytes written to the display':<40}{bytes_to_display / ticks:>8.0f}")
    for kind, count in rows:
        print(f"BREAKDOWN method=syscalls part={kind.replace(' ', '_')} value={count / ticks:.1f} unit=calls")
    print(f"BREAKDOWN method=syscalls part=all value={sum(calls.values()) / ticks:.1f} unit=calls")
    print(f"BREAKDOWN method=syscalls part=bytes_to_display value={bytes_to_display / ticks:.0f} unit=bytes")


# ---- instructions: callgrind ---------------------------------------------------

def callgrind_calls(path):
    """Per callee: the calls made to it and the instructions they took
    (inclusive), summed over every caller; and the run's total."""
    names = {}
    calls = Counter()
    inclusive = Counter()
    total = 0
    callee = None
    awaiting_cost = False
    call_count = 0

    def resolve(text):
        match = re.match(r"\((\d+)\)(?:\s+(.*))?$", text)
        if not match:
            return text
        if match.group(2) is not None:
            names[match.group(1)] = match.group(2)
        return names.get(match.group(1), text)

    with open(path, errors="replace") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith(("summary:", "totals:")):
                total = max(total, int(line.split()[1]))
            elif line.startswith("fn="):
                resolve(line[3:])
            elif line.startswith("cfn="):
                callee = resolve(line[4:])
            elif line.startswith("calls="):
                call_count = int(line[6:].split()[0])
                awaiting_cost = True
            elif awaiting_cost and line and (line[0].isdigit() or line[0] in "+-*"):
                fields = line.split()
                cost = int(fields[1]) if len(fields) > 1 else 0
                calls[callee] += call_count
                inclusive[callee] += cost
                awaiting_cost = False
    return calls, inclusive, total


def matching(counter, prefixes):
    return sum(value for name, value in counter.items() if name.startswith(prefixes))


def report_instructions(path):
    calls, inclusive, total = callgrind_calls(path)
    ticks = matching(calls, ("display::RefreshStatus(",))
    if ticks == 0:
        sys.exit("tick_report: no refresh in the recording")
    per_tick = lambda value: value / ticks / 1000.0
    parts = [
        ("status: power texts", ("status::CollectPowerTexts(",)),
        ("status: memory survey", ("status::SurveyMemory(",)),
        ("refresh: nine texts, four labels", ("platform::SetDialogItemText(",)),
        ("refresh: eight gauges", ("display::DrawGauge(",)),
        ("refresh, in all", ("display::RefreshStatus(",)),
        ("painting the window", ("QWidgetRepaintManager::paintAndFlush(",)),
        ("of it, transfer to the display", ("QBackingStore::flush(",)),
    ]
    rows = [(part, per_tick(matching(inclusive, prefixes))) for part, prefixes in parts]
    rows.append(("the program, in all", per_tick(total)))
    emit("instructions", rows, "kIr", "thousand instr.")
    allocations = matching(calls, ("malloc", "calloc", "realloc", "__libc_malloc",
                                   "__libc_calloc", "__libc_realloc", "aligned_alloc",
                                   "posix_memalign", "memalign"))
    round_trips = matching(calls, ("xcb_wait_for_reply",))
    requests = matching(calls, ("xcb_send_request",))
    # A gauge whose picture changed is put on screen through this, once.
    drawn = matching(calls, ("platform::qt::SurfaceWidget::ShowDrawing(",))
    print(f"{'refreshes recorded':<40}{ticks:>16}")
    print(f"{'gauges drawn anew per tick':<40}{drawn / ticks:>16.2f}")
    print(f"{'heap allocations per tick':<40}{allocations / ticks:>16.1f}")
    print(f"{'X requests sent per tick':<40}{requests / ticks:>16.1f}")
    print(f"{'X round trips per tick':<40}{round_trips / ticks:>16.1f}")
    print(f"BREAKDOWN method=instructions part=ticks value={ticks} unit=count")
    print(f"BREAKDOWN method=instructions part=gauges_drawn value={drawn / ticks:.2f} unit=count")
    print(f"BREAKDOWN method=instructions part=heap_allocations value={allocations / ticks:.1f} unit=calls")
    print(f"BREAKDOWN method=instructions part=x_requests value={requests / ticks:.1f} unit=calls")
    print(f"BREAKDOWN method=instructions part=x_round_trips value={round_trips / ticks:.1f} unit=calls")


# ---- scenes: the reports of several scenes side by side -----------------------

SCENE_FIGURES = [
    ("processor time, schedstat (µs)", "time", "program_alone"),
    ("perf: the program (µs)", "time", "program"),
    ("perf: eight gauges (µs)", "time", "refresh:_eight_gauges"),
    ("perf: painting the window (µs)", "time", "painting_the_window"),
    ("perf: transfer to the display (µs)", "time", "transfer_to_the_display"),
    ("perf: the X server (µs)", "time", "x_server"),
    ("instructions, the program (k)", "instructions", "the_program,_in_all"),
    ("instructions, eight gauges (k)", "instructions", "refresh:_eight_gauges"),
    ("instructions, painting (k)", "instructions", "painting_the_window"),
    ("heap allocations", "instructions", "heap_allocations"),
    ("system calls", "syscalls", "all"),
    ("bytes to the display", "syscalls", "bytes_to_display"),
]


def breakdown_of(path):
    figures = {}
    line = re.compile(r"^BREAKDOWN method=(\S+) part=(\S+) value=(\S+) unit=")
    with open(path, errors="replace") as lines:
        for text in lines:
            match = line.match(text)
            if match:
                method, part, value = match.groups()
                # A part of the perf table is given for user and kernel.
                if method == "time" and part.endswith((".user", ".kernel")):
                    name = part.rsplit(".", 1)[0]
                    figures[(method, name)] = figures.get((method, name), 0.0) + float(value)
                else:
                    figures[(method, part)] = float(value)
    return figures


def report_scenes(paths):
    names = [path.rsplit(".", 1)[-1] for path in paths]
    scenes = [breakdown_of(path) for path in paths]
    base = scenes[0]
    # Without a callgrind recording, the prepared scenes draw what they are
    # made to change: none, one or all eight gauges a tick.
    made = {"still": 0.0, "changing": 1.0, "every": 8.0}
    for name, scene in zip(names, scenes):
        if ("instructions", "gauges_drawn") not in scene and name in made:
            scene[("instructions", "gauges_drawn")] = made[name]
    drawn = [scene.get(("instructions", "gauges_drawn")) for scene in scenes]
    print(f"{'per tick':<38}" + "".join(f"{name:>10}" for name in names) +
          "".join(f"{'+' + name:>10}" for name in names[1:]) +
          "".join(f"{'/gauge':>9}" for _ in names[1:]))
    rows = [("gauges drawn anew", "instructions", "gauges_drawn")] + SCENE_FIGURES
    for label, method, part in rows:
        values = [scene.get((method, part)) for scene in scenes]
        if all(value is None for value in values):
            continue
        cells = "".join(f"{value:>10.1f}" if value is not None else f"{'-':>10}" for value in values)
        added, each = "", ""
        for index in range(1, len(scenes)):
            value, first = values[index], values[0]
            more = drawn[index] - drawn[0] if None not in (drawn[index], drawn[0]) else None
            if value is None or first is None:
                added += f"{'-':>10}"
                each += f"{'-':>9}"
                continue
            added += f"{value - first:>+10.1f}"
            per_gauge = (value - first) / more if more and part != "gauges_drawn" else None
            each += f"{per_gauge:>9.1f}" if per_gauge is not None else f"{'-':>9}"
            if per_gauge is not None:
                print_later.append(f"BREAKDOWN method=scenes part={names[index]}.{part}.per_gauge "
                                   f"value={per_gauge:.1f} unit=per_gauge")
        print(f"{label:<38}{cells}{added}{each}")
    for line in print_later:
        print(line)


print_later = []


def main(arguments):
    if len(arguments) >= 3 and arguments[0] == "time":
        report_time(arguments[1], float(arguments[2]))
    elif len(arguments) >= 3 and arguments[0] == "syscalls":
        sockets = set(arguments[3].split(",")) if len(arguments) > 3 else set()
        report_syscalls(arguments[1], float(arguments[2]), sockets)
    elif len(arguments) >= 2 and arguments[0] == "instructions":
        report_instructions(arguments[1])
    elif len(arguments) >= 3 and arguments[0] == "scenes":
        report_scenes(arguments[1:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
