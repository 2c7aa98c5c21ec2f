"""Damaged and hostile PDFs: page trees that lie, content and fonts that cannot be read,
text kept in marked-content properties, dangling references, crowded strings and files
encrypted with an owner password only. Each must be searched and protected fully, or end
with a clear message and a non-zero exit; none may be reported protected while text stays
readable.

Usage: hostile.py OUT_DIR
"""
import os
import subprocess
import sys
import tempfile
import zlib

from handmade import HELVETICA, PdfWriter

PAGE_BOX = "/MediaBox [0 0 612 792]"


def text_page(w, resources, line, y=700):
    content = PdfWriter.stream(f"BT /F1 12 Tf 72 {y} Td ({line}) Tj ET".encode())
    return w.add(content)


def finish(w, pages_body_fn, extra_catalog=""):
    pages = w.reserve()
    kids, count = pages_body_fn(pages)
    w.set(pages, f"<< /Type /Pages /Kids [{kids}] /Count {count} >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R {extra_catalog}>>"))


def simple(lines, page_type="/Page", count=None, extra_catalog="", contents=None):
    """One page per line of text; page_type and count override what the tree says."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"

    def body(pages):
        refs = []
        for i, line in enumerate(lines):
            c = contents[i] if contents else text_page(w, res, line)
            kind = page_type if i == len(lines) - 1 else "/Page"
            refs.append(w.add(f"<< /Type {kind} /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R >>"))
        return " ".join(f"{r} 0 R" for r in refs), count if count is not None else len(lines)

    return finish(w, body, extra_catalog)


def pages_typed_as_pages():
    return simple(["First page 010-1111-2222", "Leaf typed Pages 010-3333-4444"], page_type="/Pages")


def page_tree_loop():
    # The root lists itself among its kids.
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    pages = w.reserve()
    a = w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents "
              f"{text_page(w, res, 'Loop page one 010-5555-6666')} 0 R >>")
    b = w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents "
              f"{text_page(w, res, 'Loop page two 010-7777-8888')} 0 R >>")
    w.set(pages, f"<< /Type /Pages /Kids [{a} 0 R {pages} 0 R {b} 0 R] /Count 2 >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>"))


def garbled_kids():
    # The looping tree with one kid's generation number replaced by a byte no parser accepts
    # (same length, so the cross-reference table stays right).
    data = page_tree_loop()
    start = data.index(b"/Kids [")
    end = data.index(b"]", start)
    kids = data[start:end].split(b" ")
    kids[5] = b"\xaa"
    return data[:start] + b" ".join(kids) + data[end:]


def huge_count():
    return simple(["Count lies 010-1212-3434"], count=2147483647)


def hidden_page():
    return simple(["Shown page 010-2323-4545", "Never shown 010-9898-7676"], count=1)


def damaged_flate():
    """A Flate content stream whose tail is damaged: the first lines decode, the rest do not."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    ops = "".join(f"BT /F1 12 Tf 72 {700 - 20 * i} Td (Line {i} phone 010-4{i:03d}-5678) Tj ET\n"
                  for i in range(30)).encode()
    packed = bytearray(zlib.compress(ops, 9))
    for i in range(len(packed) * 2 // 3, len(packed) - 8, 7):
        packed[i] ^= 0x5A
    c = w.add(b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(packed) + bytes(packed) + b"\nendstream")

    def body(pages):
        return f"{w.add(f'<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R >>')} 0 R", 1

    return finish(w, body)


def bogus_cid_font():
    """A Type0 font whose DescendantFonts array holds an extra reference to a non-font."""
    w = PdfWriter()
    desc = w.add("<< /Type /FontDescriptor /FontName /HYGoThic-Medium /Flags 6 /FontBBox [-6 -145 1003 880]"
                 " /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 880 /StemV 93 >>")
    bogus = w.add("<< /Type /Whatever >>")
    cid = w.add("<< /Type /Font /Subtype /CIDFontType0 /BaseFont /HYGoThic-Medium"
                " /CIDSystemInfo << /Registry (Adobe) /Ordering (Korea1) /Supplement 2 >>"
                f" /FontDescriptor {desc} 0 R /DW 1000 /W [1 95 500] >>")
    font = w.add("<< /Type /Font /Subtype /Type0 /BaseFont /HYGoThic-Medium-UniKS-UCS2-H /Encoding /UniKS-UCS2-H"
                 f" /DescendantFonts [{bogus} 0 R {cid} 0 R] >>")
    res = f"<< /Font << /K1 {font} 0 R >> >>"
    hexed = "전화 010-6543-2109".encode("utf-16-be").hex().upper()
    c = w.add(PdfWriter.stream(f"BT /K1 12 Tf 72 700 Td <{hexed}> Tj ET".encode()))

    def body(pages):
        return f"{w.add(f'<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R >>')} 0 R", 1

    return finish(w, body)


def marked_content():
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> /Properties << /P1 << /ActualText (Call 010-1357-2468 now) >> >> >>"
    ops = ("/Span << /ActualText (Phone: 010-1234-5678) >> BDC BT /F1 12 Tf 72 700 Td (Phone: 010-1234-5678) Tj ET EMC\n"
           "/Figure << /Alt (Mail kim.alt@example.com) >> BDC BT /F1 12 Tf 72 670 Td (Mail kim.alt@example.com) Tj ET EMC\n"
           "/Span << /E (IP 192.168.200.7) >> BDC BT /F1 12 Tf 72 640 Td (IP 192.168.200.7) Tj ET EMC\n"
           "/Span /P1 BDC BT /F1 12 Tf 72 610 Td (Call 010-1357-2468 now) Tj ET EMC\n"
           "/Span << /ActualText (Unrelated words) >> BDC BT /F1 12 Tf 72 580 Td (Unrelated words) Tj ET EMC\n")
    c = w.add(PdfWriter.stream(ops.encode()))

    def body(pages):
        return f"{w.add(f'<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R >>')} 0 R", 1

    return finish(w, body)


def dangling_reference():
    """The catalog refers to object 10, which the file does not define; /Size is 10."""
    data = simple(["Dangling reference 010-2468-1357"], extra_catalog="/Extra 10 0 R ")
    size = data.count(b" 0 obj\n") + 1
    assert size < 10
    return data.replace(b"/Size %d " % size, b"/Size 10 ")


def crowded_string(count=1000):
    line = " ".join(f"010-{1000 + i % 9000:04d}-{i % 10000:04d}" for i in range(count))
    return simple([line])


def repeated_page():
    """The root lists one page object twice: readers show three pages, the first and the last alike."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    pages = w.reserve()
    a = w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents "
              f"{text_page(w, res, 'Listed twice 010-1111-3333')} 0 R >>")
    b = w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents "
              f"{text_page(w, res, 'Listed once 010-2222-4444')} 0 R >>")
    w.set(pages, f"<< /Type /Pages /Kids [{a} 0 R {b} 0 R {a} 0 R] /Count 3 >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>"))


def shared_page_node():
    """One page node reached through two parents: readers show its two pages twice."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    pages, shared, other = w.reserve(), w.reserve(), w.reserve()
    a = w.add(f"<< /Type /Page /Parent {shared} 0 R {PAGE_BOX} /Resources {res} /Contents "
              f"{text_page(w, res, 'Shared node 010-5555-7777')} 0 R >>")
    b = w.add(f"<< /Type /Page /Parent {shared} 0 R {PAGE_BOX} /Resources {res} /Contents "
              f"{text_page(w, res, 'Shared node too 010-6666-8888')} 0 R >>")
    w.set(shared, f"<< /Type /Pages /Parent {pages} 0 R /Kids [{a} 0 R {b} 0 R] /Count 2 >>")
    w.set(other, f"<< /Type /Pages /Parent {pages} 0 R /Kids [{shared} 0 R] /Count 2 >>")
    w.set(pages, f"<< /Type /Pages /Kids [{shared} 0 R {other} 0 R] /Count 4 >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>"))


