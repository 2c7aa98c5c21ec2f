"""Searchable scans: a page image with the text drawn invisibly over it (render mode 3), as
scanner software and `tesseract IMAGE OUT pdf` make them. Used by scanned.py for the test
samples; each maker returns the PDF's bytes.

    tesseract_layer   Tesseract's own searchable PDF of a scan (JPEG kept as it is)
    turned_layer      the layer written here at the words' own positions (pdftotext -bbox of the
                      source) over a grey Flate image stored turned by 90 degrees; the second
                      page draws the same image again over the same text drawn visibly (text
                      an opaque image covers)
    inline_layer      the layer over an inline image (BI ... ID ... EI in the page content)
"""
import os
import re
import subprocess
import tempfile
import zlib
from html import unescape

from PIL import Image

from handmade import PdfWriter, korean_font


def render_cropped(pdf, page, dpi, crop):
    """The page (1-based) in grey at `dpi`, cut to `crop` (shares of the page), and the crop's
    top left corner in points."""
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "page.png")
        subprocess.run(["mutool", "draw", "-q", "-r", str(dpi), "-c", "gray", "-o", png, pdf, str(page)],
                       check=True, capture_output=True)
        image = Image.open(png).convert("L")
        image.load()
    w, h = image.size
    box = (round(crop[0] * w), round(crop[1] * h), round(crop[2] * w), round(crop[3] * h))
    return image.crop(box), (box[0] * 72 / dpi, box[1] * 72 / dpi)


def words_in(pdf, page, origin, size):
    """The words pdftotext finds wholly inside the part (origin and size in points), as
    (text, x0, y0, x1, y1) in points from the part's top left."""
    out = subprocess.run(["pdftotext", "-q", "-bbox", "-enc", "UTF-8", "-f", str(page), "-l", str(page), pdf, "-"],
                         check=True, capture_output=True).stdout.decode("utf-8")
    words = []
    for m in re.finditer(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>', out):
        x0, y0, x1, y1 = (float(v) for v in m.groups()[:4])
        x0, x1, y0, y1 = x0 - origin[0], x1 - origin[0], y0 - origin[1], y1 - origin[1]
        if x0 >= 0 and y0 >= 0 and x1 <= size[0] and y1 <= size[1]:
            words.append((unescape(m.group(5)), x0, y0, x1, y1))
    return words


def layer_operators(words, page_height, mode):
    """Each word in the Korean font (/L), stretched over its box, its baseline at 88 % of the
    box's height (the font's ascent), in render mode `mode`."""
    ops = ["BT %d Tr" % mode]
    for text, x0, y0, x1, y1 in words:
        size = y1 - y0
        natural = sum(500 if ord(c) < 0x80 else 1000 for c in text) / 1000 * size
        ops.append("/L %.2f Tf %.3f Tz 1 0 0 1 %.2f %.2f Tm <%s> Tj"
                   % (size, 100 * (x1 - x0) / natural, x0, page_height - (y0 + 0.88 * size),
                      text.encode("utf-16-be").hex().upper()))
    ops.append("ET")
    return "\n".join(ops)


def write(pages, image_entries=None, image_data=None):
    """pages: [(content bytes, width_pt, height_pt)]; every page has the Korean font /L and, when
    given, the image XObject /Scan."""
    w = PdfWriter()
    parent = w.reserve()
    font = korean_font(w)
    xobjects = ""
    if image_entries is not None:
        image = w.add(PdfWriter.stream(image_data, " /Type /XObject /Subtype /Image" + image_entries))
        xobjects = f" /XObject << /Scan {image} 0 R >>"
    kids = []
    for content, width_pt, height_pt in pages:
        stream = w.add(PdfWriter.stream(content, compress=True))
        kids.append(w.add(f"<< /Type /Page /Parent {parent} 0 R /MediaBox [0 0 {width_pt:.2f} {height_pt:.2f}]"
                          f" /Resources << /Font << /L {font} 0 R >>{xobjects} >> /Contents {stream} 0 R >>"))
    w.set(parent, "<< /Type /Pages /Kids [%s] /Count %d >>" % (" ".join(f"{k} 0 R" for k in kids), len(kids)))
    root = w.add(f"<< /Type /Catalog /Pages {parent} 0 R >>")
    return w.bytes(root)


def tesseract_layer(image, dpi, quality):
    """Tesseract's searchable PDF of the image as a JPEG; its creation date made fixed."""
    with tempfile.TemporaryDirectory() as tmp:
        jpeg = os.path.join(tmp, "scan.jpg")
        image.save(jpeg, "JPEG", quality=quality, dpi=(dpi, dpi), optimize=False, progressive=False, subsampling=0)
        subprocess.run(["tesseract", jpeg, os.path.join(tmp, "scan"), "-l", "kor+eng", "--psm", "4", "pdf"],
                       check=True, capture_output=True, env={**os.environ, "OMP_THREAD_LIMIT": "1"})
        with open(os.path.join(tmp, "scan.pdf"), "rb") as f:
            data = f.read()

    def fixed(m):
        date = b"D:20000101000000Z00'00'"
        assert len(date) == len(m.group(1)), m.group(1)
        return b"/CreationDate (" + date + b")"
    return re.sub(rb"/CreationDate \(([^)]*)\)", fixed, data)


def turned_layer(source, page, crop, dpi):
    image, origin = render_cropped(source, page, dpi, crop)
    width_pt, height_pt = image.width * 72 / dpi, image.height * 72 / dpi
    words = words_in(source, page, origin, (width_pt, height_pt))
    # Stored turned a quarter counter-clockwise; the matrix turns it back: pixel (x, y) of the
    # page's image is stored at (y, width - 1 - x).
    stored = image.transpose(Image.Transpose.ROTATE_90)
    entries = (f" /Width {stored.width} /Height {stored.height} /ColorSpace /DeviceGray /BitsPerComponent 8"
               " /Filter /FlateDecode")
    draw = f"q 0 {-height_pt:.3f} {width_pt:.3f} 0 0 {height_pt:.3f} cm /Scan Do Q\n"
    first = draw + layer_operators(words, height_pt, 3)
    second = layer_operators(words, height_pt, 0) + "\n" + draw
    return write([(first.encode(), width_pt, height_pt), (second.encode(), width_pt, height_pt)],
                 entries, zlib.compress(stored.tobytes(), 9)), words


def inline_layer(source, page, crop, dpi):
    image, origin = render_cropped(source, page, dpi, crop)
    width_pt, height_pt = image.width * 72 / dpi, image.height * 72 / dpi
    words = words_in(source, page, origin, (width_pt, height_pt))
    data = zlib.compress(image.tobytes(), 9)
    content = (f"q {width_pt:.3f} 0 0 {height_pt:.3f} 0 0 cm\nBI /W {image.width} /H {image.height} /CS /G /BPC 8"
               f" /F /Fl /L {len(data)} ID ").encode() + data + b"\nEI Q\n" + \
        layer_operators(words, height_pt, 3).encode()
    return write([(content, width_pt, height_pt)]), words
