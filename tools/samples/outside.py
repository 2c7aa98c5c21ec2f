"""Documents with personal information outside the page content, and a scanned page.

outside-text.pdf holds personal information in a form XObject (nested, rotated), link
annotations (mailto:, tel:), a text annotation (contents and author), a free-text annotation
with its appearance, a filled text field with its appearance, the document information
dictionary, the XMP metadata, bookmarks and an embedded file (name, description, contents).
scanned-page.pdf has a page of text and a page that is only an image (a scan without text).

OUTSIDE lists the occurrences outside the page content: (file, where, category, text).
"""
from content import Pii
from handmade import PdfWriter, HELVETICA, k, korean_font, mixed


def text_string(s: str) -> str:
    """A PDF text string: UTF-16BE with its byte-order mark, as hex."""
    return "<FEFF" + s.encode("utf-16-be").hex().upper() + ">"


def outside_text():
    w = PdfWriter()
    f1 = w.add(HELVETICA)
    k1 = korean_font(w)
    fonts = f"<< /F1 {f1} 0 R /K1 {k1} 0 R >>"

    # A stamp form drawing another form, rotated by its matrix.
    inner = w.add(PdfWriter.stream(
        b"BT /F1 9 Tf 0 0 Td (Approved by 02-555-0199) Tj ET",
        f" /Type /XObject /Subtype /Form /BBox [0 -3 160 12] /Resources << /Font {fonts} >>"))
    stamp = w.add(PdfWriter.stream(
        (f"0 0 1 RG 1 w 0 0 200 40 re S BT 6 26 Td {mixed('담당 주민등록번호 850315-2345678', 10)} ET "
         "q 1 0 0 1 6 8 cm /In Do Q").encode("latin-1"),
        f" /Type /XObject /Subtype /Form /BBox [0 0 200 40] /Matrix [0.9659 0.2588 -0.2588 0.9659 0 0]"
        f" /Resources << /Font {fonts} /XObject << /In {inner} 0 R >> >>"))

    page1 = (f"BT 72 740 Td {mixed('고객 연락처 010-7777-8888', 14)} ET\n"
             "BT /F1 11 Tf 72 700 Td (Write to us: contact link below) Tj ET\n"
             "q 1 0 0 1 330 560 cm /St Do Q\n")
    page2 = (f"BT 72 740 Td {mixed('부록: 첨부 파일과 책갈피', 14)} ET\n"
             "BT /F1 11 Tf 72 700 Td (Nothing personal on this page.) Tj ET\n")

    # Appearances of the free-text annotation and the text field.
    freetext_ap = w.add(PdfWriter.stream(
        f"1 1 0.8 rg 0 0 220 30 re f 0 g BT 4 10 Td {mixed('방문 주소 서울특별시 종로구 세종대로 209', 9)} ET".encode("latin-1"),
        f" /Type /XObject /Subtype /Form /BBox [0 0 220 30] /Resources << /Font {fonts} >>"))
    field_ap = w.add(PdfWriter.stream(
        b"/Tx BMC q BT /F1 11 Tf 2 6 Td (010-2323-4545) Tj ET Q EMC",
        f" /Type /XObject /Subtype /Form /BBox [0 0 160 20] /Resources << /Font << /Helv {f1} 0 R >> >>"))

    pages = w.reserve()
    p1, p2 = w.reserve(), w.reserve()
    mail = w.add(f"<< /Type /Annot /Subtype /Link /Rect [72 690 300 712] /Border [0 0 0]"
                 f" /A << /S /URI /URI (mailto:jisoo.han@example.kr) >> >>")
    tel = w.add(f"<< /Type /Annot /Subtype /Link /Rect [72 660 300 682] /Border [0 0 0]"
                f" /A << /S /URI /URI (tel:010-4321-9876) >> >>")
    note = w.add(f"<< /Type /Annot /Subtype /Text /Rect [520 740 540 760] /Contents {text_string('확인 필요: 주민번호 921130-2567890')}"
                 f" /T (reviewer@example.org) /Name /Comment >>")
    freetext = w.add(f"<< /Type /Annot /Subtype /FreeText /Rect [72 500 292 530] /DA (/Helv 9 Tf 0 g)"
                     f" /Contents {text_string('방문 주소 서울특별시 종로구 세종대로 209')}"
                     f" /AP << /N {freetext_ap} 0 R >> >>")
    field = w.add(f"<< /Type /Annot /Subtype /Widget /FT /Tx /T (phone) /TU (Phone number) /Rect [72 440 232 460]"
                  f" /DA (/Helv 11 Tf 0 g) /V (010-2323-4545) /AP << /N {field_ap} 0 R >> /P {p1} 0 R /F 4 >>")
    page_res = f"<< /Font {fonts} /XObject << /St {stamp} 0 R >> >>"
    c1 = w.add(PdfWriter.stream(page1.encode("latin-1"), compress=True))
    c2 = w.add(PdfWriter.stream(page2.encode("latin-1"), compress=True))

    # The embedded file, also shown by a file attachment annotation on page 2.
    listing = "이름,주민등록번호,전화\n김민준,900101-1234567,010-1357-2468\n".encode("utf-8")
    ef = w.add(PdfWriter.stream(listing, f" /Type /EmbeddedFile /Subtype /text#2Fcsv /Params << /Size {len(listing)} >>"))
    fileEntry = w.add(f"<< /Type /Filespec /F (members.csv) /UF {text_string('회원명단.csv')}"
                 f" /Desc {text_string('연락 담당 010-9999-0000')} /EF << /F {ef} 0 R >> >>")
    clip = w.add(f"<< /Type /Annot /Subtype /FileAttachment /Rect [72 600 92 620] /FS {fileEntry} 0 R /Name /Paperclip"
                 f" /Contents (members list) >>")

    w.set(p1, f"<< /Type /Page /Parent {pages} 0 R /MediaBox [0 0 612 792] /Resources {page_res}"
              f" /Contents {c1} 0 R /Annots [{mail} 0 R {tel} 0 R {note} 0 R {freetext} 0 R {field} 0 R] >>")
    w.set(p2, f"<< /Type /Page /Parent {pages} 0 R /MediaBox [0 0 612 792] /Resources {page_res}"
              f" /Contents {c2} 0 R /Annots [{clip} 0 R] >>")
    w.set(pages, f"<< /Type /Pages /Kids [{p1} 0 R {p2} 0 R] /Count 2 >>")

    outlines = w.reserve()
    child = w.reserve()
    top1 = w.add(f"<< /Title {text_string('고객 김서연 (010-2468-1357)')} /Parent {outlines} 0 R /Next {child + 2} 0 R"
                 f" /First {child} 0 R /Last {child} 0 R /Count 1 /Dest [{p1} 0 R /Fit] >>")
    w.set(child, f"<< /Title (Contact seoyeon.kim@example.com) /Parent {top1} 0 R /Dest [{p1} 0 R /Fit] >>")
    top2 = w.add(f"<< /Title {text_string('부록')} /Parent {outlines} 0 R /Prev {top1} 0 R /Dest [{p2} 0 R /Fit] >>")
    assert top2 == child + 2
    w.set(outlines, f"<< /Type /Outlines /First {top1} 0 R /Last {top2} 0 R /Count 2 >>")

    xmp = ("<?xpacket begin='\ufeff' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
           "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
           "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
           "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'"
           " xmlns:pdf='http://ns.adobe.com/pdf/1.3/' pdf:Keywords='담당 031-888-9999'>\n"
           "<dc:creator><rdf:Seq><rdf:li>author.park@example.co.kr</rdf:li></rdf:Seq></dc:creator>\n"
           "</rdf:Description>\n</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='w'?>").encode("utf-8")
    metadata = w.add(PdfWriter.stream(xmp, " /Type /Metadata /Subtype /XML"))
    acroform = f"<< /Fields [{field} 0 R] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv {f1} 0 R >> >> >>"
    root = w.add(f"<< /Type /Catalog /Pages {pages} 0 R /Outlines {outlines} 0 R /PageMode /UseOutlines"
                 f" /Metadata {metadata} 0 R /AcroForm {acroform}"
                 f" /Names << /EmbeddedFiles << /Names [{text_string('회원명단.csv')} {fileEntry} 0 R] >> >> >>")
    info = w.add(f"<< /Title {text_string('고객 상담 기록')} /Author (han.minji@example.com)"
                 f" /Subject {text_string('상담 전화 02-6000-7000')} /Producer (Veilmark samples) >>")
    data = w.bytes(root)
    # The trailer gets the information dictionary.
    data = data.replace(b"/Root %d 0 R >>" % root, b"/Root %d 0 R /Info %d 0 R >>" % (root, info))
    page_items = [[Pii("phone", "010-7777-8888"), Pii("rrn", "850315-2345678"), Pii("phone", "02-555-0199")], []]
    return data, page_items


