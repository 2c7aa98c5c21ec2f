"""The figures of bench/ocr-recall.sh (see there)."""
import collections
import json
import os
import re
import subprocess
import sys
import tempfile
import time


def squeezed(text):
    return re.sub(r"\s+", "", text)


def timed(cmd):
    """(exit status, stdout, stderr, seconds, peak KiB) of a whole process."""
    with tempfile.NamedTemporaryFile("r") as t:
        start = time.monotonic()
        p = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", t.name] + cmd, capture_output=True, text=True)
        seconds = time.monotonic() - start
        peak = int((t.read().strip().splitlines() or ["0"])[-1])
    return p.returncode, p.stdout, p.stderr, seconds, peak


def tesseract_text(pdf, tmp):
    """What the tesseract program reads on the page rendered at 300 dpi, in its default and two
    layout modes."""
    png = os.path.join(tmp, "page.png")
    subprocess.run(["mutool", "draw", "-q", "-r", "300", "-c", "gray", "-o", png, pdf, "1"], check=True,
                   capture_output=True)
    texts = []
    for psm in ("3", "4", "11"):
        p = subprocess.run(["tesseract", png, "-", "-l", "kor+eng", "--psm", psm], capture_output=True, text=True,
                           env=dict(os.environ, OMP_THREAD_LIMIT="1"))
        texts.append(p.stdout)
    return "\n".join(texts)


def main(veilmark, work, scan_only=False):
    samples = os.path.join(work, "samples")
    out = os.path.join(work, "protected")
    os.makedirs(out, exist_ok=True)
    expected = collections.defaultdict(list)
    with open(os.path.join(samples, "expected.tsv"), encoding="utf-8") as f:
        next(f)
        for line in f:
            name, _, cat, text = line.rstrip("\n").split("\t")
            expected[name].append((cat, text))
    files = sorted(n for n in os.listdir(samples) if n.endswith(".pdf"))
    total = found = extra = 0
    seconds, peaks, misses, others, unreadable = [], [], [], [], []
    tesseract_seconds, tesseract_peaks = [], []
    protect_exits = collections.Counter()
    residual = []
    for name in files:
        pdf = os.path.join(samples, name)
        code, stdout, stderr, s, peak = timed([veilmark, "scan", "--json", "--jobs", "1", pdf])
        seconds.append(s)
        peaks.append(peak)
        # Beside it: the tesseract program alone on the page rendered at 300 dpi, in the mode
        # veilmark reads pages with (rendering not counted).
        with tempfile.TemporaryDirectory() as tmp:
            png = os.path.join(tmp, "page.png")
            subprocess.run(["mutool", "draw", "-q", "-r", "300", "-c", "gray", "-o", png, pdf, "1"], check=True,
                           capture_output=True)
            os.environ["OMP_THREAD_LIMIT"] = "1"
            _, _, _, ts, tpeak = timed(["tesseract", png, "-", "-l", "kor+eng", "--psm", "4"])
            tesseract_seconds.append(ts)
            tesseract_peaks.append(tpeak)
        if code == 3:
            unreadable.append(f"{name}: {stderr.strip()}")
        hits = collections.Counter((h["category"], h["text"]) for h in map(json.loads, stdout.splitlines())
                                   if h.get("where") == "image" and "category" in h)
        want = collections.Counter(expected[name])
        total += sum(want.values())
        found += sum((want & hits).values())
        extra += sum((hits - want).values())
        misses += [f"{name}: {c} {t}" for (c, t), n in (want - hits).items() for _ in range(n)]
        others += [f"{name}: {c} {t}" for (c, t), n in (hits - want).items() for _ in range(n)]
        if scan_only:
            continue
        protected = os.path.join(out, name)
        code, stdout, stderr, _, _ = timed([veilmark, "protect", "--jobs", "1", pdf, "-o", protected])
        protect_exits[code] += 1
        if code not in (0, 3):
            print(f"protect {name}: exit {code}\n{stdout}{stderr}", file=sys.stderr)
            continue
        with tempfile.TemporaryDirectory() as tmp:
            text = squeezed(tesseract_text(protected, tmp))
        _, again, _, _, _ = timed([veilmark, "scan", "--json", "--jobs", "1", protected])
        text += squeezed(" ".join(json.loads(l).get("text", "") for l in again.splitlines()))
        residual += [f"{name}: {c} {t}" for c, t in (want & hits) if squeezed(t) in text]
    multi = os.path.join(samples, "multi", "all-pages.pdf")
    parallel = {}
    for jobs in (1, 2):
        _, _, _, s, peak = timed([veilmark, "scan", "--json", "--jobs", str(jobs), multi])
        parallel[jobs] = (s, peak)
    print(f"pages: {len(files)}, items: {total}")
    print(f"found exactly: {found} ({100.0 * found / max(total, 1):.1f} %), other hits: {extra}")
    for m in misses:
        print(f"  missed {m}")
    for o in others:
        print(f"  other hit {o}")
    for u in unreadable:
        print(f"  not read: {u}")
    print(f"protect exit statuses: {dict(protect_exits)}")
    print(f"found items still read in the protected copies (tesseract --psm 3, 4, 11 and veilmark): {len(residual)}")
    for r in residual:
        print(f"  still read {r}")
    seconds.sort()
    tesseract_seconds.sort()
    print(f"scan seconds per page (whole process, --jobs 1): median {seconds[len(seconds) // 2]:.2f}, "
          f"max {seconds[-1]:.2f}; peak memory: max {max(peaks) / 1024:.0f} MiB")
    for jobs, (s, peak) in parallel.items():
        print(f"all {len(files)} pages in one file, --jobs {jobs}: {s:.1f} s ({s / len(files):.2f} s per page), "
              f"peak memory {peak / 1024:.0f} MiB")
    print(f"tesseract --psm 4 alone on the page at 300 dpi: median {tesseract_seconds[len(seconds) // 2]:.2f} s, "
          f"max {tesseract_seconds[-1]:.2f} s; peak memory: max {max(tesseract_peaks) / 1024:.0f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], "--scan-only" in sys.argv[3:]))
