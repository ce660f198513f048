#!/usr/bin/env python3
"""Turns one benchmark run into the tables and target ratios of BENCHMARKS.md.

usage: summarize.py results.json peak_heap.txt plot_data.dat > summary.md
Every ratio is taken between medians of the same run.
"""
import json
import sys

# The targets, as ratios within one run.
RECEIVE_LIMIT = 1.0       # receive typical and max, to expat-copy
SCALE_LIMIT = 1.2         # receive 1k to 1M elements, to expat-copy
ADVERSARIAL_LIMIT = 1.1   # receive amp-N and lf-N, to expat-copy
SEND_LIMIT = 1.0          # send typical and max, to pugixml
THREADS_LIMIT = 1.8       # throughput of two threads to one, at least
HEAP_LIMIT = 179.387      # bytes per element of the parsed 1M-element message, at most
                          # (179,386,888 bytes before the parser's arena)


def load_medians(path):
    with open(path) as f:
        data = json.load(f)
    medians = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
            continue
        job, workload, contender, *rest = b["run_name"].split("/")
        if job.endswith("-threads"):
            threads = rest[-1].split(":")[1]  # "threads:N"
            medians[(job, workload, f"{contender} x{threads}")] = (
                b["items_per_second"], b["items"])
            continue
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        medians[(job, workload, contender)] = (b["cpu_time"] * scale, b["items"])
    return data["context"], medians


def main():
    context, m = load_medians(sys.argv[1])
    heap_lines = open(sys.argv[2]).read().splitlines()
    timed = {k: v for k, v in m.items() if not k[0].endswith("-threads")}
    contenders = sorted({c for (_, _, c) in timed}, key=lambda c: (c != "movrimsg", c))
    def order(job_and_workload):
        job, w = job_and_workload
        family, _, size = w.partition("-")
        families = ["typical", "max", "scale", "amp", "lf"]
        return (job != "send", families.index(family), int(size or 0))

    workloads = sorted({(job, w) for (job, w, _) in timed}, key=order)

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

    def row(name, r, limit, met):
        print(f"| {name} | {r:.2f} | {limit} | {'met' if met else 'missed'} |")

    for job, w in workloads:
        if job == "receive" and (job, w, "expat-copy") in m:
            limit = (ADVERSARIAL_LIMIT if w.startswith(("amp-", "lf-"))
                     else SCALE_LIMIT if w.startswith("scale-") else RECEIVE_LIMIT)
            r = ratio(job, w, "movrimsg", "expat-copy")
            row(f"receive {w}: movrimsg / expat-copy", r, limit, r <= limit)
    for w in ("typical", "max"):
        if ("send", w, "pugixml") in m:
            r = ratio("send", w, "movrimsg", "pugixml")
            row(f"send {w}: movrimsg / pugixml", r, SEND_LIMIT, r <= SEND_LIMIT)
    for job in ("send-threads", "receive-threads"):
        for w in ("typical", "max"):
            for c in ("movrimsg", "expat-copy", "pugixml"):
                one, two = (job, w, f"{c} x1"), (job, w, f"{c} x2")
                if one not in m or two not in m:
                    continue
                r = m[two][0] / m[one][0]
                if c == "movrimsg":
                    row(f"{job} {w}: throughput of 2 threads / 1", r, THREADS_LIMIT,
                        r >= THREADS_LIMIT)
                else:
                    print(f"| {job} {w}, {c}: throughput of 2 threads / 1 | {r:.2f} | | "
                          f"(for comparison) |")
    heap = {}
    for line in heap_lines[2:]:
        parts = line.split()
        if len(parts) == 4:
            heap[parts[0]] = (int(parts[1]), float(parts[2]))
    elements = int(heap_lines[0].split()[1])  # "document: N body elements, ..."
    if "movrimsg" in heap:
        per_element = heap["movrimsg"][0] / elements
        print(f"| peak heap, 1M elements: bytes per element | {per_element:.3f} | {HEAP_LIMIT} | "
              f"{'met' if per_element <= HEAP_LIMIT else 'missed'} |")

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