def identical_pages(count=11):
    """Pages alike to the byte, each its own object sharing one content stream (a blank form
    printed several times), and a last page with a phone number."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    pages = w.reserve()
    refs = []
    c = w.add(PdfWriter.stream(b"BT /F1 12 Tf 72 700 Td (Name:        Date:) Tj ET"))
    for _ in range(count):
        refs.append(w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R >>"))
    refs.append(w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents "
                      f"{text_page(w, res, 'Contact 010-3131-4141')} 0 R >>"))
    w.set(pages, f"<< /Type /Pages /Kids [{' '.join(f'{r} 0 R' for r in refs)}] /Count {len(refs)} >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>"))


def inherited_twin_forms():
    """Two identical forms showing text, named in resources the pages inherit from the tree."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    fonts = f"<< /F1 {font} 0 R >>"
    form = "BT /F1 12 Tf 0 10 Td (Form phone 010-7171-8181) Tj ET"
    fa = w.add(PdfWriter.stream(form.encode(), f" /Type /XObject /Subtype /Form /BBox [0 0 300 40] /Resources << /Font {fonts} >>"))
    fb = w.add(PdfWriter.stream(form.encode(), f" /Type /XObject /Subtype /Form /BBox [0 0 300 40] /Resources << /Font {fonts} >>"))
    pages = w.reserve()
    c1 = w.add(PdfWriter.stream(b"q 1 0 0 1 72 700 cm /Fa Do Q"))
    c2 = w.add(PdfWriter.stream(b"q 1 0 0 1 72 600 cm /Fb Do Q"))
    p1 = w.add(f"<< /Type /Page /Parent {pages} 0 R /Contents {c1} 0 R >>")
    p2 = w.add(f"<< /Type /Page /Parent {pages} 0 R /Contents {c2} 0 R >>")
    w.set(pages, f"<< /Type /Pages /Kids [{p1} 0 R {p2} 0 R] /Count 2 {PAGE_BOX}"
                 f" /Resources << /Font {fonts} /XObject << /Fa {fa} 0 R /Fb {fb} 0 R >> >> >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>"))


