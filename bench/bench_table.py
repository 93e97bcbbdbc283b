"""The table bench/run prints: the figures it measured, each with its target and whether it was met."""

import statistics

GIB = 1 << 30
PEERS = ("ffprobe", "mediainfo", "gst")


def verdict(ok):
    return "met" if ok else "**missed**"


def seconds_text(s):
    return f"{s:.3f}" if s < 100 else f"{s:.0f}"


def case_targets(case, key, row):
    """(target, met) pairs of one row; the targets hold for the page-cached streams."""
    if case.cold:
        return []
    if key == "quick":
        return [("≤ 1.3× cat", case.per_round_ratio("quick", "cat") <= 1.3),
                ("peak < 16 MiB", row.peak() < 16)]
    if key == "tree-scan":
        return [("≤ 1.6× cat", case.per_round_ratio("tree-scan", "cat") <= 1.6)]
    if key == "tree-cache":
        return [("< 2% of the scan", case.per_round_ratio("tree-cache", "tree-scan") < 0.02)]
    if key == "extended":
        return [("≤ 2× cat", case.per_round_ratio("extended", "cat") <= 2)]
    return []


def ratio_text(case, key):
    if key == "cat":
        return "floor"
    if key == "tree-cache":
        text = f"{case.per_round_ratio(key, 'tree-scan'):.1%} of the scan"
        net = net_reload_ratio(case)
        return text if net is None else f"{text} ({net:.1%} net of the program start)"
    return f"{case.per_round_ratio(key, 'cat'):.2f}× cat"


def net_reload_ratio(case):
    """The reload against the scan with the program's start and exit (the launch row, through the same
    wrapper) taken off both: what reading the cache costs against what scanning costs."""
    rows = case.rows
    if not all(k in rows and rows[k].ok() for k in ("launch", "tree-cache", "tree-scan")):
        return None
    return statistics.median((c.seconds - l.seconds) / (s.seconds - l.seconds)
                             for c, s, l in zip(rows["tree-cache"].samples, rows["tree-scan"].samples,
                                                rows["launch"].samples))


def fastest_peer(case):
    """Name and median per-round speed-up of Quick against the fastest peer of each round, or None."""
    peers = [k for k in PEERS if case.rows[k].ok()]
    if not peers or not case.rows["quick"].ok():
        return None
    quick = case.rows["quick"].samples
    ratios = [min(case.rows[k].samples[i].seconds for k in peers) / quick[i].seconds for i in range(len(quick))]
    name = min(peers, key=lambda k: case.rows[k].median())
    return case.rows[name].command.label.split()[0], statistics.median(ratios)


def case_section(case):
    where = "page cache dropped before each run" if case.cold else "page cache warm"
    lines = [f"### {case.title}: {case.gib():.2f} GiB, {where}", ""]
    if case.residency:
        lines += [f"({case.residency})", ""]
    lines += ["| Command | Median s | GiB/s | Ratio (same run) | Peak MiB | Target | Result |",
              "|---|--:|--:|--:|--:|---|---|"]
    for key, row in case.rows.items():
        label = row.command.label
        if row.command.missing:
            lines.append(f"| {label} | — | — | — | — | — | {row.command.missing} |")
            continue
        if not row.ok():
            codes = sorted({s.exit_code for s in row.samples if s.exit_code != 0})
            lines.append(f"| {label} | — | — | — | — | — | failed (exit {codes}) |")
            continue
        checks = case_targets(case, key, row)
        median = row.median()
        lines.append(f"| {label} | {seconds_text(median)} | {case.gib() / median:.2f} | "
                     f"{ratio_text(case, key)} | {row.peak():.1f} | "
                     f"{'; '.join(t for t, _ in checks) or '—'} | "
                     f"{'; '.join(verdict(ok) for _, ok in checks) or '—'} |")
    peer = fastest_peer(case)
    if peer and not case.cold:
        name, speedup = peer
        lines.append(f"| Quick against the fastest peer | | | {speedup:.1f}× faster than {name} | | "
                     f"≥ 3× faster | {verdict(speedup >= 3)} |")
    return lines + [""]


