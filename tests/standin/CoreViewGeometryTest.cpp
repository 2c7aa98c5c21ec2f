// What the view shows: pages stacked in a column at a zoom, a client area looking at part of
// it, page rectangles in window pixels, the visible part of each page, and scrolling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ObjectsTestSupport.h"
#include "core/Application.h"
#include "pdf/Document.h"

namespace {

// Two letter pages (612 x 792) and one A5 page (420 x 595) with a shifted origin.
const std::string kPage = "0 0 m";

class CoreViewGeometryTest : public testing::Test {
 protected:
  void SetUp() override {
    standin::ResetHost();
    doc_ = standin::OpenHostDocumentFromContent({kPage, kPage, kPage});
    auto* pdf = standin::PdfDocumentOf(doc_);
    pdf_obj* third = pdf_lookup_page_obj(pdf->ctx, pdf->doc, 2);
    pdf_dict_put_rect(pdf->ctx, third, PDF_NAME(MediaBox), fz_rect{100, 200, 520, 795});
    view_ = HOST(26, 24)(doc_);
  }
  void TearDown() override {
    standin::ResetHost();
    EXPECT_TRUE(standin::Tracker().Outstanding().empty());
  }
  HostHandle PageView(int page) { return HOST(31, 2)(view_, page); }
  HostIntRect ToWindow(int page, HostBox rect) {
    HostIntRect pixels{};
    HOST(32, 9)(PageView(page), &rect, &pixels);
    return pixels;
  }
  void Layout(float zoom, int width, int height, int scrollX, int scrollY) {
    standin::SetViewLayout(doc_, {zoom, width, height, scrollX, scrollY});
  }

  HostHandle doc_ = nullptr;
  HostHandle view_ = nullptr;
};

void ExpectBox(const HostBox& box, float x0, float y0, float x1, float y1) {
  EXPECT_NEAR(box.x0, x0, 0.01);
  EXPECT_NEAR(box.y0, y0, 0.01);
  EXPECT_NEAR(box.x1, x1, 0.01);
  EXPECT_NEAR(box.y1, y1, 0.01);
}

TEST_F(CoreViewGeometryTest, PageRectanglesInWindowPixelsFollowZoomScrollAndPageOrigin) {
  // First page at the column's top-left gap; y grows downwards; corners kept in given order.
  HostIntRect r = ToWindow(0, {72, 700, 172, 712});
  EXPECT_EQ(r.left, 10 + 72);
  EXPECT_EQ(r.top, 10 + 92);
  EXPECT_EQ(r.right, 10 + 172);
  EXPECT_EQ(r.bottom, 10 + 80);
  r = ToWindow(0, {172, 712, 72, 700});
  EXPECT_EQ(r.left, 182);
  EXPECT_EQ(r.top, 90);

  // Zoom 1.5, scrolled: page 1 lies below page 0 and a gap; page 2's origin is (100, 200).
  Layout(1.5f, 800, 600, 5, 1000);
  r = ToWindow(1, {0, 792, 612, 0});
  EXPECT_EQ(r.left, 10 - 5);
  EXPECT_EQ(r.top, 10 + 1188 + 10 - 1000);
  EXPECT_EQ(r.right, 10 + 918 - 5);
  EXPECT_EQ(r.bottom, 10 + 1188 + 10 + 1188 - 1000);
  r = ToWindow(2, {100, 795, 110, 785});
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 10 + 2 * (1188 + 10) - 1000);
  EXPECT_EQ(r.bottom, r.top + 15);

  // An unknown page view leaves the output alone.
  HostIntRect untouched{1, 2, 3, 4};
  HostBox any{0, 0, 1, 1};
  HOST(32, 9)(nullptr, &any, &untouched);
  EXPECT_EQ(untouched.left, 1);
}

TEST_F(CoreViewGeometryTest, VisiblePartIsTheClientAreaInPageUnitsOrNothing) {
  // 640 x 480 at zoom 1: the top 470 units of the first page, its full width, nothing else.
  ExpectBox(HOST(32, 12)(PageView(0)), 0, 792 - 470, 612, 792);
  ExpectBox(HOST(32, 12)(PageView(1)), 0, 0, 0, 0);

  // Between pages 0 and 1 at zoom 2: the bottom of page 0 and the top of page 1, each cut at
  // the client's right edge.
  Layout(2, 400, 300, 0, 10 + 1584 - 100);
  ExpectBox(HOST(32, 12)(PageView(0)), 0, 0, 195, 50);
  ExpectBox(HOST(32, 12)(PageView(1)), 0, 792 - 95, 195, 792);

  // The visible part maps back onto the client area's edges.
  HostIntRect r = ToWindow(1, HOST(32, 12)(PageView(1)));
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.right, 400);
  EXPECT_EQ(r.bottom, 110);
  EXPECT_EQ(r.top, 300);
}

