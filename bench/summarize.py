#!/usr/bin/env python3
"""Turns one benchmark run into the tables and target ratios of BENCHMARKS.md.

usage: summarize.py results.json peak_heap.txt plot_data.dat > summary.md
Every ratio is taken between medians of the same run.
"""
import json
import sys

RECEIVE_LIMIT = 1.2
ADVERSARIAL_LIMIT = 1.3
SEND_LIMIT = 0.8
FLAT_LIMIT = 1.3


def load_medians(path):
    with open(path) as f:
        data = json.load(f)
    medians = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
            continue
        job, workload, contender = b["run_name"].split("/")
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        medians[(job, workload, contender)] = (b["cpu_time"] * scale, b["items"])
    return data["context"], medians


def verdict(ratio, limit):
    return "met" if ratio <= limit else "missed"


def main():
    context, m = load_medians(sys.argv[1])
    heap_lines = open(sys.argv[2]).read().splitlines()
    contenders = sorted({c for (_, _, c) in m}, key=lambda c: (c != "movrimsg", c))
    workloads = []
    for (job, w, _) in m:
        if (job, w) not in workloads:
            workloads.append((job, w))

    print(f"Run {context['date']}, {context['num_cpus']} CPUs at {context['mhz_per_cpu']} MHz, "
          f"libbenchmark build: {context['library_build_type']}.\n")
    print("Median CPU time per run, and per item (element, or chunk for amp/lf):\n")
    print("| job | workload | items | " + " | ".join(contenders) + " |")
    print("|---|---|---:|" + "---:|" * len(contenders))
    for job, w in workloads:
        cells = []
        items = None
        for c in contenders:
            if (job, w, c) not in m:
                cells.append("")
                continue
            t, items = m[(job, w, c)]
            cells.append(f"{t / 1e3:,.1f} us ({t / items:,.1f} ns)")
        print(f"| {job} | {w} | {int(items):,} | " + " | ".join(cells) + " |")

    print("\nTargets:\n")
    print("| target | measured | limit | |")
    print("|---|---:|---:|---|")

    def ratio(job, w, a, b):
        return m[(job, w, a)][0] / m[(job, w, b)][0]

    for job, w in workloads:
        if job == "receive" and (job, w, "expat-copy") in m:
            limit = ADVERSARIAL_LIMIT if w.startswith(("amp-", "lf-")) else RECEIVE_LIMIT
            r = ratio(job, w, "movrimsg", "expat-copy")
            print(f"| receive {w}: movrimsg / expat-copy | {r:.2f} | {limit} | {verdict(r, limit)} |")
    for w in ("typical", "max"):
        if ("send", w, "pugixml") in m:
            r = ratio("send", w, "movrimsg", "pugixml")
            print(f"| send {w}: movrimsg / pugixml | {r:.2f} | {SEND_LIMIT} | {verdict(r, SEND_LIMIT)} |")
    for family, small, large in (("scale", "1000", "1000000"), ("amp", "10000", "1000000"),
                                 ("lf", "10000", "1000000")):
        for c in contenders:
            a, b = ("receive", f"{family}-{small}", c), ("receive", f"{family}-{large}", c)
            if a in m and b in m:
                r = (m[b][0] / m[b][1]) / (m[a][0] / m[a][1])
                note = verdict(r, FLAT_LIMIT) if c == "movrimsg" else "(for comparison)"
                print(f"| per item {family} {large} / {small}, {c} | {r:.2f} | {FLAT_LIMIT} | {note} |")
    heap = {}
    for line in heap_lines[2:]:
        parts = line.split()
        if len(parts) == 4:
            heap[parts[0]] = (int(parts[1]), float(parts[2]))
    if "movrimsg" in heap and "pugixml" in heap:
        r = heap["movrimsg"][0] / heap["pugixml"][0]
        print(f"| peak heap 1M elements: movrimsg / pugixml ({heap['movrimsg'][1]:.0f} / "
              f"{heap['pugixml'][1]:.0f} bytes per element) | {r:.2f} | 1.0 | {verdict(r, 1.0)} |")

    with open(sys.argv[3], "w") as f:
        f.write("elements " + " ".join(contenders) + "\n")
        for n in ("1000", "10000", "100000", "1000000"):
            row = [n]
            for c in contenders:
                key = ("receive", f"scale-{n}", c)
                row.append(f"{m[key][0] / m[key][1]:.2f}" if key in m else "NaN")
            f.write(" ".join(row) + "\n")


if __name__ == "__main__":
    main()