OUTSIDE = [
    ("outside-text.pdf", "link", "email", "jisoo.han@example.kr"),
    ("outside-text.pdf", "link", "phone", "010-4321-9876"),
    ("outside-text.pdf", "annotation", "rrn", "921130-2567890"),
    ("outside-text.pdf", "annotation", "email", "reviewer@example.org"),
    ("outside-text.pdf", "annotation", "address", "서울특별시 종로구 세종대로 209"),
    ("outside-text.pdf", "field", "phone", "010-2323-4545"),
    ("outside-text.pdf", "info", "email", "han.minji@example.com"),
    ("outside-text.pdf", "info", "phone", "02-6000-7000"),
    ("outside-text.pdf", "xmp", "phone", "031-888-9999"),
    ("outside-text.pdf", "xmp", "email", "author.park@example.co.kr"),
    ("outside-text.pdf", "outline", "phone", "010-2468-1357"),
    ("outside-text.pdf", "outline", "email", "seoyeon.kim@example.com"),
    ("outside-text.pdf", "attachment", "phone", "010-9999-0000"),
    ("outside-text.pdf", "attachment", "rrn", "900101-1234567"),
    ("outside-text.pdf", "attachment", "phone", "010-1357-2468"),
]


def scanned_page():
    """Page 1 has text; page 2 is a grey 'scan' image covering the page, with no text."""
    w = PdfWriter()
    f1 = w.add(HELVETICA)
    k1 = korean_font(w)
    width, height = 85, 110
    pixels = bytes(255 if (y % 10 > 6 or x < 8 or x > 76) else 40 + (x * 7 + y * 3) % 60
                   for y in range(height) for x in range(width))
    image = w.add(PdfWriter.stream(pixels, f" /Type /XObject /Subtype /Image /Width {width} /Height {height}"
                                           " /ColorSpace /DeviceGray /BitsPerComponent 8", compress=True))
    res = f"<< /Font << /F1 {f1} 0 R /K1 {k1} 0 R >> /XObject << /Scan {image} 0 R >> >>"
    c1 = w.add(PdfWriter.stream(f"BT 72 740 Td {mixed('신분증 사본 첨부 (다음 쪽), 연락처 010-5050-6060', 12)} ET".encode("latin-1"),
                                compress=True))
    c2 = w.add(PdfWriter.stream(b"q 540 0 0 700 36 46 cm /Scan Do Q", compress=True))
    pages = w.reserve()
    p1 = w.add(f"<< /Type /Page /Parent {pages} 0 R /MediaBox [0 0 612 792] /Resources {res} /Contents {c1} 0 R >>")
    p2 = w.add(f"<< /Type /Page /Parent {pages} 0 R /MediaBox [0 0 612 792] /Resources {res} /Contents {c2} 0 R >>")
    w.set(pages, f"<< /Type /Pages /Kids [{p1} 0 R {p2} 0 R] /Count 2 >>")
    root = w.add(f"<< /Type /Catalog /Pages {pages} 0 R >>")
    return w.bytes(root), [[Pii("phone", "010-5050-6060")], []]


DESCRIPTIONS = {
    "outside-text.pdf": "hand-written: personal information outside the page text (links, a text and a free-text "
                        "annotation, a filled text field, information dictionary, XMP, bookmarks, an attachment) "
                        "and in a nested, rotated stamp form; expected-outside.tsv lists the occurrences outside "
                        "the page content.",
    "scanned-page.pdf": "hand-written: a page of text and a page that is only an image (a scan without a text layer).",
}

CASES = {"outside-text.pdf": outside_text, "scanned-page.pdf": scanned_page}


def write_expected(path):
    with open(path, "w", encoding="utf-8") as f:
        f.write("file\twhere\tcategory\ttext\n")
        for row in OUTSIDE:
            f.write("\t".join(row) + "\n")