def field_kids_twice(depth=25):
    """A form-field tree whose every node names the same child twice: 2^depth paths, depth objects."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    pages, page = w.reserve(), w.reserve()
    nodes = [w.reserve() for _ in range(depth)]
    ap = w.add(PdfWriter.stream(b"/Tx BMC BT /F1 10 Tf 2 6 Td (010-9191-2828) Tj ET EMC",
                                f" /Type /XObject /Subtype /Form /BBox [0 0 160 20] /Resources {res}"))
    widget = w.add(f"<< /Type /Annot /Subtype /Widget /Rect [72 600 232 620] /Parent {nodes[-1]} 0 R /P {page} 0 R"
                   f" /AP << /N {ap} 0 R >> >>")
    for i, n in enumerate(nodes):
        kid = widget if i == depth - 1 else nodes[i + 1]
        parent = f" /Parent {nodes[i - 1]} 0 R" if i else ""
        extra = " /FT /Tx /V (010-9191-2828) /DA (/Helv 10 Tf 0 g)" if i == depth - 1 else ""
        w.set(n, f"<< /T (n{i}){parent} /Kids [{kid} 0 R {kid} 0 R]{extra} >>")
    c = text_page(w, res, "Form below 010-4646-5757")
    w.set(page, f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R /Annots [{widget} 0 R] >>")
    w.set(pages, f"<< /Type /Pages /Kids [{page} 0 R] /Count 1 >>")
    helv = w.add(HELVETICA)
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R /AcroForm << /Fields [{nodes[0]} 0 R]"
                         f" /DA (/Helv 10 Tf 0 g) /DR << /Font << /Helv {helv} 0 R >> >> >> >>"))


def many_annotations(count=32000):
    """One page with tens of thousands of links (an index), and a note with a phone number."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    pages, page = w.reserve(), w.reserve()
    annots = []
    for i in range(count):
        annots.append(w.add(f"<< /Type /Annot /Subtype /Link /Rect [20 20 40 30] /Border [0 0 0]"
                            f" /A << /S /URI /URI (https://example.com/index/{i}) >> >>"))
    annots.append(w.add(f"<< /Type /Annot /Subtype /Text /Rect [500 740 520 760] /Contents (Call 010-8282-9393) /P {page} 0 R >>"))
    c = text_page(w, res, "Crowded page 010-1357-8642", 760)
    w.set(page, f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R"
                f" /Annots [{' '.join(f'{a} 0 R' for a in annots)}] >>")
    w.set(pages, f"<< /Type /Pages /Kids [{page} 0 R] /Count 1 >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>"), object_stream=True)


def repeated_deflate(chunk: bytes, times: int, tail: bytes = b"") -> bytes:
    """zlib data of `chunk` repeated `times` times then `tail`, made in time independent of
    `times`: after a full flush each identical chunk compresses to identical bytes."""
    z = zlib.compressobj(9)
    head = z.compress(chunk) + z.flush(zlib.Z_FULL_FLUSH)
    block = z.compress(chunk) + z.flush(zlib.Z_FULL_FLUSH)
    out = bytearray(head)
    for _ in range(times - 1):
        out += block
    out += z.compress(tail) + z.flush()
    # The Adler-32 checksum is of the first run only; readers that verify it fail at the very end.
    return bytes(out)


