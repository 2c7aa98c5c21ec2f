"""Small PDFs written by hand, one content-stream feature each.

Each case returns (content streams, extra resources, expected personal items).
Korean text uses the non-embedded HYGoThic-Medium with the UniKS-UCS2 CMaps, so
the codes are simply UTF-16BE and readable in the generator.
"""
import zlib

from content import Pii, card


def k(text: str) -> str:
    """A hex string of UCS-2 codes for the Korean CID font."""
    return "<" + text.encode("utf-16-be").hex().upper() + ">"


class PdfWriter:
    def __init__(self):
        self.objects = []

    def add(self, body) -> int:
        self.objects.append(body)
        return len(self.objects)

    def reserve(self) -> int:
        return self.add(None)

    def set(self, num: int, body):
        self.objects[num - 1] = body

    @staticmethod
    def stream(data: bytes, extra: str = "", compress: bool = False) -> bytes:
        if compress:
            data = zlib.compress(data)
            extra += " /Filter /FlateDecode"
        return b"<< /Length %d%s >>\nstream\n" % (len(data), extra.encode()) + data + b"\nendstream"

    def bytes(self, root: int, object_stream: bool = False) -> bytes:
        if object_stream:
            return self.compressed_bytes(root)
        out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
        offsets = []
        for i, body in enumerate(self.objects, 1):
            offsets.append(len(out))
            if isinstance(body, str):
                body = body.encode("latin-1")
            out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
        xref = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(self.objects) + 1)
        for off in offsets:
            out += b"%010d 00000 n \n" % off
        out += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
            len(self.objects) + 1, root, xref)
        return bytes(out)

    def compressed_bytes(self, root: int, per_stream: int = 4096) -> bytes:
        """The file with every object that is not a stream in compressed object streams, and a
        cross-reference stream."""
        bodies = [b.encode("latin-1") if isinstance(b, str) else b for b in self.objects]
        packed = [i for i, b in enumerate(bodies, 1) if b"stream\n" not in b]
        out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
        entries = {}
        for i, body in enumerate(bodies, 1):
            if i not in packed:
                entries[i] = (1, len(out), 0)
                out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
        number = len(bodies)
        for start in range(0, len(packed), per_stream):
            group = packed[start:start + per_stream]
            number += 1
            head, data = [], bytearray()
            for k, i in enumerate(group):
                head.append(b"%d %d" % (i, len(data)))
                data += bodies[i - 1] + b"\n"
                entries[i] = (2, number, k)
            first = b" ".join(head) + b"\n"
            packed_data = zlib.compress(first + bytes(data), 9)
            entries[number] = (1, len(out), 0)
            out += (b"%d 0 obj\n<< /Type /ObjStm /N %d /First %d /Filter /FlateDecode /Length %d >>\nstream\n"
                    % (number, len(group), len(first), len(packed_data)) + packed_data + b"\nendstream\nendobj\n")
        number += 1
        entries[number] = (1, len(out), 0)
        rows = b"\x00\x00\x00\x00\x00\xff\xff" + b"".join(
            bytes([kind]) + a.to_bytes(4, "big") + b.to_bytes(2, "big")
            for kind, a, b in (entries[i] for i in range(1, number + 1)))
        xref = len(out)
        table = zlib.compress(rows, 9)
        out += (b"%d 0 obj\n<< /Type /XRef /Size %d /W [1 4 2] /Root %d 0 R /Filter /FlateDecode /Length %d >>\nstream\n"
                % (number, number + 1, root, len(table)) + table + b"\nendstream\nendobj\n")
        out += b"startxref\n%d\n%%%%EOF\n" % xref
        return bytes(out)


