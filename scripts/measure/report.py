#!/usr/bin/env python3
"""Prints scripts/measure.sh's table from the figures it collected in OUT_DIR:
raw.txt (sizes), startup.txt (one line per start under Wine), memory.txt (the
/proc figures of one start per line), scale-startup.txt (the starts at 100 % and
200 % display scale) and the two benchmark programs' JSON output. Every figure stands beside its reference and
the ratio of the two. With "--only scale", only the rows of the display scale."""
import json
import statistics
import sys
from pathlib import Path

UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def read_raw(folder):
    values = {}
    for line in (folder / "raw.txt").read_text().splitlines():
        key, _, value = line.partition("=")
        values[key] = int(value)
    return values


def read_runs(path):
    """name -> {field: [values of every counted run]} from lines "NAME key=value ..." """
    runs = {}
    for line in path.read_text().splitlines():
        name, *fields = line.split()
        if name == "warmup":
            continue
        entry = runs.setdefault(name, {})
        for field in fields:
            key, _, value = field.partition("=")
            entry.setdefault(key, []).append(float(value))
    return runs


def read_bench(path):
    """benchmark name -> its JSON record, with 'seconds' (CPU time per iteration) added"""
    if not path.exists():
        return {}
    records = {}
    for b in json.loads(path.read_text())["benchmarks"]:
        b["seconds"] = b["cpu_time"] * UNITS[b["time_unit"]]
        records[b["name"]] = b
    return records


def kb(n):
    return f"{n / 1024:,.1f} KB"


def mb(n):
    return f"{n / 1048576:,.1f} MB"


def ms(x):
    return f"{x:,.0f} ms"


def ratio(a, b):
    return f"{a / b:.2f}" if b else "-"


class Table:
    def __init__(self):
        self.rows = []

    def section(self, title):
        self.rows.append((title,))

    def row(self, what, measured, reference, ratio_text, note=""):
        self.rows.append((what, measured, reference, ratio_text, note))

    def print(self):
        head = ("figure", "measured", "reference", "ratio", "")
        data = [r for r in self.rows if len(r) > 1]
        widths = [max(len(r[i]) for r in data + [head]) for i in range(4)]
        line = lambda r: "  ".join(c.ljust(widths[i]) if i == 0 else c.rjust(widths[i]) for i, c in enumerate(r[:4]))
        print(line(head))
        for r in self.rows:
            if len(r) == 1:
                print(f"\n{r[0]}")
            else:
                print(line(r) + (f"  {r[4]}" if r[4] else ""))


def display_scale(t, folder, raw):
    """The rows of scripts/measure/scale.sh: first paint at 200 % against 100 %, the x86 stub against one before
    the scaling code"""
    starts = read_runs(folder / "scale-startup.txt")
    if "scale100" in starts and "scale200" in starts:
        med = lambda name, key: statistics.median(starts[name][key])
        t.section("The window at 200 %% display scale under Wine (64-bit), median of %d starts each"
                  % len(starts["scale200"]["ready_ms"]))
        t.row("first paint at 200 % / at 100 %", ms(med("scale200", "ready_ms")), ms(med("scale100", "ready_ms")),
              ratio(med("scale200", "ready_ms"), med("scale100", "ready_ms")),
              "the aim: at most 1.30; start to the window shown, painted and idle; LogPixels 192 / 96, "
              "each in its own kept session, two rounds")
        t.row("window shown at 200 % / at 100 %", ms(med("scale200", "window_ms")), ms(med("scale100", "window_ms")),
              ratio(med("scale200", "window_ms"), med("scale100", "window_ms")))
        if "cpu_ms" in starts["scale200"]:
            t.row("processor time to the first paint, 200 % / 100 %", ms(med("scale200", "cpu_ms")),
                  ms(med("scale100", "cpu_ms")), ratio(med("scale200", "cpu_ms"), med("scale100", "cpu_ms")),
                  "the process's own and the system's for it (10 ms ticks): what load does not add to")
    if "scale_stub32_before" in raw:
        t.section("The x86 stub with the scaling code / one built before it")
        now, before = raw["scale_stub32"], raw["scale_stub32_before"]
        t.row("setup-stub.exe", kb(now), kb(before), ratio(now, before), f"{now - before:+,} bytes")
        for key in ("own_code", "cxx_runtime", "c_runtime", "imports", "resources", "relocations", "headers"):
            now, before = raw[f"scale_stub32_{key}"], raw[f"scale_stub32_before_{key}"]
            if now != before:
                t.row(f"  {key.replace('_', ' ')}", kb(now), kb(before), ratio(now, before), f"{now - before:+,} bytes")