def growth_section(small, large, tolerance):
    def per_gib(case, key):
        return case.rows[key].median() / case.gib()

    lines = [f"### Growth: cost per GiB, {small.gib():.2f} GiB against {large.gib():.2f} GiB "
             f"({small.title.split(':')[0]})", "",
             f"| Figure | at {small.gib():.2f} GiB | at {large.gib():.2f} GiB | large / small | Target | Result |",
             "|---|--:|--:|--:|---|---|"]
    target = f"≤ {tolerance:.2f} (does not rise)"
    for key, row in small.rows.items():
        if key in ("first-gop", "launch") or not row.ok() or not large.rows[key].ok():
            continue
        a, b = per_gib(small, key), per_gib(large, key)
        checked = key in ("quick", "tree-scan", "tree-cache", "extended")
        lines.append(f"| {row.command.label}, s per GiB | {a:.3f} | {b:.3f} | {b / a:.2f} | "
                     f"{target if checked else '—'} | {verdict(b / a <= tolerance) if checked else '—'} |")
    for key, per in (("quick", False), ("tree-scan", True), ("extended", True)):
        if not small.rows[key].ok() or not large.rows[key].ok():
            continue
        a, b = small.rows[key].peak(), large.rows[key].peak()
        if per:
            a, b = a / small.gib(), b / large.gib()
        unit = "peak MiB per GiB" if per else "peak MiB (constant)"
        lines.append(f"| {small.rows[key].command.label}, {unit} | {a:.1f} | {b:.1f} | {b / a:.2f} | "
                     f"{target} | {verdict(b / a <= tolerance)} |")
    return lines + [""]


def header_bytes_section(entries_by_stream):
    lines = ["### Header list memory", "",
             "| Stream | Mode | Entries | Bytes per entry | Target | Result |", "|---|---|--:|--:|---|---|"]
    for stream, modes in entries_by_stream:
        for mode, figures in modes.items():
            if figures is None:
                lines.append(f"| {stream} | {mode} | — | — | — | failed |")
                continue
            entries, per_entry = figures
            checked = mode == "tree"
            lines.append(f"| {stream} | {mode} | {entries:,} | {per_entry:.1f} | "
                         f"{'< 100' if checked else '—'} | {verdict(per_entry < 100) if checked else '—'} |")
    return lines + [""]


def tree_page_section(pages):
    lines = ["### BuildTreePage of 2000 entries (tree_page_bench, median of 15)", ""]
    if pages is None:
        return lines + ["tree_page_bench failed", ""]
    entries, start, end = pages
    return lines + [
        "| Page | ms | Target | Result |", "|---|--:|---|---|",
        f"| start of a {entries:,}-entry list | {start:.2f} | < 20 ms | {verdict(start < 20)} |",
        f"| end of the same list | {end:.2f} | < 20 ms; ≤ 1.5× the start ({end / start:.2f}×) | "
        f"{verdict(end < 20)}; {verdict(end <= 1.5 * start)} |", ""]


def tools_section(figures, mebibytes, runs):
    lines = [f"### Editing tools against cp of the same {mebibytes} MiB stream (tools_bench, median of {runs})",
             ""]
    if figures is None or figures["cp"] is None:
        return lines + ["tools_bench failed", ""]
    cp = figures["cp"][0]
    lines += ["| Tool | Median s | Ratio to cp | Target | Result |", "|---|--:|--:|---|---|",
              f"| `cp` | {cp:.3f} | floor | — | — |"]
    for key, label, limit in (("cut", f"Cut all GOPs ({figures['gops']:,} files)", 2.0),
                              ("corrected", "Save corrected (copy without foreign data)", 1.5)):
        if figures[key] is None:
            lines.append(f"| {label} | — | — | ≤ {limit}× cp | failed |")
            continue
        seconds, ratio = figures[key]
        lines.append(f"| {label} | {seconds:.3f} | {ratio:.2f}× | ≤ {limit}× cp | {verdict(ratio <= limit)} |")
    # Until the data are on disk: the write-back of earlier runs can no longer land on either side.
    if figures.get("cp_sync") and figures.get("cut_sync"):
        lines += [f"| `cp` + `sync` | {figures['cp_sync'][0]:.3f} | floor of the next row | — | — |",
                  f"| Cut all GOPs + `sync` | {figures['cut_sync'][0]:.3f} | {figures['cut_sync'][1]:.2f}× | "
                  f"≤ 2× cp + sync | {verdict(figures['cut_sync'][1] <= 2)} |"]
    return lines + ["", "Each ratio is the median of the ratios taken within one round.", ""]