def korean_font(w: PdfWriter, vertical=False) -> int:
    desc = w.add("<< /Type /FontDescriptor /FontName /HYGoThic-Medium /Flags 6 /FontBBox [-6 -145 1003 880]"
                 " /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 880 /StemV 93 >>")
    cid = w.add("<< /Type /Font /Subtype /CIDFontType0 /BaseFont /HYGoThic-Medium"
                " /CIDSystemInfo << /Registry (Adobe) /Ordering (Korea1) /Supplement 2 >>"
                f" /FontDescriptor {desc} 0 R /DW 1000 /W [1 95 500] >>")
    cmap = "UniKS-UCS2-V" if vertical else "UniKS-UCS2-H"
    return w.add(f"<< /Type /Font /Subtype /Type0 /BaseFont /HYGoThic-Medium-{cmap} /Encoding /{cmap}"
                 f" /DescendantFonts [{cid} 0 R] >>")


def mixed(text: str, size: float = 12) -> str:
    """Show operators for a line mixing Hangul (Korean CID font) and ASCII (Helvetica).

    Keeping digits in Helvetica keeps their widths exact: the non-embedded Korean
    font is drawn with a substitute whose ASCII advances differ from /W."""
    runs, cur, cur_k = [], "", None
    for ch in text:
        is_k = ord(ch) > 0x7F
        if cur and is_k != cur_k:
            runs.append((cur_k, cur))
            cur = ""
        cur, cur_k = cur + ch, is_k
    if cur:
        runs.append((cur_k, cur))
    ops = []
    for is_k, run in runs:
        if is_k:
            ops.append(f"/K1 {size:g} Tf {k(run)} Tj")
        else:
            esc = run.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")
            ops.append(f"/F1 {size:g} Tf ({esc}) Tj")
    return " ".join(ops)


HELVETICA = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"


def build(case) -> bytes:
    """Writes a one-page document from a case function."""
    return build_pages([(case, 0)])


def build_pages(pages) -> bytes:
    """Writes a document with one page per (case function, /Rotate value)."""
    w = PdfWriter()
    fonts = {"F1": w.add(HELVETICA), "K1": korean_font(w)}
    tree = None
    kids = []
    for case, rotate in pages:
        contents, resources, _ = case(w, fonts)
        font_dict = " ".join(f"/{name} {num} 0 R" for name, num in fonts.items())
        res = f"<< /Font << {font_dict} >> {resources} >>"
        if isinstance(contents, list):
            refs = [w.add(PdfWriter.stream(c.encode("latin-1"), compress=(i % 2 == 1)))
                    for i, c in enumerate(contents)]
            contents_ref = "[" + " ".join(f"{r} 0 R" for r in refs) + "]"
        else:
            contents_ref = f"{w.add(PdfWriter.stream(contents.encode('latin-1'), compress=True))} 0 R"
        turn = f" /Rotate {rotate}" if rotate else ""
        tree = tree or w.reserve()
        kids.append(w.add(f"<< /Type /Page /Parent {tree} 0 R /MediaBox [0 0 612 792]{turn} /Resources {res}"
                          f" /Contents {contents_ref} >>"))
    w.set(tree, f"<< /Type /Pages /Kids [{' '.join(f'{k} 0 R' for k in kids)}] /Count {len(kids)} >>")
    root = w.add(f"<< /Type /Catalog /Pages {tree} 0 R >>")
    return w.bytes(root)


def tj_kerning(w, fonts):
    c = f"""BT /F1 12 Tf 72 720 Td [(Phone: 010-12) -30 (34-56) 15 (78)] TJ ET
BT /F1 12 Tf 72 696 Td [(Mail: ki) 20 (m@exa) -15 (mple.com)] TJ ET
BT /K1 12 Tf 72 672 Td [{k("카드번호")} -300] TJ /F1 12 Tf [( {card("455673758461432", " ")})] TJ ET
BT /K1 12 Tf 72 648 Td [{k("전화번")} 120 {k("호")}] TJ /F1 12 Tf [( 02-5) 10 (55-0123)] TJ /K1 12 Tf [-1200 {k("끝")}] TJ ET
"""
    return c, "", [Pii("phone", "010-1234-5678"), Pii("email", "kim@example.com"),
                   Pii("card", card("455673758461432", " ")), Pii("phone", "02-555-0123")]


