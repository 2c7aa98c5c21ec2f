"""Scanned samples: pages of the corpus rendered at 300 dpi in grey and degraded as a scanner or a
copier degrades them (turned by up to 1 degree, blurred, speckled, on grey paper, JPEG at quality
70 to 85), each wrapped as an image-only PDF, with the personal information a reader finds on it.

    scanned.py tests OUT_DIR   the few small pages of the tests (committed in tests/data/scanned)
    scanned.py bench OUT_DIR   whole pages of the corpus, one per file, for the recall measurement
                               (bench/), and all of them in OUT_DIR/multi/all-pages.pdf

Every random choice comes from a generator seeded by the sample's name, so the same tools
(mutool, Pillow) give the same files.
"""
import io
import os
import random
import re
import subprocess
import sys
import tempfile
import zlib

from PIL import Image, ImageChops, ImageFilter

import detect
import layered
from handmade import PdfWriter

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.normpath(os.path.join(HERE, "..", "..", "tests", "data"))


def render(pdf, page, dpi, crop=None):
    """The page (1-based) in grey at `dpi`; crop = (left, top, right, bottom) as shares of the page."""
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "page.png")
        subprocess.run(["mutool", "draw", "-q", "-r", str(dpi), "-c", "gray", "-o", png, pdf, str(page)],
                       check=True, capture_output=True)
        image = Image.open(png).convert("L")
        image.load()
    if crop:
        w, h = image.size
        image = image.crop((round(crop[0] * w), round(crop[1] * h), round(crop[2] * w), round(crop[3] * h)))
    return image


def page_text(pdf, page, crop=None):
    """What a reader finds on the page (or the cropped part), by pdftotext."""
    cmd = ["pdftotext", "-q", "-enc", "UTF-8", "-f", str(page), "-l", str(page)]
    if crop:
        info = subprocess.run(["pdfinfo", "-f", str(page), "-l", str(page), pdf], check=True,
                              capture_output=True, text=True).stdout
        w, h = (float(v) for v in re.search(r"size:\s+([\d.]+) x ([\d.]+)", info).groups())
        cmd += ["-r", "72", "-x", str(int(crop[0] * w)), "-y", str(int(crop[1] * h)),
                "-W", str(int((crop[2] - crop[0]) * w)), "-H", str(int((crop[3] - crop[1]) * h))]
    out = subprocess.run(cmd + [pdf, "-"], check=True, capture_output=True).stdout.decode("utf-8")
    return "".join(" " if ord(c) < 0x20 and c not in "\t\n\r\f" else c for c in out)