def container_section(result):
    lines = ["### Container layer: the video of a program and a transport stream (container_bench)", ""]
    if result is None:
        return lines + ["not measured: ffmpeg, which makes the program and transport streams, is not installed", ""]
    case, outputs = result
    rows = case.rows
    if not all(row.ok() for row in rows.values()):
        return lines + ["container_bench or velmora-cli failed: " + "; ".join(outputs.values()), ""]
    if len(outputs) < 3:
        return lines + ["container_bench printed nothing", ""]
    lines += ["| Command | Median s | GiB/s of video | Ratio to the plain read | Ratio to Quick | Target | Result |",
              "|---|--:|--:|--:|--:|---|---|"]
    for key, row in rows.items():
        rate = case.gib() / row.median()
        to_read = "floor" if key == "read" else f"{case.per_round_ratio(key, 'read'):.2f}×"
        to_quick = f"{case.per_round_ratio(key, 'quick'):.2f}×"
        target, result = "—", "—"
        if key in ("ps", "ts"):
            # Until the analyser reads from the demultiplexer, its cost on a container is estimated as the
            # Quick scan with the plain read of the elementary stream replaced by the demultiplexer.
            estimate = statistics.median((q.seconds - r.seconds + d.seconds) / q.seconds for q, r, d in
                                         zip(rows["quick"].samples, rows["read"].samples, row.samples))
            target = f"Quick − read + this ≤ 1.3× Quick (estimated {estimate:.2f}×)"
            result = verdict(estimate <= 1.3)
        lines.append(f"| {row.command.label} | {seconds_text(row.median())} | {rate:.2f} | {to_read} | {to_quick} | "
                     f"{target} | {result} |")
    # "KIND N bytes of video, checksum C, M messages, median S s": the bytes and checksum must agree.
    delivered = {k: ", ".join(outputs[k].split(" ", 1)[1].split(", ")[:2]) for k in ("read", "ps", "ts")}
    same = len(set(delivered.values())) == 1
    lines += ["", f"Elementary stream: {delivered['read']}; the program and transport streams delivered "
                  f"{'the same' if same else '**different bytes**: ' + '; '.join(delivered.values())}.", ""]
    return lines


def window_section(figures, stream_gib, runs):
    lines = [f"### The window (window_event_gap_bench, offscreen, {stream_gib:.2f} GiB, four modes, "
             f"median of {runs})", ""]
    if figures is None:
        return lines + ["window_event_gap_bench did not run (not built or failed)", ""]
    gap, peak = figures
    return lines + ["| Figure | Value | Target | Result |", "|---|--:|---|---|",
                    f"| longest gap between two handled events | {gap:.1f} ms | < 100 ms | {verdict(gap < 100)} |",
                    f"| peak memory of the window program | {peak:.1f} MiB | — | — |", ""]


def preview_section(figures, runs):
    lines = [f"### Picture preview (preview_bench, testsrc2 in GOPs of 15 with two B pictures, median of {runs})",
             ""]
    if isinstance(figures, str):
        return lines + [figures, ""]
    lines += ["| Picture | Pictures decoded | ms | Target | Result |", "|---|--:|--:|---|---|"]
    for size, target, rows in figures:
        for label, ms, fed in rows:
            lines.append(f"| {size}: {label} | {fed} | {ms:.1f} | < {target} ms | {verdict(ms < target)} |")
    return lines + ["", "Each figure is one preview from a new decoder: reading the pictures from the file, "
                    "decoding from the I picture and converting to RGB.", ""]


def count_missed(lines):
    return sum(line.count("**missed**") for line in lines)