def quote_operators(w, fonts):
    c = """BT /F1 11 Tf 16 TL 72 720 Td (Applicant record) Tj
(RRN 900101-1234567) '
2 1 (IP 10.1.2.3 assigned) "
(Phone 010-5555-7777 keeps spacing) '
0 0 (Birth 1988-08-08) "
ET
"""
    return c, "", [Pii("rrn", "900101-1234567"), Pii("ip", "10.1.2.3"), Pii("phone", "010-5555-7777"),
                   Pii("birth", "1988-08-08")]


def type3(w, fonts):
    names = ["zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"]
    procs = {}
    for i, n in enumerate(names):
        h = 300 + 40 * i
        procs[n] = w.add(PdfWriter.stream(f"600 0 50 0 550 {h} d1 50 0 500 {h} re f".encode()))
    procs["hyphen"] = w.add(PdfWriter.stream(b"400 0 50 250 350 320 d1 50 250 300 70 re f"))
    procs["space"] = w.add(PdfWriter.stream(b"300 0 0 0 0 0 d1"))
    charprocs = " ".join(f"/{n} {num} 0 R" for n, num in procs.items())
    widths = " ".join(["300"] + ["0"] * 12 + ["400", "0", "0"] + ["600"] * 10)  # codes 32..57
    fonts["T3"] = w.add(f"<< /Type /Font /Subtype /Type3 /FontBBox [0 0 600 700] /FontMatrix [0.001 0 0 0.001 0 0]"
                        f" /CharProcs << {charprocs} >> /Encoding << /Type /Encoding /Differences"
                        f" [32 /space 45 /hyphen 48 /{' /'.join(names)}] >> /FirstChar 32 /LastChar 57"
                        f" /Widths [{widths}] /Resources << >> >>")
    c = """BT /F1 12 Tf 72 720 Td (Type3 digits follow:) Tj ET
BT /T3 14 Tf 72 690 Td (010-9876-5432) Tj ET
"""
    return c, "", [Pii("phone", "010-9876-5432")]


def vertical(w, fonts):
    fonts["KV"] = korean_font(w, vertical=True)
    c = f"""BT /KV 14 Tf 500 740 Td {k("세로쓰기 문서")} Tj ET
BT /KV 14 Tf 470 740 Td {k("전화 010-3333-4444")} Tj ET
BT 72 720 Td {mixed("가로 줄 주민등록번호 770707-1234567")} ET
"""
    return c, "", [Pii("phone", "010-3333-4444"), Pii("rrn", "770707-1234567")]


def rotated(w, fonts):
    c = f"""BT /F1 12 Tf 0 1 -1 0 100 300 Tm (Mail rot90@example.org here) Tj ET
BT 0.866 0.5 -0.5 0.866 200 400 Tm {mixed("전화 010-2468-1357 회전")} ET
q 0.7071 -0.7071 0.7071 0.7071 150 650 cm BT /F1 10 Tf 0 0 Td (IP 172.20.1.9 skew) Tj ET Q
BT /F1 12 Tf 72 120 Td (Upright 02-777-8888 line) Tj ET
"""
    return c, "", [Pii("email", "rot90@example.org"), Pii("phone", "010-2468-1357"), Pii("ip", "172.20.1.9"),
                   Pii("phone", "02-777-8888")]


def turned_page_90(w, fonts):
    # Shown turned a quarter clockwise: the plain line runs down the screen, the line rotated
    # by cm reads upright on screen.
    c = f"""BT /F1 12 Tf 72 700 Td (Plain line 010-1212-3434 on a turned page) Tj ET
q 0 1 -1 0 500 100 cm BT /F1 12 Tf 0 0 Td (Upright on screen 031-888-1234 here) Tj ET Q
q 0 1 -1 0 460 100 cm BT 0 0 Td {mixed("계좌 110-987-654321 입금")} ET Q
"""
    return c, "", [Pii("phone", "010-1212-3434"), Pii("phone", "031-888-1234"),
                   Pii("account", "110-987-654321")]


