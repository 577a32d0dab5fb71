#!/usr/bin/env python3
"""Turns the benchmark results into one table.

Usage: bench-table.py ENGINE_JSON [GUI_XML]

ENGINE_JSON is Google Benchmark's JSON output run with repetitions; the
median of each benchmark is taken. A benchmark whose label reads
"vs BASELINE" is compared with that baseline's median (the fastest possible
pass over the same bytes); one whose label reads "target N s" (or ms) has
that target. GUI_XML is the QtTest XML output of the window benchmarks (wall
time, the median of -median runs).

Targets: every engine step (open, write, engine) under 1 ms, except the
map arithmetic of MAP_TARGETS and the steps whose label names another (the
Scale/ rows of longer lines: open and grid 2 ms at 5 000 points, 10 ms at
20 000, 60 ms at 100 000, writers 20 ms at 20 000; their cost per point is
shown, and its growth from 5 000 to 100 000 points);
every interactive step under 16 ms, start-up under 300 ms.
"""
import json
import sys
import xml.etree.ElementTree as ET

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}

# Targets of the colour maps, in ns, by name prefix: the levels and classes
# of 100 bounds, the band fill of a 2000 x 200 grid into 1600 x 600 pixels.
MAP_TARGETS = {"Maps/LevelsAndClasses": 10e3, "Maps/BandFill/": 8e6}


def engine_target(name):
    for prefix, target in MAP_TARGETS.items():
        if name.startswith(prefix):
            return target
    return 1e6


def engine_rows(path):
    with open(path, encoding="utf-8") as f:
        data = json.load(f)
    medians, labels, errors, per_point = {}, {}, {}, {}
    for b in data["benchmarks"]:
        name = b.get("run_name", b["name"])
        if b.get("error_occurred"):
            errors[name] = b.get("error_message", "error")
            continue
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        medians[name] = b["real_time"] * UNIT_NS[b.get("time_unit", "ns")]
        if "per_point" in b:
            per_point[name] = b["per_point"] * 1e9  # seconds per point
        if b.get("label"):
            labels[name] = b["label"]
    rows = []
    for name in list(medians) + [n for n in errors if n not in medians]:
        if name.startswith("Baseline/"):
            continue
        if name in errors:
            rows.append((name, None, None, engine_target(name), errors[name], None))
            continue
        baseline = None
        target = 1e6
        label = labels.get(name, "")
        if label.startswith("vs "):
            baseline = medians.get(label[3:])
        elif label.startswith("target "):
            value, unit = label[7:].split()
            target = float(value) * UNIT_NS[unit]
        if target == 1e6:
            target = engine_target(name)
        rows.append((name, medians[name], baseline, target, "", per_point.get(name)))
    return rows


def growth_rows(rows):
    """Cost per point at 100 000 points against 5 000, per reader and line."""
    by_key = {}
    for name, ns, _, _, _, pp in rows:
        if not name.startswith("Scale/OpenAndGrid/") or pp is None:
            continue
        parts = name.split("/")
        points = int(parts[3].split(":")[1])
        key = parts[2] + " " + parts[4]
        by_key.setdefault(key, {})[points] = pp
    out = []
    for key, pts in sorted(by_key.items()):
        if 5000 in pts and 100000 in pts:
            out.append((key, pts[100000] / pts[5000]))
    return out


def gui_rows(path):
    rows = []
    for function in ET.parse(path).getroot().iter("TestFunction"):
        result = function.find("BenchmarkResult")
        if result is None:
            continue
        name = "Window/" + function.get("name")
        ns = float(result.get("value")) * 1e6
        failed = any(i.get("type") in ("fail", "xpass") for i in function.iter("Incident"))
        target = 300e6 if function.get("name") == "startUp" else 16e6
        rows.append((name, ns, None, target, "FAILED" if failed else "", None))
    return rows


def fmt(ns):
    if ns is None:
        return "-"
    if ns >= 1e9:
        return "%.2f s" % (ns / 1e9)
    if ns >= 1e6:
        return "%.2f ms" % (ns / 1e6)
    if ns >= 1e3:
        return "%.1f us" % (ns / 1e3)
    return "%.0f ns" % ns


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    rows = engine_rows(argv[1])
    if len(argv) > 2:
        rows += gui_rows(argv[2])
    header = ("Benchmark", "Median", "Fastest pass", "Ratio", "Per point", "Target", "Holds")
    table = []
    for name, ns, baseline, target, note, pp in rows:
        ratio = ("%.1fx" if ns >= baseline else "%.2fx") % (ns / baseline) if ns and baseline else "-"
        holds = note if note else ("yes" if ns < target else "NO")
        table.append((name, fmt(ns), fmt(baseline), ratio, fmt(pp), "< " + fmt(target), holds))
    widths = [max(len(r[i]) for r in [header] + table) for i in range(len(header))]
    line = lambda r: "  ".join(c.ljust(w) if i == 0 else c.rjust(w) for i, (c, w) in enumerate(zip(r, widths)))
    print(line(header))
    print("  ".join("-" * w for w in widths))
    for r in table:
        print(line(r))
    growth = growth_rows(rows)
    if growth:
        print()
        print("Cost per point, 100 000 points against 5 000 (target: at most 1.5x)")
        for key, g in growth:
            print("  %-32s %.2fx  %s" % (key, g, "yes" if g <= 1.5 else "NO"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
