"""Generates the sample corpus into a directory and checks it.

Writes each PDF, an expected.tsv (file, page, category, text) with the personal
information a reader finds on each page, then extracts every page with
pdftotext and with `mutool draw -F txt` and checks that a scan of the
extracted text finds exactly the expected items.
"""
import os
import subprocess
import sys
import tempfile

import content
import detect
import handmade
import outside
import producers


def pii_by_page(pages):
    return [[(p.category, p.text) for ln in page for p in ln.pii] for page in pages]


def readable(text):
    """C0 control characters (other than tab and line breaks) as the spaces the page shows."""
    return "".join(" " if ord(c) < 0x20 and c not in "\t\n\r\f" else c for c in text)


def extract(tool, path, page):
    if tool == "pdftotext":
        cmd = ["pdftotext", "-q", "-enc", "UTF-8", "-f", str(page), "-l", str(page), path, "-"]
    else:
        cmd = ["mutool", "draw", "-q", "-F", "txt", "-o", "-", path, str(page)]
    return subprocess.run(cmd, check=True, capture_output=True).stdout.decode("utf-8", "replace")


def page_count(path):
    out = subprocess.run(["pdfinfo", path], check=True, capture_output=True, text=True).stdout
    return int(next(l.split()[1] for l in out.splitlines() if l.startswith("Pages:")))


def verify(path, expected_pages, tools, report):
    """Returns the number of pages whose extracted text disagrees with the expectation."""
    bad = 0
    for tool in tools:
        for i, want in enumerate(expected_pages, 1):
            got = detect.scan(readable(extract(tool, path, i)))
            if sorted(got) != sorted(want):
                bad += 1
                report.append(f"{os.path.basename(path)} p{i} [{tool}]\n  want {sorted(want)}\n  got  {sorted(got)}")
    return bad


DESCRIPTIONS = {
    "form-reportlab.pdf": "reportlab, NanumGothic embedded as simple TrueType subsets (one-byte codes, "
                          "several subsets per font); two-page form with grid lines (path objects).",
    "prose-cidfont.pdf": "reportlab, non-embedded CID font HYSMyeongJo-Medium with UniKS-UCS2-H; two pages of prose.",
    "prose-cairo.pdf": "cairo, NanumMyeongjo as CID font with Identity-H (two-byte codes); the same prose.",
    "prose-libreoffice.pdf": "LibreOffice Writer (flat ODT converted headless), NanumGothic as simple TrueType "
                             "subsets with one-byte codes; the same prose, wrapped by Writer.",
    "form-ghostscript.pdf": "Ghostscript pdfwrite, re-distilled from a cairo rendering of the form in NanumGothic.",
    "tj-kerning.pdf": "hand-written: TJ arrays with kerning inside numbers, a word gap made by a TJ "
                      "number, font changes inside one text object.",
    "quote-operators.pdf": "hand-written: ' and \" operators; \" sets word and character spacing for the rest.",
    "type3.pdf": "hand-written: a Type3 font whose glyphs are filled rectangles (digits and hyphen).",
    "vertical.pdf": "hand-written: vertical writing (UniKS-UCS2-V) next to horizontal lines.",
    "rotated.pdf": "hand-written: text at 90 and 30 degrees by Tm, at -45 degrees by cm, and upright.",
    "rotated-cm.pdf": "hand-written: text at 30 degrees by cm and by Tm, at 270 degrees by cm, and at 90 "
                      "degrees by Tm inside a scaling cm.",
    "rotated-pages.pdf": "hand-written: a page shown turned by /Rotate 90 (plain lines, and lines turned "
                         "back upright by cm) and one by /Rotate 270 (lines at 270 degrees by Tm).",
    "invisible-text.pdf": "hand-written: render mode 3 over a grey box, kept across BT/ET until 0 Tr.",
    "clipping.pdf": "hand-written: text cut by a clip rectangle; text used as a clip (7 Tr) then filled.",
    "inline-image.pdf": "hand-written: an inline image (BI/ID/EI, ASCIIHex) drawn over text.",
    "shading.pdf": "hand-written: an axial shading painted with sh over text inside a clip.",
    "form-twice.pdf": "hand-written: a form XObject with text drawn twice, and page-level text.",
    "contents-array.pdf": "hand-written: Contents as an array of three streams (one compressed); "
                          "a text object begins in the first stream and ends in the second.",
    "ligature.pdf": "hand-written: a code mapped by ToUnicode to two characters (fi) and one mapped to a "
                    "character outside the BMP (a surrogate pair).",
    "control-space.pdf": "cairo, NanumGothic, with the space glyph's ToUnicode entry changed to U+0001 "
                         "(as Chromium writes it for some Korean fonts); pdftotext and mutool pass the "
                         "control character through, the page shows spaces.",
    **outside.DESCRIPTIONS,
    "bench-200.pdf": "cairo, NanumGothic, Identity-H; 200 pages of about 3,000 characters each with four "
                     "personal items per page at most; for the benchmarks.",
}


