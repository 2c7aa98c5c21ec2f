"""Korean text and personal information for the generated sample documents.

Every document is a list of pages, every page a list of lines. A line may carry
personal information; `Pii` records say which text on the line a person would
want protected and in which category, so the generator can write expected.tsv.
"""
import random
from dataclasses import dataclass, field


@dataclass
class Pii:
    category: str  # phone rrn foreign email account card ip birth address
    text: str


@dataclass
class Line:
    text: str
    pii: list = field(default_factory=list)
    size: float = 10.5
    bold: bool = False


def luhn_ok(digits: str) -> bool:
    nums = [int(c) for c in digits if c.isdigit()]
    total = 0
    for i, d in enumerate(reversed(nums)):
        if i % 2 == 1:
            d *= 2
            if d > 9:
                d -= 9
        total += d
    return total % 10 == 0


def with_luhn(prefix15: str) -> str:
    """Completes a 15-digit prefix into a valid 16-digit card number."""
    for check in "0123456789":
        if luhn_ok(prefix15 + check):
            return prefix15 + check
    raise AssertionError


def card(prefix15: str, sep: str = "-") -> str:
    d = with_luhn(prefix15)
    return sep.join(d[i:i + 4] for i in range(0, 16, 4))


def line(template: str, *items, size=10.5, bold=False) -> Line:
    """`template` holds {} for each personal item, in order."""
    return Line(template.format(*[p.text for p in items]), list(items), size, bold)


PEOPLE = [
    # name, rrn, phone, email, account, card prefix, ip, birth, road address, lot address
    ("김민준", "900101-1234567", "010-2345-6789", "minjun.kim@example.co.kr", "110-234-567890",
     "411111111111111", "192.168.10.25", "1990-01-01",
     "서울특별시 종로구 세종대로 209 (세종로)", "경기도 성남시 분당구 정자동 178-1"),
    ("이서연", "850315-2345678", "02-123-4567", "seoyeon_lee@mail.example.kr", "1002-345-678901",
     "540000000000000", "10.0.3.141", "1985년 3월 15일",
     "부산광역시 해운대구 센텀중앙로 79, 12층", "대구광역시 수성구 범어동 55-3"),
    ("박지호", "001224-3456789", "031-987-6543", "jiho.park@company.example.com", "3333-01-2345678",
     "356600000000000", "172.16.254.1", "2000.12.24",
     "경기도 수원시 영통구 광교중앙로 145", "충청남도 천안시 동남구 신부동 462-9"),
    ("최수아", "921130-2567890", "010-8765-4321", "sua.choi@school.example.ac.kr", "356-0123-4567-83",
     "379000000000000", "203.0.113.77", "1992/11/30",
     "인천광역시 연수구 송도과학로 32 (송도동)", "강원도 춘천시 효자동 203-14"),
    ("정도윤", "780707-1678901", "070-4321-8765", "doyun@example.net", "123-45-678901",
     "620000000000000", "198.51.100.23", "1978년 7월 7일",
     "대전광역시 유성구 대학로 99", "전라북도 전주시 완산구 중앙동 88"),
]

FOREIGNERS = [
    ("응우옌 반 안", "880520-5123456"),
    ("존 스미스", "750809-6234567"),
    ("왕 리", "930211-7345678"),
]

PROSE = (
    "개인정보 보호법에 따라 수집된 정보는 목적 달성 후 지체 없이 파기합니다. "
    "본 문서는 내부 검토용으로 작성되었으며 외부 반출을 금지합니다. "
    "민원 처리 과정에서 확인된 사항은 담당 부서의 결재를 거쳐 회신합니다. "
    "신청인은 제출 서류의 사실 여부에 대하여 책임을 지며 허위 기재 시 불이익을 받을 수 있습니다. "
    "아래 내용은 상담 기록을 요약한 것으로 실제 진술과 다를 수 있습니다. "
    "회의에서는 다음 분기 예산 편성과 인력 충원 계획이 함께 논의되었습니다. "
    "고객 센터는 평일 오전 아홉 시부터 오후 여섯 시까지 운영하며 공휴일에는 쉽니다. "
    "계약 기간 중 주소나 연락처가 바뀌면 즉시 알려 주시기 바랍니다. "
)

WORDS = (
    "가정 가족 감사 개선 검토 결과 경우 계획 고객 공공 과정 관리 교육 구성 기관 기록 기준 "
    "내용 노력 담당 대상 도시 문서 문제 방법 방식 변경 보고 보호 부서 분석 사업 사용 사항 "
    "상황 서비스 설명 성과 수준 시간 시설 신청 안내 업무 연구 예산 요청 운영 원칙 의견 이용 "
    "인력 자료 작성 절차 정보 정책 제공 조사 주민 지역 지원 진행 참여 처리 확인 활동 회의 "
    "효과 협력 환경 검사 관계 규정 근거 기간 능력 단계 목적 발표 범위 보완 비용 상담 서류"
).split()
ENDINGS = ["을 검토하였다.", "에 대하여 논의하였다.", "이 필요하다.", "를 마련한다.", "과 관련된다.",
           "에 따라 처리한다.", "을 보고하였다.", "이 확인되었다."]