def decompression_bomb():
    """A content stream of two Flate filters: a few kilobytes that decode to 16 GB of spaces
    after a line of text."""
    inner = repeated_deflate(b" " * (1 << 20), 1 << 14, b"\nET\n")
    outer = zlib.compress(inner, 9)
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    first = w.add(PdfWriter.stream(b"BT /F1 12 Tf 72 700 Td (Bomb ahead 010-2424-3535) Tj\n"))
    bomb = w.add(b"<< /Length %d /Filter [/FlateDecode /FlateDecode] >>\nstream\n" % len(outer) + outer + b"\nendstream")

    def body(pages):
        return f"{w.add(f'<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents [{first} 0 R {bomb} 0 R] >>')} 0 R", 1

    return finish(w, body)


def machine_values():
    """Dates and tool names in the information dictionary and the XMP metadata (as elements and
    as attributes, and in the history's events), beside a title and a description that name a
    person's telephone number and birth date."""
    xmp = ("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
           "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
           "<rdf:Description rdf:about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/' xmlns:pdf='http://ns.adobe.com/pdf/1.3/'"
           " xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:xmpMM='http://ns.adobe.com/xap/1.0/mm/'"
           " xmlns:stEvt='http://ns.adobe.com/xap/1.0/sType/ResourceEvent#' xmp:MetadataDate='1990-01-01T09:30:00+09:00'>\n"
           "<xmp:CreateDate>1988-08-08T10:20:30+09:00</xmp:CreateDate>\n"
           "<xmp:ModifyDate>1990.01.01</xmp:ModifyDate>\n"
           "<xmp:CreatorTool>Mozilla/5.0 (X11; Linux x86_64) Chrome/138.0.0.0 Safari/537.36</xmp:CreatorTool>\n"
           "<pdf:Producer>Skia/PDF m138 192.168.0.1</pdf:Producer>\n"
           "<xmpMM:History><rdf:Seq><rdf:li rdf:parseType='Resource'><stEvt:when>1985-03-15</stEvt:when>"
           "<stEvt:softwareAgent>Tool 10.0.0.1</stEvt:softwareAgent></rdf:li></rdf:Seq></xmpMM:History>\n"
           "<dc:date><rdf:Seq><rdf:li>1992-11-30</rdf:li></rdf:Seq></dc:date>\n"
           "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Call 010-3434-5656</rdf:li></rdf:Alt></dc:title>\n"
           "<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>Born 1977-07-07</rdf:li></rdf:Alt></dc:description>\n"
           "</rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end='w'?>")
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    meta = w.add(PdfWriter.stream(xmp.encode(), " /Type /Metadata /Subtype /XML"))
    info = w.add("<< /CreationDate (D:19880808102030+09'00') /ModDate (D:19900101) /Creator (Chrome 138.0.0.0)"
                 " /Producer (Skia/PDF m138 10.1.2.3) /Title (Call 010-7878-9898) /Author (Born 1966-06-06) >>")
    c = text_page(w, res, "Nothing personal on the page")
    pages = w.reserve()
    page = w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R >>")
    w.set(pages, f"<< /Type /Pages /Kids [{page} 0 R] /Count 1 >>")
    data = w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R /Metadata {meta} 0 R >>"))
    return data.replace(b"trailer\n<< ", b"trailer\n<< /Info %d 0 R " % info)