def write_readme(out_dir, rows):
    with open(os.path.join(out_dir, "README.md"), "w", encoding="utf-8") as f:
        f.write("# Sample documents\n\nGenerated by tools/make-samples.sh (do not edit by hand). "
                "Personal data in them is invented.\n\n"
                "expected.tsv lists, per file and page (1-based), every piece of personal information a "
                "reader finds, with its category (phone rrn foreign email account card ip birth address) "
                "and its exact text. The generator checks the list against the text that pdftotext and "
                "`mutool draw -F txt` extract (control characters read as spaces), except where noted below.\n\n"
                "Extraction notes: MuPDF's structured text inserts spaces into form-reportlab.pdf (it "
                "misjudges the advances of reportlab's TrueType subsets) and after hyphens in "
                "prose-cidfont.pdf (its substitute for the non-embedded font has narrower ASCII glyphs "
                "than /W says); pdftotext loses the 30- and 45-degree lines of rotated.pdf and rotated-cm.pdf.\n\n"
                "expected-outside.tsv lists the personal information outside the page content (where: "
                "link, annotation, field, info, xmp, outline, attachment).\n\n")
        for name, desc in DESCRIPTIONS.items():
            mine = [r for r in rows if r[0] == name]
            f.write(f"## {name}\n\n{desc}\n\n")
            if name == "bench-200.pdf":
                f.write(f"{len(mine)} items in expected.tsv.\n\n")
                continue
            for _, page, cat, text in mine:
                f.write(f"- p{page} {cat}: {text}\n")
            f.write("\n")


def main(out_dir, bench=True):
    os.makedirs(out_dir, exist_ok=True)
    rows = []  # (file, page, category, text)
    checks = []  # (path, expected pages, tools)

    def add(name, pages_pii, tools=("pdftotext", "mutool")):
        for i, items in enumerate(pages_pii, 1):
            rows.extend((name, i, cat, text) for cat, text in items)
        checks.append((os.path.join(out_dir, name), pages_pii, tools))

    form, prose = content.form_pages(), content.prose_pages()

    producers.reportlab_pdf(os.path.join(out_dir, "form-reportlab.pdf"), form, "신청서", form_grid=True)
    # MuPDF's structured text misjudges the advances of reportlab's TrueType subsets
    # and inserts spaces between syllables; the PDF widths themselves are right.
    add("form-reportlab.pdf", pii_by_page(form), tools=("pdftotext",))

    producers.reportlab_pdf(os.path.join(out_dir, "prose-cidfont.pdf"), prose, "상담 기록",
                            regular="HYSMyeongJo-Medium", bold="HYSMyeongJo-Medium")
    # Non-embedded font: MuPDF's substitute has narrower ASCII glyphs than /W says,
    # so its structured text puts spaces after hyphens.
    add("prose-cidfont.pdf", pii_by_page(prose), tools=("pdftotext",))

    producers.cairo_pdf(os.path.join(out_dir, "prose-cairo.pdf"), prose, "상담 기록")
    add("prose-cairo.pdf", pii_by_page(prose))

    producers.libreoffice_pdf(os.path.join(out_dir, "prose-libreoffice.pdf"), prose, "상담 기록")
    add("prose-libreoffice.pdf", pii_by_page(prose))

    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "form-cairo.pdf")
        producers.cairo_pdf(src, form, "신청서", family="NanumGothic")
        producers.ghostscript_pdf(src, os.path.join(out_dir, "form-ghostscript.pdf"))
    add("form-ghostscript.pdf", pii_by_page(form))

    letter = content.control_space_pages()
    producers.control_space_pdf(os.path.join(out_dir, "control-space.pdf"), letter, "결제 안내")
    add("control-space.pdf", pii_by_page(letter))

    for name, case in handmade.CASES.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(handmade.build(case))
        # pdftotext drops lines at angles other than multiples of 90 degrees.
        tools = ("mutool",) if name in ("rotated.pdf", "rotated-cm.pdf") else ("pdftotext", "mutool")
        add(name, [[(p.category, p.text) for p in handmade.expected_items(case)]], tools)

    for name, pages in handmade.PAGED_CASES.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(handmade.build_pages(pages))
        add(name, [[(p.category, p.text) for p in handmade.expected_items(case)] for case, _ in pages])

    for name, case in outside.CASES.items():
        data, pages_pii = case()
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)
        # The tools also extract what annotation appearances draw; the page content alone is
        # checked by the end-to-end scan.
        add(name, [[(p.category, p.text) for p in page] for page in pages_pii],
            tools=() if name == "outside-text.pdf" else ("pdftotext", "mutool"))
    outside.write_expected(os.path.join(out_dir, "expected-outside.tsv"))

    if bench:
        pages = content.bench_pages()
        producers.cairo_pdf(os.path.join(out_dir, "bench-200.pdf"), pages, "업무 보고서", family="NanumGothic",
                            leading=1.35)
        add("bench-200.pdf", pii_by_page(pages), tools=("mutool",))

    with open(os.path.join(out_dir, "expected.tsv"), "w", encoding="utf-8") as f:
        f.write("file\tpage\tcategory\ttext\n")
        for name, page, cat, text in rows:
            f.write(f"{name}\t{page}\t{cat}\t{text}\n")

    write_readme(out_dir, rows)

    report = []
    for path, pages_pii, tools in checks:
        if page_count(path) != len(pages_pii):
            report.append(f"{path}: {page_count(path)} pages, expected {len(pages_pii)}")
        verify(path, pages_pii, tools, report)
    for r in report:
        print(r, file=sys.stderr)
    return 1 if report else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], bench="--no-bench" not in sys.argv))