def korean_sentence(rng: random.Random) -> str:
    n = rng.randint(4, 9)
    return " ".join(rng.choice(WORDS) for _ in range(n)) + rng.choice(ENDINGS)


def wrap(text: str, width_of, max_width: float) -> list:
    """Greedy word wrap; `width_of` measures a string in points."""
    out, cur = [], ""
    for word in text.split(" "):
        cand = word if not cur else cur + " " + word
        if width_of(cand) <= max_width or not cur:
            cur = cand
        else:
            out.append(cur)
            cur = word
    if cur:
        out.append(cur)
    return out


def form_pages():
    """A two-page application form: labels and values, one person per block."""
    pages = []
    for chunk in (PEOPLE[:3], PEOPLE[3:]):
        lines = [Line("개인정보 수집·이용 동의서 및 신청서", size=16, bold=True), Line("")]
        for (name, rrn, phone, email, acct, cardp, ip, birth, road, lot) in chunk:
            lines += [
                Line(f"성명: {name}", bold=True),
                line("주민등록번호: {}", Pii("rrn", rrn)),
                line("휴대전화: {} (평일 연락 가능)", Pii("phone", phone)),
                line("전자우편: {}", Pii("email", email)),
                line("급여 계좌: {} (본인 명의)", Pii("account", acct)),
                line("신용카드: {}", Pii("card", card(cardp))),
                line("접속 IP: {}", Pii("ip", ip)),
                line("생년월일: {}", Pii("birth", birth)),
                line("주소: {}", Pii("address", road)),
                line("구 주소: {}", Pii("address", lot)),
                Line(""),
            ]
        pages.append(lines)
    return pages


def prose_pages():
    """Running text with personal information inside sentences."""
    p = PEOPLE
    f = FOREIGNERS
    page1 = [
        Line("민원 상담 기록", size=15, bold=True),
        Line(""),
        Line(PROSE),
        line(f"상담인 {p[1][0]}님(주민등록번호 {{}})은 전화 {{}} 로 연락하였다.",
             Pii("rrn", p[1][1]), Pii("phone", p[1][2])),
        line("회신은 전자우편 {} 으로 보내 달라고 요청하였다.", Pii("email", p[1][3])),
        line(f"외국인 신청인 {f[0][0]} 씨의 외국인등록번호는 {{}} 이다.", Pii("foreign", f[0][1])),
        line(f"{f[1][0]} 씨의 등록번호 {{}} 도 함께 제출되었다.", Pii("foreign", f[1][1])),
        line("환급금은 {} 계좌로 지급하며 카드 {} 결제분은 취소한다.",
             Pii("account", p[2][4]), Pii("card", card(p[2][5], " "))),
        Line(PROSE),
    ]
    page2 = [
        Line("처리 경과", size=15, bold=True),
        Line(""),
        line("서버 접속 기록에서 {} 주소가 확인되었다.", Pii("ip", p[3][6])),
        line("신청인의 생년월일은 {} 이며 현재 주소는 {} 이다.", Pii("birth", p[3][7]), Pii("address", p[3][8])),
        line("이전 주소 {} 에서 전입하였다.", Pii("address", p[4][9])),
        line("사무실 전화 {} 와 휴대전화 {} 가 모두 등록되어 있다.", Pii("phone", p[4][2]), Pii("phone", p[0][2])),
        line(f"{f[2][0]} 씨(등록번호 {{}})는 {{}} 출생이다.", Pii("foreign", f[2][1]), Pii("birth", "1993년 2월 11일")),
        Line(PROSE),
        Line("위 내용은 사실과 다름없음을 확인합니다."),
    ]
    return [page1, page2]


def bench_pages(count=200, chars_per_page=3000, seed=20240501):
    """Text-heavy pages with personal information sprinkled in."""
    rng = random.Random(seed)
    pages = []
    for n in range(count):
        person = PEOPLE[n % len(PEOPLE)]
        pii_lines = [
            line("담당자 연락처 {} 로 문의 바랍니다.", Pii("phone", person[2]), size=8),
            line("신청인 주민등록번호 {} 확인 완료.", Pii("rrn", person[1]), size=8),
            line("회신 주소 {} 로 발송하였다.", Pii("email", person[3]), size=8),
            line("접수 주소는 {}; 우편 발송", Pii("address", person[8]), size=8),
        ]
        paragraphs, total, k = [], 0, 0
        while total < chars_per_page:
            para = " ".join(korean_sentence(rng) for _ in range(rng.randint(3, 6)))
            paragraphs.append(Line(para, size=8))
            total += len(para)
            if k < len(pii_lines) and rng.random() < 0.5:
                paragraphs.append(pii_lines[k])
                total += len(pii_lines[k].text)
                k += 1
        pages.append([Line(f"업무 보고서 {n + 1}쪽", size=12, bold=True)] + paragraphs)
    return pages


def control_space_pages():
    """A short letter whose word gaps the font maps to a control character."""
    return [[
        line("결제 안내", size=14, bold=True),
        line("카드번호 {} 로 결제되었습니다.", Pii("card", card("550000000000000", " "))),
        line("배송지 {} 롯데월드타워", Pii("address", "서울특별시 송파구 올림픽로 300")),
        line("문의 전화 {} 또는 {}", Pii("phone", "02-1588-1234"), Pii("email", "help@shop.example.kr")),
    ]]
