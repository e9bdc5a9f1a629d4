#!/usr/bin/env python3
"""Turns the JSON output of bench_recognition (BM_UiPage and BM_UiPageCommandLine, best with
--benchmark_repetitions and medians) into one table: per page, the error rate and time of ours,
warm and cold, against the tesseract command line with its default threads and with one."""
import json
import sys

runs = json.load(open(sys.argv[1]) if len(sys.argv) > 1 else sys.stdin)["benchmarks"]
rows = {}
for run in runs:
    if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
        continue
    label = run.get("label", "")
    if " " not in label:
        continue
    page, kind = label.rsplit(" ", 1)
    rows.setdefault(page, {})[kind] = (run["real_time"], run.get("cer", 0.0))

print("| page | ours warm ms | ours cold ms | cli ms | cli 1 thread ms | cer ours | cer cli | warm / cli |")
print("|---|---|---|---|---|---|---|---|")
ratios, worse = [], []
for page, kinds in rows.items():
    if not all(k in kinds for k in ("warm", "cold", "cli", "cli-1")):
        continue
    warm, cold, cli, one = kinds["warm"], kinds["cold"], kinds["cli"], kinds["cli-1"]
    ratios.append(warm[0] / cli[0])
    if warm[1] > cli[1] + 1e-9:
        worse.append(page)
    print(f"| {page} | {warm[0]:.0f} | {cold[0]:.0f} | {cli[0]:.0f} | {one[0]:.0f} | {warm[1]:.3f} | {cli[1]:.3f} | {warm[0] / cli[0]:.2f} |")
if ratios:
    print(f"\nmean warm / cli: {sum(ratios) / len(ratios):.2f}; pages where ours reads worse: {', '.join(worse) or 'none'}")
