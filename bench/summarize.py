#!/usr/bin/env python3
"""Turns benchmark runs into the tables and target ratios of BENCHMARKS.md.

usage: summarize.py peak_heap.txt plot_data.dat results.json [results.json ...] > summary.md

Every ratio is taken between medians of the same run. With several runs, the
times shown are the median over the runs of each run's median, and each
target shows the median of its per-run ratios with their range: on a shared
machine the ratios of one run alone move by 10-20 %.
"""
import json
import statistics
import sys

# The targets, as ratios within one run.
RECEIVE_LIMIT = 1.0       # receive typical and max, to expat-copy
SCALE_LIMIT = 1.2         # receive 1k to 1M elements, to expat-copy
ADVERSARIAL_LIMIT = 1.1   # receive amp-N and lf-N, to expat-copy
SEND_LIMIT = 1.0          # send typical and max, to pugixml
THREADS_LIMIT = 1.8       # throughput of two threads to one, at least
HEAP_LIMIT = 179.387      # bytes per element of the parsed 1M-element message, at most
                          # (179,386,888 bytes before the parser's arena)
FAMILIES = ["typical", "max", "scale", "amp", "lf"]


def load_medians(path):
    """(job, workload, contender) -> (median CPU ns, or items per second for
    the thread rows; items), and the run's context."""
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


def order(job_and_workload):
    job, w = job_and_workload
    family, _, size = w.partition("-")
    return (job != "send", FAMILIES.index(family), int(size or 0))


def targets(m):
    """(name, ratio, limit, at_least) for every target one run measured."""
    found = []
    for job, w in sorted({(j, w) for (j, w, _) in m if not j.endswith("-threads")}, key=order):
        if job == "receive" and (job, w, "expat-copy") in m:
            limit = (ADVERSARIAL_LIMIT if w.startswith(("amp-", "lf-"))
                     else SCALE_LIMIT if w.startswith("scale-") else RECEIVE_LIMIT)
            found.append((f"receive {w}: movrimsg / expat-copy",
                          m[(job, w, "movrimsg")][0] / m[(job, w, "expat-copy")][0], limit, False))
        if job == "send" and (job, w, "pugixml") in m:
            found.append((f"send {w}: movrimsg / pugixml",
                          m[(job, w, "movrimsg")][0] / m[(job, w, "pugixml")][0], SEND_LIMIT, False))
    for job in ("send-threads", "receive-threads"):
        for w in ("typical", "max"):
            for c in ("movrimsg", "expat-copy", "pugixml"):
                one, two = (job, w, f"{c} x1"), (job, w, f"{c} x2")
                if one in m and two in m:
                    limit = THREADS_LIMIT if c == "movrimsg" else None
                    name = f"{job} {w}" + ("" if c == "movrimsg" else f", {c}")
                    found.append((f"{name}: throughput of 2 threads / 1",
                                  m[two][0] / m[one][0], limit, True))
    return found


def main():
    heap_path, plot_path, result_paths = sys.argv[1], sys.argv[2], sys.argv[3:]
    runs = [load_medians(path) for path in result_paths]
    context = runs[0][0]
    m = {key: (statistics.median(run[key][0] for _, run in runs if key in run), items)
         for key, (_, items) in runs[0][1].items()}

    timed = {k: v for k, v in m.items() if not k[0].endswith("-threads")}
    contenders = sorted({c for (_, _, c) in timed}, key=lambda c: (c != "movrimsg", c))
    workloads = sorted({(job, w) for (job, w, _) in timed}, key=order)

    print(f"{len(runs)} run(s) from {context['date']}, {context['num_cpus']} CPUs at "
          f"{context['mhz_per_cpu']} MHz, libbenchmark build: {context['library_build_type']}.\n")
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

    print("\nTargets (the median of the runs' ratios; in brackets, the lowest and highest):\n")
    print("| target | measured | limit | |")
    print("|---|---:|---:|---|")
    per_run = [targets(run) for _, run in runs]
    for i, (name, _, limit, at_least) in enumerate(per_run[0]):
        ratios = [found[i][1] for found in per_run]
        r = statistics.median(ratios)
        spread = f" [{min(ratios):.3f}-{max(ratios):.3f}]" if len(ratios) > 1 else ""
        if limit is None:
            verdict, limit = "(for comparison)", ""
        else:
            verdict = "met" if (r >= limit if at_least else r <= limit) else "missed"
        print(f"| {name} | {r:.3f}{spread} | {limit} | {verdict} |")

    heap_lines = open(heap_path).read().splitlines()
    heap = {}
    for line in heap_lines[2:]:
        parts = line.split()
        if len(parts) == 4:
            heap[parts[0]] = int(parts[1])
    elements = int(heap_lines[0].split()[1])  # "document: N body elements, ..."
    if "movrimsg" in heap:
        per_element = heap["movrimsg"] / elements
        print(f"| peak heap, 1M elements: bytes per element | {per_element:.3f} | {HEAP_LIMIT} | "
              f"{'met' if per_element <= HEAP_LIMIT else 'missed'} |")

    with open(plot_path, "w") as f:
        f.write("elements " + " ".join(contenders) + "\n")
        for n in ("1000", "10000", "100000", "1000000"):
            row = [n]
            for c in contenders:
                key = ("receive", f"scale-{n}", c)
                row.append(f"{m[key][0] / m[key][1]:.2f}" if key in m else "NaN")
            f.write(" ".join(row) + "\n")


if __name__ == "__main__":
    main()
