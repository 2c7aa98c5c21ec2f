"""A reference scan used only to check the generated samples: it runs the product's
patterns and checks over extracted page text so expected.tsv can be verified
against what a reader of the PDF actually gets."""
import re

DASH = "[-\u2010-\u2015\u2212\uff0d]"
SEP = r"\s*" + DASH + r"\s*"
CSEP = "[-\u2010-\u2015\u2212\uff0d ]"


def _groups(*lens):
    return SEP.join(r"\d{%d}" % n for n in lens)


ACCOUNT_ALTS = [(3, 6, 2, 3), (3, 4, 4, 2), (4, 4, 4, 1), (6, 2, 6), (4, 3, 6), (4, 2, 7),
                (3, 6, 5), (3, 6, 3), (3, 3, 6), (3, 2, 6), (4, 4, 4)]

HEAD_ROAD = (r"(?:[가-힣]{1,6}(?:특별자치시|특별자치도|특별시|광역시|시|도)\s+(?:[가-힣]{1,8}(?:시|군|구)\s+){0,2}"
             r"|(?:[가-힣]{1,8}(?:시|군|구)\s+){1,2})")
HEAD_LOT = (r"(?:[가-힣]{1,6}(?:특별자치시|특별자치도|특별시|광역시|시|도)\s*(?:[가-힣]{1,8}(?:시|군|구)\s*){0,2}"
            r"|(?:[가-힣]{1,8}(?:시|군|구)\s*){1,2})")

PATTERNS = [
    ("rrn", "rrn", r"\b\d{6}" + SEP + r"\d{7}\b"),
    ("foreign", "foreign", r"\b\d{6}" + SEP + r"\d{7}\b"),
    ("card", "card", r"\b(?:\d{4}" + CSEP + r"\d{4}" + CSEP + r"\d{4}" + CSEP + r"\d{4}|3[47]\d{2}" + CSEP
     + r"\d{6}" + CSEP + r"\d{5}|3(?:0[0-5]|[68]\d)\d" + CSEP + r"\d{6}" + CSEP + r"\d{4})\b"),
    ("phone", None, r"\b0\d{1,2}" + SEP + r"\d{3,4}" + SEP + r"\d{4}\b"),
    ("account", "account", r"\b(?:" + "|".join(_groups(*a) for a in ACCOUNT_ALTS) + r")(?!" + DASH + r"?\d)"),
    ("birth", None, r"\b(?:19|20)\d{2}[./\u2010-\u2015\u2212\uff0d-](?:0?[1-9]|1[0-2])[./\u2010-\u2015\u2212\uff0d-]"
     r"(?:0?[1-9]|[12]\d|3[01])\b"),
    ("birth", None, r"(?:19|20)\d{2}년\s?(?:0?[1-9]|1[0-2])월\s?(?:0?[1-9]|[12]\d|3[01])일"),
    ("ip", None, r"\b\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3}\b"),
    ("email", None, r"[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,}"),
    ("address", None, HEAD_ROAD + r"(?:[가-힣]{1,8}(?:읍|면)\s+)?(?:[가-힣]|[A-Za-z0-9]){1,20}(?:대로|로|길)"
     r"(?:\s*\d{1,3}번길)?\s*\d{1,5}(?:-\d{1,4})?(?!\d)(?:\s*,?\s+(?:(?:[가-힣]|[A-Za-z0-9.-]){1,20}\s+){0,2}"
     r"(?:\d{1,5}|[A-Za-z]\d{0,4}|[가-힣]\d{0,4})(?:동|층|호)){0,3}(?:\s*\([^()]{1,40}\))?"),
    ("address", None, HEAD_LOT + r"(?:[가-힣]{1,8}(?:읍|면)\s*)?(?:[가-힣]{1,8}(?:동|리|가)\s*)+(?:산\s*)?\d{1,5}"
     r"(?:-\d{1,4})?(?!\d)"),
]
COMPILED = [(cat, check, re.compile(p)) for cat, check, p in PATTERNS]
DAYS = [31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31]
PHONE_SHAPE = re.compile("^0\\d{1,3}" + DASH + "\\d{3,4}" + DASH + "\\d{4}$")


def _digits(s):
    return [int(c) for c in s if "0" <= c <= "9"]


def _registration(s, foreign):
    d = _digits(s)
    if len(d) != 13:
        return False
    month, day = d[2] * 10 + d[3], d[4] * 10 + d[5]
    if not 1 <= month <= 12 or day < 1 or day > DAYS[month - 1]:
        return False
    return d[6] in ((5, 6, 7, 8) if foreign else (1, 2, 3, 4, 9, 0))


def _card(s):
    d = _digits(s)
    if len(d) not in (14, 15, 16):
        return False
    total = 0
    for i, v in enumerate(reversed(d)):
        if i % 2:
            v = v * 2 - 9 if v * 2 > 9 else v * 2
        total += v
    return total % 10 == 0


def _valid(check, text, start, length):
    cand = text[start:start + length]
    if check == "rrn":
        return _registration(cand, False)
    if check == "foreign":
        return _registration(cand, True)
    if check == "card":
        return _card(cand)
    if check == "account":
        if PHONE_SHAPE.match(cand):
            return False
        if start < 2:
            return True
        return not (text[start - 1] in "-\u2010\u2011\u2012\u2013\u2014\u2015\u2212\uff0d"
                    and "0" <= text[start - 2] <= "9")
    return True


def scan(text):
    """Returns [(category, matched text)] in page order, overlaps resolved."""
    hits = []
    for order, (cat, check, rx) in enumerate(COMPILED):
        for m in rx.finditer(text):
            if m.end() > m.start() and _valid(check, text, m.start(), m.end() - m.start()):
                hits.append((m.start(), -(m.end() - m.start()), order, cat, m.group()))
    hits.sort()
    kept, end = [], -1
    for start, neglen, _, cat, s in hits:
        if start < end:
            continue
        kept.append((cat, s))
        end = start - neglen
    return kept
