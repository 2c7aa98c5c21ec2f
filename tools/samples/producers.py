"""Writes the Korean sample documents with several real PDF producers, so the
corpus holds the font encodings found in the wild: reportlab (embedded TrueType
subsets with one-byte codes, and a non-embedded CID font with UniKS-UCS2-H),
cairo (CID fonts with Identity-H two-byte codes) and Ghostscript (re-distilled)."""
import os
import subprocess
import tempfile

import cairo
from reportlab.lib.pagesizes import A4
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.cidfonts import UnicodeCIDFont
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

from content import wrap

NANUM = "/usr/share/fonts/truetype/nanum/"
MARGIN = 56.0
WIDTH, HEIGHT = A4


def _register_reportlab_fonts():
    if "NanumGothic" not in pdfmetrics.getRegisteredFontNames():
        pdfmetrics.registerFont(TTFont("NanumGothic", NANUM + "NanumGothic.ttf"))
        pdfmetrics.registerFont(TTFont("NanumGothicBold", NANUM + "NanumGothicBold.ttf"))
        pdfmetrics.registerFont(UnicodeCIDFont("HYSMyeongJo-Medium"))


def _fixed_document_info(c: canvas.Canvas, title: str):
    c.setTitle(title)
    c.setAuthor("Veilmark sample generator")
    c.setCreator("reportlab")


def reportlab_pdf(path, pages, title, regular="NanumGothic", bold="NanumGothicBold", form_grid=False):
    """One line of text per `Line`, long lines wrapped; optional grid lines as on a printed form."""
    _register_reportlab_fonts()
    c = canvas.Canvas(path, pagesize=A4, invariant=1)
    _fixed_document_info(c, title)
    for page in pages:
        y = HEIGHT - MARGIN
        for ln in page:
            font = bold if ln.bold else regular
            lead = ln.size * 1.6
            pieces = wrap(ln.text, lambda s: pdfmetrics.stringWidth(s, font, ln.size), WIDTH - 2 * MARGIN) or [""]
            for piece in pieces:
                y -= lead
                if piece:
                    c.setFont(font, ln.size)
                    c.drawString(MARGIN + (6 if form_grid else 0), y, piece)
                if form_grid and piece and ":" in piece:
                    c.setLineWidth(0.5)
                    c.setStrokeGray(0.4)
                    c.rect(MARGIN, y - lead * 0.3, WIDTH - 2 * MARGIN, lead, stroke=1, fill=0)
        c.showPage()
    c.save()


def cairo_pdf(path, pages, title, family="NanumMyeongjo", leading=1.6):
    surface = cairo.PDFSurface(path, WIDTH, HEIGHT)
    surface.set_metadata(cairo.PDFMetadata.TITLE, title)
    surface.set_metadata(cairo.PDFMetadata.CREATE_DATE, "2024-05-01T09:00:00")
    ctx = cairo.Context(surface)
    for page in pages:
        y = MARGIN
        for ln in page:
            ctx.select_font_face(family, cairo.FONT_SLANT_NORMAL,
                                 cairo.FONT_WEIGHT_BOLD if ln.bold else cairo.FONT_WEIGHT_NORMAL)
            ctx.set_font_size(ln.size)
            lead = ln.size * leading
            pieces = wrap(ln.text, lambda s: ctx.text_extents(s).x_advance, WIDTH - 2 * MARGIN) or [""]
            for piece in pieces:
                y += lead
                if piece:
                    ctx.move_to(MARGIN, y)
                    ctx.show_text(piece)
        if y > HEIGHT - MARGIN / 2:
            raise ValueError(f"text runs off page {len(pages)} of {path}")
        ctx.show_page()
    surface.finish()


def ghostscript_pdf(source, path):
    subprocess.run(["gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite",
                    "-dCompatibilityLevel=1.7", "-sOutputFile=" + path, source], check=True)


def _xml_escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def libreoffice_pdf(path, pages, title, family="NanumGothic"):
    """LibreOffice Writer (a flat ODT document converted headless): simple TrueType subsets with
    one-byte codes. Each line is a paragraph; a new page starts with a page break. Writer's
    automatic spacing between Asian and Western characters is off: with it, every extractor
    reads "1993 년 2 월" and the Korean date form is not found."""
    paragraphs = []
    for number, page in enumerate(pages):
        for index, ln in enumerate(page):
            style = "P" + ("B" if ln.bold else "N") + str(int(ln.size * 10))
            if number > 0 and index == 0:
                style += "Break"
            paragraphs.append(f'<text:p text:style-name="{style}">{_xml_escape(ln.text)}</text:p>')
    styles = set()
    for number, page in enumerate(pages):
        for index, ln in enumerate(page):
            styles.add((ln.bold, ln.size, number > 0 and index == 0))
    style_xml = []
    for bold, size, brk in sorted(styles):
        name = "P" + ("B" if bold else "N") + str(int(size * 10)) + ("Break" if brk else "")
        weight = ' fo:font-weight="bold" style:font-weight-asian="bold"' if bold else ""
        para = ' fo:break-before="page"' if brk else ""
        style_xml.append(
            f'<style:style style:name="{name}" style:family="paragraph">'
            f'<style:paragraph-properties fo:margin-bottom="0.1cm" style:text-autospace="none"{para}/>'
            f'<style:text-properties style:font-name="{family}" style:font-name-asian="{family}" '
            f'fo:font-size="{size}pt" style:font-size-asian="{size}pt"{weight}/></style:style>')
    document = f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:meta><dc:title>{_xml_escape(title)}</dc:title></office:meta>
<office:font-face-decls><style:font-face style:name="{family}" svg:font-family="{family}"/></office:font-face-decls>
<office:automatic-styles>{"".join(style_xml)}</office:automatic-styles>
<office:body><office:text>{"".join(paragraphs)}</office:text></office:body>
</office:document>
'''
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "document.fodt")
        with open(source, "w", encoding="utf-8") as f:
            f.write(document)
        subprocess.run(["soffice", "--headless", f"-env:UserInstallation=file://{tmp}/profile",
                        "--convert-to", "pdf", "--outdir", tmp, source],
                       check=True, capture_output=True)
        os.replace(os.path.join(tmp, "document.pdf"), path)


def control_space_pdf(path, pages, title):
    """cairo's output with the space glyph's ToUnicode entry pointing at U+0001, as Chromium's
    PDF output does with some Korean fonts: the page shows spaces, the mapping says control."""
    with tempfile.TemporaryDirectory() as tmp:
        plain, expanded = os.path.join(tmp, "plain.pdf"), os.path.join(tmp, "expanded.pdf")
        cairo_pdf(plain, pages, title, family="NanumGothic")
        subprocess.run(["mutool", "clean", "-d", plain, expanded], check=True)
        with open(expanded, "rb") as f:
            data = f.read()
        # Same length, so the cross-reference offsets stay right.
        if b"<20> <0020>" not in data:
            raise ValueError("expected a ToUnicode entry for the space glyph")
        with open(expanded, "wb") as f:
            f.write(data.replace(b"<20> <0020>", b"<20> <0001>"))
        subprocess.run(["mutool", "clean", "-gz", expanded, path], check=True)