TEST_F(CoreViewGeometryTest, ScrollingToAPointMakesItVisibleAndStaysInTheColumn) {
  Layout(1, 640, 480, 0, 0);
  const HostBox far{400, 100, 460, 112};  // near the bottom of page 1
  ExpectBox(HOST(32, 12)(PageView(1)), 0, 0, 0, 0);
  HOST(31, 7)(view_, 1, far.x0, far.y1);
  ASSERT_EQ(standin::ScrollRequests(doc_).size(), 1u);
  EXPECT_EQ(standin::ScrollRequests(doc_)[0].y, 112);
  // The point sits one gap below the top edge; the horizontal position did not change.
  HostIntRect r = ToWindow(1, far);
  EXPECT_EQ(r.bottom, 10);
  EXPECT_EQ(r.left, 10 + 400);
  const HostBox visible = HOST(32, 12)(PageView(1));
  EXPECT_TRUE(visible.x0 <= far.x0 && far.x1 <= visible.x1 && visible.y0 <= far.y0 && far.y1 <= visible.y1);

  // A point right of the client area scrolls sideways too; near the column's end the scroll
  // stops at the last position and the point is still inside.
  Layout(2, 300, 400, 0, 0);
  HOST(31, 7)(view_, 2, 500, 210);
  const standin::ViewLayout layout = standin::GetViewLayout(doc_);
  float width = 0, height = 0;
  standin::ColumnSize({{0, 0, 612, 792}, {0, 0, 612, 792}, {100, 200, 520, 795}}, 2, &width, &height);
  EXPECT_EQ(layout.scrollY, static_cast<int>(height) - 400);
  EXPECT_EQ(layout.scrollX, 10 + 800 - 10);
  r = ToWindow(2, {499, 209, 501, 211});
  EXPECT_GE(r.left, 0);
  EXPECT_LE(r.right, 300);
  EXPECT_GE(r.bottom, 0);
  EXPECT_LE(r.top, 400);

  // Out-of-range pages and unknown views are recorded or ignored without moving the view.
  HOST(31, 7)(view_, 7, 0, 0);
  HOST(31, 7)(nullptr, 0, 0, 0);
  EXPECT_EQ(standin::GetViewLayout(doc_).scrollY, layout.scrollY);

  // Layouts set from outside are kept inside the column.
  Layout(1, 640, 480, -50, 1'000'000);
  EXPECT_EQ(standin::GetViewLayout(doc_).scrollX, 0);
  EXPECT_EQ(standin::GetViewLayout(doc_).scrollY, 10 + 792 + 10 + 792 + 10 + 595 + 10 - 480);
}

// Windows come from the hooks: made when a document opens, told when the view scrolls, a page
// changes or another document becomes active, destroyed when the document closes.
struct WindowEvents {
  static inline std::vector<std::string> log;
  static inline int windows[4];
  static inline int made = 0;
  static std::string Name(HostWindow window) {
    return window ? "w" + std::to_string(static_cast<int*>(window) - windows) : "none";
  }
};

TEST_F(CoreViewGeometryTest, ViewWindowsFollowTheDocumentsThroughTheHooks) {
  HostWindow tag = HOST(31, 42)(view_);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(HOST(31, 42)(view_), tag);
  EXPECT_EQ(HOST(31, 42)(nullptr), nullptr);

  WindowEvents::log.clear();
  WindowEvents::made = 0;
  standin::ViewWindowHooks hooks;
  hooks.create = [](HostHandle document) -> HostWindow {
    standin::ViewLayout layout = standin::GetViewLayout(document);
    layout.clientHeight = 2000;
    standin::SetViewLayout(document, layout);
    return &WindowEvents::windows[WindowEvents::made++];
  };
  hooks.destroy = [](HostWindow w) { WindowEvents::log.push_back("destroy " + WindowEvents::Name(w)); };
  hooks.repaint = [](HostWindow w) { WindowEvents::log.push_back("repaint " + WindowEvents::Name(w)); };
  hooks.activated = [](HostWindow w) { WindowEvents::log.push_back("active " + WindowEvents::Name(w)); };
  standin::SetViewWindowHooks(hooks);

  HostHandle a = standin::OpenHostDocumentFromContent({kPage, kPage});
  HostHandle b = standin::OpenHostDocumentFromContent({kPage});
  EXPECT_EQ(HOST(31, 42)(HOST(26, 24)(a)), &WindowEvents::windows[0]);
  EXPECT_EQ(standin::GetViewLayout(a).clientHeight, 2000);
  ExpectBox(HOST(32, 12)(HOST(31, 2)(HOST(26, 24)(a), 1)), 0, 0, 612, 792);
  HOST(31, 7)(HOST(26, 24)(a), 1, 0, 100);
  HOST(32, 13)(HOST(31, 2)(HOST(26, 24)(b), 0), 1);
  standin::SetActiveDocument(a);
  standin::CloseHostDocument(a);
  standin::CloseHostDocument(b);
  standin::SetViewWindowHooks({});
  EXPECT_EQ(WindowEvents::log,
            (std::vector<std::string>{"active w0", "active w1", "repaint w0", "repaint w1", "active w0",
                                      "destroy w0", "active w1", "destroy w1", "active none"}));
}

}  // namespace
