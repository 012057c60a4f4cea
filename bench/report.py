#!/usr/bin/env python3
"""Prints the table of a benchmark run made by run.sh.

    report.py <results folder>

For every scenario and command: the median wall time over the rounds, the
median CPU time (user + system, children included), the median peak RSS, and
for our programs the ratios, each taken round by round (our time divided by
the fastest of the others of the same round) and then the median of those
ratios: ours / peer (the fastest peer), ours / limit (the fastest of the
limits, such as the best of several read sizes) and ours / before (an
earlier build run beside ours, when BENCH_BEFORE was given), with each
target and whether it was met.
"""

import collections
import os
import re
import statistics
import sys


def load(folder):
    rows = collections.OrderedDict()
    loads = {}
    with open(os.path.join(folder, "results.tsv"), encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if parts[0] == "#load":
                loads.setdefault(parts[1], [parts[2], ""])
                continue
            if parts[0] == "#load-end":
                loads.setdefault(parts[1], ["", ""])[1] = parts[2]
                continue
            scen, label, role, rnd, wall, user, sys_, rss, rc, expect = parts
            rows.setdefault(scen, collections.OrderedDict()).setdefault(label, []).append(
                dict(role=role, round=int(rnd), wall=float(wall), cpu=float(user) + float(sys_),
                     rss=int(rss), rc=int(rc), ok=re.fullmatch(expect, rc) is not None))
    targets = collections.defaultdict(list)
    path = os.path.join(folder, "targets.tsv")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                scen, ours, refs, factor = line.rstrip("\n").split("\t")
                targets[scen].append((ours, refs.split(","), float(factor)))
    checks = collections.defaultdict(list)
    path = os.path.join(folder, "checks.txt")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                scen, text = line.rstrip("\n").split("\t", 1)
                checks[scen].append(text)
    return rows, loads, targets, checks


def round_ratios(cmds, ours, refs):
    """ours / fastest reference, for every round where all of them ran."""
    by_round = lambda label: {r["round"]: r["wall"] for r in cmds.get(label, [])}
    mine = by_round(ours)
    ref_rounds = [by_round(label) for label in refs]
    ratios = []
    for rnd, t in mine.items():
        ref = [rr[rnd] for rr in ref_rounds if rnd in rr]
        if len(ref) == len(refs) and min(ref) > 0:
            ratios.append(t / min(ref))
    return ratios


def describe(ratios):
    med = statistics.median(ratios)
    text = f"{med:.2f}"
    if len(ratios) > 1:
        text += f" ({min(ratios):.2f}–{max(ratios):.2f})"
    return med, text


def main():
    folder = sys.argv[1]
    rows, loads, targets, checks = load(folder)
    machine = os.path.join(folder, "machine.txt")
    if os.path.exists(machine):
        with open(machine, encoding="utf-8") as f:
            for line in f:
                print("    " + line.rstrip())
        print()
    print("| Scenario | Command | Median s | CPU s | Peak RSS MiB | Ours / peer | Ours / limit | Ours / before | Target |")
    print("|---|---|---:|---:|---:|---|---|---|---|")
    summary = []
    for scen, cmds in rows.items():
        by_role = collections.defaultdict(list)
        for label, runs in cmds.items():
            by_role[runs[0]["role"]].append(label)
        for label, runs in cmds.items():
            role = runs[0]["role"]
            wall = statistics.median(r["wall"] for r in runs)
            cpu = statistics.median(r["cpu"] for r in runs)
            rss = statistics.median(r["rss"] for r in runs) / 1024
            bad = sum(not r["ok"] for r in runs)
            name = {"ours": f"**{label}**", "limit": f"*{label}* (limit)"}.get(role, label)
            if bad:
                name += f" ({bad}/{len(runs)} runs with unexpected exit status)"
            cells = ["", "", ""]
            goals = []
            if role == "ours":
                for k, other in enumerate(("peer", "limit", "before")):
                    ratios = round_ratios(cmds, label, by_role[other]) if by_role[other] else []
                    if ratios:
                        cells[k] = describe(ratios)[1]
                for ours, refs, factor in targets.get(scen, []):
                    if ours != label:
                        continue
                    ratios = round_ratios(cmds, label, refs)
                    if not ratios:
                        continue
                    med = statistics.median(ratios)
                    verdict = "met" if med <= factor else "**missed**"
                    goals.append(f"{med:.2f} × {' / '.join(refs)} ≤ {factor:.2f}: {verdict}")
                    summary.append((scen, label, med, factor, verdict))
            print(f"| {scen} | {name} | {wall:.3f} | {cpu:.2f} | {rss:.1f} | {cells[0]} | {cells[1]} | {cells[2]} | "
                  f"{'; '.join(goals)} |")
    print()
    print("Load average (1, 5, 15 min) at the start and end of each scenario:")
    for scen, (start, end) in loads.items():
        print(f"- {scen}: {start} → {end}")
    if checks:
        print()
        print("Result checks (each program run once before the timing, its result verified):")
        for scen, texts in checks.items():
            for t in texts:
                print(f"- {scen}: {t}")
    if summary:
        print()
        print("Targets:", ", ".join(f"{s} {v} ({m:.2f} vs ≤ {f:.2f})" for s, _, m, f, v in summary))


if __name__ == "__main__":
    main()