def signed_appearance():
    """A signed document: the signature field's appearance (a frame form drawing a layer form,
    as signing tools write them) shows the signer and the signing date, which the birth-date
    rules match. The signature value is a placeholder: nothing verifies it here."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    layer = w.add(PdfWriter.stream(
        b"BT /F1 9 Tf 4 24 Td (Digitally signed by Kim Minjun) Tj 0 -12 Td (Date: 2023.05.14 10:20:30 +09'00') Tj ET",
        f" /Type /XObject /Subtype /Form /BBox [0 0 220 40] /Resources {res}"))
    frame = w.add(PdfWriter.stream(b"q 1 0 0 1 0 0 cm /n2 Do Q",
                                   f" /Type /XObject /Subtype /Form /BBox [0 0 220 40] /Resources << /XObject << /n2 {layer} 0 R >> >>"))
    ap = w.add(PdfWriter.stream(b"q 1 0 0 1 0 0 cm /FRM Do Q",
                                f" /Type /XObject /Subtype /Form /BBox [0 0 220 40] /Resources << /XObject << /FRM {frame} 0 R >> >>"))
    sig = w.add("<< /Type /Sig /Filter /Adobe.PPKLite /SubFilter /adbe.pkcs7.detached /Name (Kim Minjun)"
                " /M (D:20230514102030+09'00') /ByteRange [0 0 0 0] /Contents <" + "00" * 64 + "> >>")
    pages, page = w.reserve(), w.reserve()
    field = w.add(f"<< /Type /Annot /Subtype /Widget /FT /Sig /T (Signature1) /V {sig} 0 R /F 4"
                  f" /Rect [300 100 520 140] /P {page} 0 R /AP << /N {ap} 0 R >> >>")
    c = text_page(w, res, "Contract, page 1. Contact 010-6060-7070")
    w.set(page, f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R /Annots [{field} 0 R] >>")
    w.set(pages, f"<< /Type /Pages /Kids [{page} 0 R] /Count 1 >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R /AcroForm << /Fields [{field} 0 R] /SigFlags 3 >> >>"))


def with_extra_object(body):
    """One page with a phone number whose dictionary refers to `body` (an extra object)."""
    w = PdfWriter()
    font = w.add(HELVETICA)
    res = f"<< /Font << /F1 {font} 0 R >> >>"
    extra = w.add(body)
    c = text_page(w, res, "Write me 010-1212-3434")
    pages = w.reserve()
    page = w.add(f"<< /Type /Page /Parent {pages} 0 R {PAGE_BOX} /Resources {res} /Contents {c} 0 R /Extra {extra} 0 R >>")
    w.set(pages, f"<< /Type /Pages /Kids [{page} 0 R] /Count 1 >>")
    return w.bytes(w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>"))


def unparsable_object():
    """An object the page refers to that no parser reads (a string never closed): readers take
    it as null, and qpdf rewrites the file."""
    return with_extra_object("<< /Type /Foo /Bar ( >>")


def deep_nesting():
    """Arrays nested 300 deep: they parse, and a writer that recurses into each level gives up."""
    return with_extra_object("[" * 300 + "]" * 300)


def encrypted(method):
    with tempfile.TemporaryDirectory() as tmp:
        plain, out = os.path.join(tmp, "plain.pdf"), os.path.join(tmp, "out.pdf")
        with open(plain, "wb") as f:
            f.write(simple(["Encrypted owner only 010-8642-9753", "Second page kim.enc@example.com"]))
        # Owner password only, printing allowed and changes forbidden.
        subprocess.run(["mutool", "clean", "-E", method, "-O", "owner-secret", "-U", "", "-P", "-12",
                        plain, out], check=True)
        with open(out, "rb") as f:
            return f.read()


CASES = {
    "pages-typed-as-pages.pdf": pages_typed_as_pages,
    "page-tree-loop.pdf": page_tree_loop,
    "garbled-kids.pdf": garbled_kids,
    "huge-count.pdf": huge_count,
    "hidden-page.pdf": hidden_page,
    "damaged-flate.pdf": damaged_flate,
    "bogus-cid-font.pdf": bogus_cid_font,
    "marked-content.pdf": marked_content,
    "dangling-reference.pdf": dangling_reference,
    "crowded-string.pdf": crowded_string,
    "repeated-page.pdf": repeated_page,
    "shared-page-node.pdf": shared_page_node,
    "identical-pages.pdf": identical_pages,
    "inherited-twin-forms.pdf": inherited_twin_forms,
    "field-kids-twice.pdf": field_kids_twice,
    "many-annotations.pdf": many_annotations,
    "decompression-bomb.pdf": decompression_bomb,
    "machine-values.pdf": machine_values,
    "signed-appearance.pdf": signed_appearance,
    "unparsable-object.pdf": unparsable_object,
    "deep-nesting.pdf": deep_nesting,
    "encrypted-aes-256.pdf": lambda: encrypted("aes-256"),
    "encrypted-aes-128.pdf": lambda: encrypted("aes-128"),
    "encrypted-rc4-128.pdf": lambda: encrypted("rc4-128"),
    "encrypted-rc4-40.pdf": lambda: encrypted("rc4-40"),
}


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, make in CASES.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(make())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