def turned_page_270(w, fonts):
    c = f"""BT /F1 12 Tf 0 -1 1 0 100 700 Tm (Down the page 02-333-4444 line) Tj ET
BT 0 -1 1 0 140 700 Tm {mixed("주민등록번호 820202-1234567 끝")} ET
BT /F1 12 Tf 72 100 Td (Mail flat@example.kr at the bottom) Tj ET
"""
    return c, "", [Pii("phone", "02-333-4444"), Pii("rrn", "820202-1234567"), Pii("email", "flat@example.kr")]


def rotated_cm(w, fonts):
    c = f"""q 0.866 0.5 -0.5 0.866 100 200 cm BT /F1 12 Tf 0 0 Td (Card {card("492181234567890")} tilted) Tj ET Q
q 0.866 0.5 -0.5 0.866 120 420 cm BT 0 0 Td {mixed("전화 010-9090-8080 기울임")} ET Q
q 0 -1 1 0 450 700 cm BT /F1 14 Tf 0 0 Td (Sideways 192.168.44.5 address) Tj ET Q
q 2 0 0 2 0 0 cm BT /F1 6 Tf 0 1 -1 0 280 100 Tm (Scaled 900101-1234567 number) Tj ET Q
BT /F1 12 Tf 0.866 0.5 -0.5 0.866 230 560 Tm (Tm tilt kim.tilt@example.com end) Tj ET
"""
    return c, "", [Pii("card", card("492181234567890")), Pii("phone", "010-9090-8080"), Pii("ip", "192.168.44.5"),
                   Pii("rrn", "900101-1234567"), Pii("email", "kim.tilt@example.com")]


def invisible(w, fonts):
    c = f"""q 0.85 g 60 600 480 140 re f Q
BT 3 Tr 72 700 Td {mixed("스캔 문서 주민등록번호 811111-2345678")} ET
BT /F1 12 Tf 72 670 Td (Hidden layer still: 031-444-5555) Tj ET
BT 0 Tr /F1 12 Tf 72 560 Td (Visible again 010-6666-1212) Tj ET
"""
    return c, "", [Pii("rrn", "811111-2345678"), Pii("phone", "031-444-5555"), Pii("phone", "010-6666-1212")]


def clipping(w, fonts):
    c = f"""q 72 690 150 30 re W n
BT /F1 12 Tf 72 700 Td (Clip 010-1111-2222 beyond the clip edge) Tj ET Q
q BT 7 Tr /F1 24 Tf 72 620 Td (kim.clip@example.com) Tj ET 0 0 1 rg 0 0 612 792 re f Q
BT 72 560 Td {mixed("클립 밖 계좌 110-234-567890")} ET
"""
    return c, "", [Pii("phone", "010-1111-2222"), Pii("email", "kim.clip@example.com"),
                   Pii("account", "110-234-567890")]


def inline_image(w, fonts):
    pixels = bytes((x * 16 + y * 8) % 256 for y in range(8) for x in range(8))
    c = (f"BT 72 700 Td {mixed('계좌번호 1002-345-678901 입금')} ET\n"
         "q 120 0 0 24 100 694 cm BI /W 8 /H 8 /CS /G /BPC 8 /F /AHx ID\n"
         + pixels.hex() + ">\nEI Q\n"
         "BT /F1 12 Tf 72 640 Td (Outside image: 010-2020-3030) Tj ET\n")
    return c, "", [Pii("account", "1002-345-678901"), Pii("phone", "010-2020-3030")]