def main():
    folder = Path(sys.argv[1])
    raw = read_raw(folder)
    if sys.argv[2:] == ["--only", "scale"]:
        t = Table()
        display_scale(t, folder, raw)
        t.print()
        return
    starts = read_runs(folder / "startup.txt")
    memory = read_runs(folder / "memory.txt")
    storage = read_bench(folder / "bench_storage.json")
    imaging = read_bench(folder / "bench_imaging.json")
    t = Table()

    t.section("Size (32-bit release setup.exe)")
    setup, container = raw["setup32"], raw["container32"]
    stub = setup - container
    t.row("setup.exe / its container", kb(setup), kb(container), ratio(setup, container),
          f"stub overhead {kb(stub)}")
    t.row("stub overhead / NSIS zlib stub", kb(stub), kb(raw["nsis32_stub"]), ratio(stub, raw["nsis32_stub"]),
          "Debian's NSIS stub (x86-ansi)")
    t.row("setup.exe / NSIS installer, zlib", kb(setup), kb(raw["nsis32_zlib"]), ratio(setup, raw["nsis32_zlib"]),
          "same payload files, shortcuts, uninstall entry")
    t.row("setup.exe / NSIS installer, solid LZMA", kb(setup), kb(raw["nsis32_lzma"]),
          ratio(setup, raw["nsis32_lzma"]))
    t.row("container / payload files", kb(container), kb(raw["payload32_files"]),
          ratio(container, raw["payload32_files"]), "the container also holds the skin")

    t.section("The x86 stub (setup-stub.exe) and its parts, from its link map")
    stub_file, nsis_stub = raw["stub32"], raw["nsis32_stub"]
    t.row("setup-stub.exe / NSIS zlib stub", kb(stub_file), kb(nsis_stub), ratio(stub_file, nsis_stub),
          "the aim: at most 150.0 KB")
    parts = (("own_code", "our code"), ("payload_stream", "our payload stream reader"),
             ("lzma_decoder", "LZMA SDK decoder (LzmaDec.c)"), ("zlib", "zlib (inflate, adler32)"),
             ("cxx_runtime", "C++ runtime"),
             ("exceptions", "exception unwinder (libgcc_eh)"), ("unwind_tables", "unwind tables"),
             ("winpthread", "winpthread"), ("c_runtime", "C runtime and start-up"), ("imports", "import tables"),
             ("resources", "resources"), ("relocations", "relocations (ASLR)"),
             ("headers", "headers and section padding"))
    together = "linked as one program: counted in our code"
    for key, what in parts:
        size = raw[f"stub32_{key}"]
        if raw.get("stub32_one_program") and key in ("payload_stream", "lzma_decoder"):
            t.row(f"{what} / the stub", "-", kb(stub_file), "-", together)
            continue
        t.row(f"{what} / the stub", kb(size), kb(stub_file), ratio(size, stub_file))
    for arch, prefix in (("x86", "stub32"), ("x64", "stub64")):
        if raw.get(f"{prefix}_one_program"):
            t.row(f"{arch} stub: LZMA SDK decoder and payload stream reader", "-", kb(raw[prefix]), "-", together)
            continue
        decoder = raw[f"{prefix}_lzma_decoder"]
        t.row(f"{arch} stub: LZMA SDK decoder / 8 KB", kb(decoder), kb(8192), ratio(decoder, 8192),
              "the aim: at most 1.00")
        t.row(f"{arch} stub: decoder and payload stream reader", kb(decoder + raw[f"{prefix}_payload_stream"]),
              kb(raw[prefix]), ratio(decoder + raw[f"{prefix}_payload_stream"], raw[prefix]),
              "of the whole stub; setup's own file writing not counted")

    t.section("tkds make (x86 stub), fastest of 3 runs")
    for name, what in (("demo", "the demo"), ("50mb", "a 50 MB product")):
        make, build = raw[f"make_{name}_ms"], raw[f"build_{name}_ms"]
        t.row(f"tkds make, {what} / tkds build of its manifest", ms(make), ms(build), ratio(make, build),
              "the stub's resources rewritten on top of packing")
    peak, payload = raw["make_50mb_peak"], raw["payload_50mb"]
    t.row("tkds make peak memory, 50 MB product / the product", mb(peak), mb(payload), ratio(peak, payload),
          "/usr/bin/time, maximum resident set")
    t.row("tkds make peak memory / tkds build's, 50 MB product", mb(peak), mb(raw["build_50mb_peak"]),
          ratio(peak, raw["build_50mb_peak"]))
    tree_peak, bound = raw["make_tree_peak"], 64 * 1024 * 1024 + raw["tree_largest"]
    t.row("tkds make peak memory, Wine's DLLs as a zlib Tree / 64 MB + largest file", mb(tree_peak), mb(bound),
          ratio(tree_peak, bound), "%d files, %s, setup.exe %s" % (raw["tree_files"], mb(raw["tree_bytes"]),
                                                                  mb(raw["make_tree_output"])))

    trees = [key[len("tree_"):-len("_setup")] for key in raw if key.startswith("tree_") and key.endswith("_setup")]
    for name in trees:
        f = lambda key: raw[f"tree_{name}_{key}"]
        t.section(f"Payload stream, {name} tree: {f('files'):,} files, {mb(f('bytes'))} (x86 stub)")
        t.row("tkds make, compress=lzma / NSIS installer, solid LZMA", kb(f("setup")), kb(f("nsis_lzma")),
              ratio(f("setup"), f("nsis_lzma")), "the aim: at most 1.00")
        t.row("tkds make, compress=lzma / NSIS installer, zlib", kb(f("setup")), kb(f("nsis_zlib")),
              ratio(f("setup"), f("nsis_zlib")))
        t.row("tkds make, compress=lzma / the files", kb(f("setup")), kb(f("bytes")), ratio(f("setup"), f("bytes")))
        t.row("tkds make time / 1 s per 10 MB of files", ms(f("make_ms")), ms(f("bytes") / 10485.76),
              ratio(f("make_ms"), f("bytes") / 10485.76), "one run, wall clock, 1 thread")
        counts = sorted(int(key[len(f"tree_{name}_make_t"):-len("_ms")]) for key in raw
                        if key.startswith(f"tree_{name}_make_t") and key.endswith("_ms"))
        for threads in counts:
            took = f(f"make_t{threads}_ms")
            if threads > 1:
                t.row(f"tkds make time, {threads} threads / 1 thread", ms(took), ms(f("make_t1_ms")),
                      ratio(took, f("make_t1_ms")), "the same bytes; chunks of at most 96 MB above 64 MB")
            if f"tree_{name}_nsis_lzma_ms" in raw:
                t.row(f"tkds make time, {threads} thread{'s' if threads > 1 else ''} / makensis, solid LZMA",
                      ms(took), ms(f("nsis_lzma_ms")), ratio(took, f("nsis_lzma_ms")),
                      "the aim with 2 threads: at most 0.80" if threads == 2 else "wall clock, one run each")
        t.row("tkds make peak memory / the files", mb(f("make_peak")), mb(f("bytes")),
              ratio(f("make_peak"), f("bytes")), "/usr/bin/time -v, most threads; per thread the LZMA encoder, about 10 x its dictionary")
        t.row("tkds verify peak memory / 80 MB", mb(f("verify_peak")), mb(80 * 1048576),
              ratio(f("verify_peak"), 80 * 1048576),
              "/usr/bin/time -v; the aim: at most 1.00 (a 64 MB dictionary), whatever the file's size")

    t.section("Start-up under Wine (64-bit), median of %d runs" % len(starts.get("setup", {}).get("ready_ms", [])))
    med = lambda name, key: statistics.median(starts[name][key]) if name in starts else 0.0
    setup_ready, nsis_ready, base_ready = med("setup", "ready_ms"), med("nsis", "ready_ms"), med("baseline", "ready_ms")
    t.row("setup.exe: start to window shown", ms(med("setup", "window_ms")), "", "")
    t.row("setup.exe: start to painted and idle / NSIS first page", ms(setup_ready), ms(nsis_ready),
          ratio(setup_ready, nsis_ready), "NSIS amd64-unicode, zlib")
    t.row("setup.exe / an empty window program", ms(setup_ready), ms(base_ready), ratio(setup_ready, base_ready),
          "Wine's own cost of starting a GUI process")
    t.row("own start-up work (less the empty window) / NSIS's", ms(setup_ready - base_ready),
          ms(nsis_ready - base_ready), ratio(setup_ready - base_ready, nsis_ready - base_ready))

    t.section("Memory under Wine (64-bit), after start-up, median")
    payload, container64 = raw["payload64_decoded"], raw["container64"]
    reference = payload + container64
    mem = lambda name, key: statistics.median(memory[name][key]) if name in memory else 0.0
    peak, base_peak = med("setup", "peak_working_set"), med("baseline", "peak_working_set")
    anon, base_anon = mem("setup", "RssAnon"), mem("baseline", "RssAnon")
    t.row("setup.exe peak working set / empty window program", mb(peak), mb(base_peak), ratio(peak, base_peak),
          "GetProcessMemoryInfo")
    t.row("setup.exe's own peak working set / payload + container", kb(peak - base_peak), kb(reference),
          ratio(peak - base_peak, reference), f"payload {kb(payload)} decoded, container {kb(container64)}")
    t.row("setup.exe's own anonymous memory / payload + container", kb(anon - base_anon), kb(reference),
          ratio(anon - base_anon, reference), "heap and pictures; a copy of the container would add its size")
    # The window's two off-screen buffers: 452 x 207 pixels, 24-bit rows of 1,356 bytes.
    held = raw["decoded64_at_start"] + 2 * 1356 * 207
    t.row("setup.exe's own anonymous memory / decoded at start + window buffers", kb(anon - base_anon), kb(held),
          ratio(anon - base_anon, held), "skin, document and payload decoded, two 452 x 207 buffers")
    nsis_peak, nsis_anon = mem("nsis", "VmHWM"), mem("nsis", "RssAnon")
    t.row("setup.exe peak working set / NSIS installer's", mb(mem("setup", "VmHWM")), mb(nsis_peak),
          ratio(mem("setup", "VmHWM"), nsis_peak), "whole processes, Wine's libraries included")
    t.row("setup.exe anonymous memory / NSIS installer's", mb(anon), mb(nsis_anon), ratio(anon, nsis_anon))

    large = read_runs(folder / "large.txt") if (folder / "large.txt").exists() else {}
    for name, arch, what in (("large64", "64-bit", "of Wine's DLLs in 100 MB files"),
                             ("large32", "32-bit", "of Wine's DLLs in 100 MB files"),
                             ("python64", "64-bit", "in the Python 3.11 standard library, one Tree line")):
        if name not in large:
            continue
        figures = {key: values[0] for key, values in large[name].items()}
        payload = figures["payload"]
        t.section(f"A product installed under Wine ({arch}, per-node zlib, {mb(payload)} {what})")
        t.row("peak resident set, whole run / payload", mb(figures["peak_hwm"]), mb(payload),
              ratio(figures["peak_hwm"], payload), "/proc VmHWM; mapped container pages included")
        t.row("largest anonymous memory, whole run / payload", mb(figures["peak_anon"]), mb(payload),
              ratio(figures["peak_anon"], payload), "/proc RssAnon, heap blocks; sampled every 0.2 s")
        t.row("setup.exe / payload", mb(figures["setup"]), mb(payload), ratio(figures["setup"], payload))
        t.row("peak resident set, whole run / 64 MB", mb(figures["peak_hwm"]), mb(64 * 1048576),
              ratio(figures["peak_hwm"], 64 * 1048576), "the aim: at most 1.00")
        if "nsis_install_ms" in figures:
            t.row("install time with /S / NSIS installer's with /S (File /r, zlib)", ms(figures["silent_ms"]),
                  ms(figures["nsis_install_ms"]), ratio(figures["silent_ms"], figures["nsis_install_ms"]),
                  "the aim: at most 1.50; both from the process's start")
            t.row("install time from the SETUP click / NSIS's with /S", ms(figures["install_ms"]),
                  ms(figures["nsis_install_ms"]), ratio(figures["install_ms"], figures["nsis_install_ms"]),
                  "with the window: Wine without a window manager waits 2 s as it hides")
            t.row("peak resident set, whole run / NSIS installer's", mb(figures["peak_hwm"]),
                  mb(figures["nsis_peak_hwm"]), ratio(figures["peak_hwm"], figures["nsis_peak_hwm"]))
            t.row("setup.exe / NSIS installer, zlib", mb(figures["setup"]), mb(figures["nsis_setup"]),
                  ratio(figures["setup"], figures["nsis_setup"]))
            t.row("tkds make time / makensis's", ms(figures["make_ms"]), ms(figures["nsis_make_ms"]),
                  ratio(figures["make_ms"], figures["nsis_make_ms"]))
            t.row("tkds make peak memory / 64 MB", mb(figures["make_peak"]), mb(64 * 1048576),
                  ratio(figures["make_peak"], 64 * 1048576), "/usr/bin/time; plus the largest file at most")
        if arch == "64-bit" and "small64" in large:
            small = {key: values[0] for key, values in large["small64"].items()}
            t.row("time to the window / a 1 MB product's", ms(figures["window_ms"]), ms(small["window_ms"]),
                  ratio(figures["window_ms"], small["window_ms"]),
                  "the aim: at most 1.20; payloads are sized at start-up, not decoded")
            t.row("peak resident set once the window is idle / a 1 MB product's", mb(figures["start_hwm"]),
                  mb(small["start_hwm"]), ratio(figures["start_hwm"], small["start_hwm"]),
                  "the resource section is mapped from the file, not read")

    if "stream64" in large and "large64" in large:
        streamed = {key: values[0] for key, values in large["stream64"].items()}
        zlib = {key: values[0] for key, values in large["large64"].items()}
        t.section(f"The same product in the payload stream (64-bit, {mb(streamed['payload'])})")
        t.row("setup.exe, payload stream / per-node zlib", mb(streamed["setup"]), mb(zlib["setup"]),
              ratio(streamed["setup"], zlib["setup"]))
        t.row("peak resident set, whole run / per-node zlib", mb(streamed["peak_hwm"]), mb(zlib["peak_hwm"]),
              ratio(streamed["peak_hwm"], zlib["peak_hwm"]), "the stream is read, never mapped")
        t.row("install time, SETUP to the end / per-node zlib", ms(streamed["install_ms"]), ms(zlib["install_ms"]),
              ratio(streamed["install_ms"], zlib["install_ms"]), "one solid LZMA pass against zlib per file")
        if "nsis_install_ms" in streamed:
            t.row("install time with /S / NSIS /SOLID lzma installer's with /S", ms(streamed["silent_ms"]),
                  ms(streamed["nsis_install_ms"]), ratio(streamed["silent_ms"], streamed["nsis_install_ms"]),
                  "the aim: at most 1.50; both from the process's start")
            t.row("setup.exe / NSIS /SOLID lzma installer", mb(streamed["setup"]), mb(streamed["nsis_setup"]),
                  ratio(streamed["setup"], streamed["nsis_setup"]), "the aim: at most 1.00")
            t.row("peak resident set, whole run / 64 MB + the 64 MB dictionary", mb(streamed["peak_hwm"]),
                  mb(128 * 1048576), ratio(streamed["peak_hwm"], 128 * 1048576), "the aim: at most 1.00")

    display_scale(t, folder, raw)

    if storage:
        t.section("Container reader (bench_storage, CPU time)")
        decode, zlib = storage["GetBinaryCompressed"]["seconds"], storage["ZlibUncompressDirect"]["seconds"]
        t.row("GetBinary of a 700 KB compressed node / zlib uncompress alone", f"{decode * 1e6:,.0f} us",
              f"{zlib * 1e6:,.0f} us", ratio(decode, zlib))
        per10 = storage["OpenAndIndex/10"]["per_node"]
        for n in (10, 1000, 100000):
            per = storage[f"OpenAndIndex/{n}"]["per_node"]
            t.row(f"open and index, per node, {n:,} nodes / 10 nodes", f"{per * 1e9:,.0f} ns",
                  f"{per10 * 1e9:,.0f} ns", ratio(per, per10))
        seg1 = storage["ResolvePath/1"]["per_segment"]
        for d in (1, 4, 16):
            per = storage[f"ResolvePath/{d}"]["per_segment"]
            t.row(f"path lookup, per segment, depth {d} / depth 1", f"{per * 1e9:,.0f} ns", f"{seg1 * 1e9:,.0f} ns",
                  ratio(per, seg1))

    if imaging:
        t.section("Skin pixel work (bench_imaging, CPU time)")
        compose, copy = imaging["FullCompose"]["seconds"], imaging["PlainCopyOfTheWindow"]["seconds"]
        t.row("full compose, four overlays / plain copy of the window", f"{compose * 1e6:,.1f} us",
              f"{copy * 1e6:,.1f} us", ratio(compose, copy))
        memcpy_time = imaging["MemcpyOfThePixels"]["seconds"]
        pixels = 452 * 207
        for mix, what in ((0, "runs of opaque/clear/blended"), (1, "every pixel blended"), (2, "random per pixel")):
            blend = imaging[f"BlendOverlayPixels/mix:{mix}"]["seconds"]
            t.row(f"overlay blend, {what} / memcpy", f"{pixels / blend / 1e6:,.0f} Mpx/s",
                  f"{pixels / memcpy_time / 1e6:,.0f} Mpx/s", ratio(blend, memcpy_time), "time ratio")
        tick = imaging["TickerTick"]["seconds"]
        t.row("ticker tick / its 20 ms period", f"{tick * 1e6:,.2f} us", "20,000 us", f"{tick / 0.020:.5f}")

    t.print()


if __name__ == "__main__":
    main()