def degrade(image, rng, angle, blur, speckle, paper, noise):
    """Grey paper with grain, the page turned, blurred and speckled."""
    w, h = image.size
    # Ink stays dark, white becomes the paper's grey.
    image = image.point(lambda v: round(v * paper / 255))
    image = image.rotate(angle, resample=Image.BICUBIC, expand=False, fillcolor=paper)
    if blur > 0:
        image = image.filter(ImageFilter.GaussianBlur(blur))
    if noise > 0:
        # Uniform grain of the given amplitude around the paper's level.
        noise = int(noise)
        grain = Image.frombytes("L", (w, h), rng.randbytes(w * h)).point(lambda v: v * noise // 255)
        image = ImageChops.add(image, grain, 1.0, -(noise // 2))
    pixels = image.load()
    for _ in range(int(speckle * w * h)):
        x, y = rng.randrange(w), rng.randrange(h)
        r = rng.choice((0, 0, 1))
        dark = rng.randrange(0, 90)
        for dy in range(-r, r + 1):
            for dx in range(-r, r + 1):
                if 0 <= x + dx < w and 0 <= y + dy < h:
                    pixels[x + dx, y + dy] = dark
    return image


def jpeg(image, quality):
    out = io.BytesIO()
    image.save(out, "JPEG", quality=quality, optimize=False, progressive=False, subsampling=0)
    return out.getvalue()


def image_pdf(pages):
    """pages: [(image stream dictionary entries, data, width_pt, height_pt)] -> PDF bytes."""
    w = PdfWriter()
    kids = []
    parent = w.reserve()
    for entries, data, width_pt, height_pt in pages:
        image = w.add(PdfWriter.stream(data, " /Type /XObject /Subtype /Image" + entries))
        content = w.add(PdfWriter.stream(f"q {width_pt:.2f} 0 0 {height_pt:.2f} 0 0 cm /Scan Do Q".encode()))
        kids.append(w.add(f"<< /Type /Page /Parent {parent} 0 R /MediaBox [0 0 {width_pt:.2f} {height_pt:.2f}]"
                          f" /Resources << /XObject << /Scan {image} 0 R >> >> /Contents {content} 0 R >>"))
    w.set(parent, "<< /Type /Pages /Kids [%s] /Count %d >>" % (" ".join(f"{k} 0 R" for k in kids), len(kids)))
    root = w.add(f"<< /Type /Catalog /Pages {parent} 0 R >>")
    return w.bytes(root)


def jpeg_page(image, dpi, quality):
    entries = f" /Width {image.width} /Height {image.height} /ColorSpace /DeviceGray /BitsPerComponent 8" \
              " /Filter /DCTDecode"
    return entries, jpeg(image, quality), image.width * 72 / dpi, image.height * 72 / dpi


def bilevel_page(image, dpi):
    """1 bit per pixel, Flate: what a fax or a black-and-white scanner gives."""
    bw = image.point(lambda v: 255 if v > 140 else 0).convert("1")
    entries = f" /Width {bw.width} /Height {bw.height} /ColorSpace /DeviceGray /BitsPerComponent 1" \
              " /Filter /FlateDecode"
    return entries, zlib.compress(bw.tobytes(), 9), bw.width * 72 / dpi, bw.height * 72 / dpi


def scanned(name, source, page, crop, rng, dpi=300, kind="jpeg", heavy=False):
    image = render(source, page, dpi, crop)
    if heavy:
        # Past what OCR reads: strong blur and dense dirt on dark paper.
        image = degrade(image, rng, angle=rng.uniform(-1, 1), blur=2.6, speckle=0.01, paper=150, noise=90)
        return jpeg_page(image, dpi, 30)
    image = degrade(image, rng, angle=rng.uniform(-1, 1), blur=rng.uniform(0.3, 0.9),
                    speckle=rng.uniform(0.00002, 0.0001), paper=rng.randrange(215, 246), noise=rng.uniform(0, 24))
    if kind == "bilevel":
        return bilevel_page(image, dpi)
    return jpeg_page(image, dpi, rng.randrange(70, 86))


# The test samples: small parts of pages, so that recognising them takes a second or two.
TEST_SAMPLES = [
    # (file, source, page, crop, options)
    ("scan-form.pdf", "form-reportlab.pdf", 1, (0.08, 0.13, 0.62, 0.35), {}),
    ("scan-bilevel.pdf", "form-reportlab.pdf", 2, (0.08, 0.13, 0.62, 0.26), {"kind": "bilevel", "dpi": 200}),
    ("scan-no-pii.pdf", "prose-cairo.pdf", 1, (0.06, 0.11, 0.95, 0.20), {}),
    ("scan-too-noisy.pdf", "form-reportlab.pdf", 1, (0.08, 0.13, 0.62, 0.35), {"heavy": True}),
]

# Searchable scans (the page image with the text drawn invisibly over it), small as well.
LAYER_SAMPLES = [
    # (file, source, page, crop, maker)
    ("layer-tesseract.pdf", "form-reportlab.pdf", 1, (0.08, 0.163, 0.62, 0.245), "tesseract"),
    ("layer-turned.pdf", "form-reportlab.pdf", 2, (0.08, 0.13, 0.62, 0.26), "turned"),
    ("layer-inline.pdf", "form-reportlab.pdf", 1, (0.08, 0.163, 0.62, 0.19), "inline"),
]


def layer_sample(name, source, page, crop, maker):
    """The PDF's bytes; its items are what pdftotext reads in its layer."""
    if maker == "tesseract":
        rng = random.Random(name)
        image = render(source, page, 300, crop)
        image = degrade(image, rng, angle=0, blur=0.4, speckle=0.00002, paper=236, noise=8)
        return layered.tesseract_layer(image, 300, 82)
    if maker == "turned":
        return layered.turned_layer(source, page, crop, 200)[0]
    return layered.inline_layer(source, page, crop, 150)[0]


def layer_rows(name, pdf):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, name)
        with open(path, "wb") as f:
            f.write(pdf)
        return [(name, p, cat, text) for p in range(1, page_count(path) + 1)
                for cat, text in detect.scan(page_text(path, p))]


# The recall measurement: whole pages of the corpus, each in one seeded variant.
BENCH_SOURCES = ["form-reportlab.pdf", "prose-cairo.pdf", "form-ghostscript.pdf", "prose-libreoffice.pdf",
                 "control-space.pdf", "prose-cidfont.pdf"]


def expected_rows(source, page, crop):
    if crop:
        return [(cat, text) for cat, text in detect.scan(page_text(source, page, crop))]
    rows = []
    with open(os.path.join(DATA, "expected.tsv"), encoding="utf-8") as f:
        next(f)
        for line in f:
            name, p, cat, text = line.rstrip("\n").split("\t")
            if name == os.path.basename(source) and int(p) == page:
                rows.append((cat, text))
    return rows


def page_count(pdf):
    out = subprocess.run(["pdfinfo", pdf], check=True, capture_output=True, text=True).stdout
    return int(next(l.split()[1] for l in out.splitlines() if l.startswith("Pages:")))


def main(which, out_dir):
    os.makedirs(out_dir, exist_ok=True)
    rows = []
    if which == "tests":
        for name, source, page, crop, options in TEST_SAMPLES:
            rng = random.Random(name)
            src = os.path.join(DATA, source)
            with open(os.path.join(out_dir, name), "wb") as f:
                f.write(image_pdf([scanned(name, src, page, crop, rng, **options)]))
            if not options.get("heavy"):
                rows += [(name, 1, cat, text) for cat, text in expected_rows(src, page, crop)]
        for name, source, page, crop, maker in LAYER_SAMPLES:
            pdf = layer_sample(name, os.path.join(DATA, source), page, crop, maker)
            with open(os.path.join(out_dir, name), "wb") as f:
                f.write(pdf)
            rows += layer_rows(name, pdf)
    else:
        every = []
        for source in BENCH_SOURCES:
            src = os.path.join(DATA, source)
            for page in range(1, page_count(src) + 1):
                name = f"{os.path.splitext(source)[0]}-p{page}.pdf"
                rng = random.Random(name)
                kind = "bilevel" if source == "control-space.pdf" else "jpeg"
                dpi = 200 if kind == "bilevel" else 300
                every.append(scanned(name, src, page, None, rng, dpi=dpi, kind=kind))
                with open(os.path.join(out_dir, name), "wb") as f:
                    f.write(image_pdf([every[-1]]))
                rows += [(name, 1, cat, text) for cat, text in expected_rows(src, page, None)]
        # All of them in one document, for reading the pages of one file in parallel.
        os.makedirs(os.path.join(out_dir, "multi"), exist_ok=True)
        with open(os.path.join(out_dir, "multi", "all-pages.pdf"), "wb") as f:
            f.write(image_pdf(every))
    if which == "tests":
        with open(os.path.join(out_dir, "README.md"), "w", encoding="utf-8") as f:
            f.write("# Scanned samples\n\nGenerated by tools/make-scanned-samples.sh (do not edit by hand): parts of "
                    "pages of the corpus rendered at 300 dpi in grey (scan-bilevel.pdf: 200 dpi, 1 bit per pixel, "
                    "Flate), degraded as scans are and wrapped as image-only PDFs. expected.tsv lists the items a "
                    "reader finds on them; scan-too-noisy.pdf is degraded past what OCR reads and lists none.\n\n"
                    "layer-*.pdf are searchable scans: the image with the text drawn invisibly over it. "
                    "layer-tesseract.pdf is Tesseract's own searchable PDF (`tesseract scan.jpg out -l kor+eng "
                    "--psm 4 pdf`, its creation date fixed); layer-turned.pdf has the source's words at their own "
                    "places over a 200-dpi grey Flate image stored turned by 90 degrees, and a second page that "
                    "draws the same image over the same text drawn visibly; layer-inline.pdf has the layer over an "
                    "inline image. Their items in expected.tsv are what pdftotext reads in the layer.\n")
    with open(os.path.join(out_dir, "expected.tsv"), "w", encoding="utf-8") as f:
        f.write("file\tpage\tcategory\ttext\n")
        for name, page, cat, text in rows:
            f.write(f"{name}\t{page}\t{cat}\t{text}\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