def shading(w, fonts):
    fn = w.add("<< /FunctionType 2 /Domain [0 1] /C0 [1 1 0.6] /C1 [0.2 0.4 1] /N 1 >>")
    sh = w.add(f"<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [72 0 400 0] /Function {fn} 0 R /Extend [true true] >>")
    c = f"""BT /F1 12 Tf 72 700 Td (Under shading: 192.168.77.1) Tj ET
q 60 690 320 28 re W n /Sh1 sh Q
BT 72 640 Td {mixed("음영 밖 전화 02-345-6789")} ET
"""
    return c, f"/Shading << /Sh1 {sh} 0 R >>", [Pii("ip", "192.168.77.1"), Pii("phone", "02-345-6789")]


def form_twice(w, fonts):
    form = w.add(PdfWriter.stream(
        b"BT /F1 11 Tf 0 0 Td (Stamp IP 192.168.0.1 ok) Tj ET 0 -4 m 180 -4 l S",
        f" /Type /XObject /Subtype /Form /BBox [0 -10 200 20] /Resources << /Font << /F1 {fonts['F1']} 0 R >> >>"))
    c = """BT /F1 12 Tf 72 720 Td (Page text 010-8080-9090) Tj ET
q 1 0 0 1 72 650 cm /Fm1 Do Q
q 1 0 0 1 300 500 cm /Fm1 Do Q
"""
    return c, f"/XObject << /Fm1 {form} 0 R >>", [Pii("phone", "010-8080-9090"), Pii("ip", "192.168.0.1"),
                                                   Pii("ip", "192.168.0.1")]


def contents_array(w, fonts):
    parts = [
        "q BT /F1 12 Tf 72 720 Td",
        "(Split stream lee@example.org end) Tj ET",
        f"BT 72 690 Td {mixed('세 번째 스트림 031-222-3333')} ET Q",
    ]
    return parts, "", [Pii("email", "lee@example.org"), Pii("phone", "031-222-3333")]


def ligature(w, fonts):
    # Code 1 shows the "fi" glyph and maps to two characters; code 2 maps to a
    # character outside the BMP (a surrogate pair in UTF-16).
    cmap = b"""/CIDInit /ProcSet findresource begin 12 dict begin begincmap
/CMapName /Lig def /CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def
1 begincodespacerange <00> <FF> endcodespacerange
2 beginbfchar <01> <00660069> <02> <D835DC00> endbfchar
1 beginbfrange <20> <7E> <0020> endbfrange
endcmap CMapName currentdict /CMap defineresource pop end end"""
    tu = w.add(PdfWriter.stream(cmap))
    fonts["FL"] = w.add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding << /Type /Encoding"
                        f" /BaseEncoding /WinAnsiEncoding /Differences [1 /fi 2 /A] >> /ToUnicode {tu} 0 R >>")
    c = """BT /FL 12 Tf 72 720 Td (Mail: of\\001ce@example.com \\002 sign) Tj ET
BT /FL 12 Tf 72 696 Td (Con\\001rm 010-4545-6767 today) Tj ET
"""
    return c, "", [Pii("email", "office@example.com"), Pii("phone", "010-4545-6767")]


CASES = {
    "tj-kerning.pdf": tj_kerning,
    "quote-operators.pdf": quote_operators,
    "type3.pdf": type3,
    "vertical.pdf": vertical,
    "rotated.pdf": rotated,
    "rotated-cm.pdf": rotated_cm,
    "invisible-text.pdf": invisible,
    "clipping.pdf": clipping,
    "inline-image.pdf": inline_image,
    "shading.pdf": shading,
    "form-twice.pdf": form_twice,
    "contents-array.pdf": contents_array,
    "ligature.pdf": ligature,
}


# Documents of several pages: (case, /Rotate) per page.
PAGED_CASES = {
    "rotated-pages.pdf": [(turned_page_90, 90), (turned_page_270, 270)],
}


def expected_items(case):
    return case(PdfWriter(), {"F1": 1, "K1": 2})[2]
