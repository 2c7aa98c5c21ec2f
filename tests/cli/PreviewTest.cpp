// Pictures of the pages with occurrences: written for exactly those pages, with a frame in the
// dialog's blue around each occurrence; protect puts the page before and after side by side.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CommandLineSupport.h"

extern "C" {
#include <mupdf/fitz.h>
}

namespace {

namespace fs = std::filesystem;

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  bool IsFrameBlue(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return std::abs(p[0] - 51) < 12 && std::abs(p[1] - 115) < 12 && std::abs(p[2] - 242) < 12;
  }
};

Picture LoadPng(const std::string& path) {
  Picture picture;
  fz_context* ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
  fz_image* image = nullptr;
  fz_pixmap* pixmap = nullptr;
  fz_var(image);
  fz_var(pixmap);
  fz_try(ctx) {
    image = fz_new_image_from_file(ctx, path.c_str());
    pixmap = fz_get_pixmap_from_image(ctx, image, nullptr, nullptr, nullptr, nullptr);
    picture.width = fz_pixmap_width(ctx, pixmap);
    picture.height = fz_pixmap_height(ctx, pixmap);
    const int n = fz_pixmap_components(ctx, pixmap);
    const unsigned char* samples = fz_pixmap_samples(ctx, pixmap);
    for (int i = 0; i < picture.width * picture.height; ++i)
      picture.rgb.insert(picture.rgb.end(), samples + i * n, samples + i * n + 3);
  }
  fz_always(ctx) {
    fz_drop_pixmap(ctx, pixmap);
    fz_drop_image(ctx, image);
  }
  fz_catch(ctx) { picture = Picture{}; }
  fz_drop_context(ctx);
  return picture;
}

// The first rectangle of the scan's first JSON line (page space, y up).
std::vector<float> FirstRect(const std::string& json) {
  const size_t at = json.find("\"rects\":[[");
  std::vector<float> r(4);
  if (at == std::string::npos ||
      std::sscanf(json.c_str() + at, "\"rects\":[[%f,%f,%f,%f", &r[0], &r[1], &r[2], &r[3]) != 4)
    return {};
  return r;
}

TEST(Preview, ScanFramesEachOccurrenceOnThePagesWithOccurrences) {
  const fs::path folder = Temp("preview-scan");
  fs::remove_all(folder);
  const Outcome run = Veilmark("scan --json --categories rrn " + Sample() + " --preview " + folder.string());
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(fs::exists(folder / "form-reportlab.p0.png"));
  EXPECT_TRUE(fs::exists(folder / "form-reportlab.p1.png"));
  EXPECT_FALSE(fs::exists(folder / "form-reportlab.p2.png"));

  const Picture picture = LoadPng((folder / "form-reportlab.p0.png").string());
  ASSERT_GT(picture.width, 0);
  const std::vector<float> r = FirstRect(run.output);
  ASSERT_EQ(r.size(), 4u) << run.output;
  // 110 dpi; the picture is the page, so its height gives the page's.
  const float scale = 110.0f / 72.0f;
  const float pageHeight = picture.height / scale;
  const int left = static_cast<int>(std::lround(r[0] * scale));
  const int right = static_cast<int>(std::lround(r[2] * scale));
  const int top = static_cast<int>(std::lround((pageHeight - r[3]) * scale));
  const int bottom = static_cast<int>(std::lround((pageHeight - r[1]) * scale));
  auto blueNear = [&](int x, int y) {
    for (int dy = -4; dy <= 4; ++dy)
      for (int dx = -4; dx <= 4; ++dx)
        if (picture.IsFrameBlue(x + dx, y + dy)) return true;
    return false;
  };
  EXPECT_TRUE(blueNear(left, (top + bottom) / 2)) << "no frame left of the occurrence";
  EXPECT_TRUE(blueNear((left + right) / 2, top)) << "no frame above the occurrence";
  EXPECT_FALSE(picture.IsFrameBlue((left + right) / 2, (top + bottom) / 2)) << "the value is hidden";
}

TEST(Preview, ProtectShowsThePageBeforeAndAfterSideBySide) {
  const fs::path folder = Temp("preview-protect");
  fs::remove_all(folder);
  const Outcome run = Veilmark("protect --no-check " + Sample() + " -o " + Temp("preview.pdf") +
                               " --preview " + folder.string());
  ASSERT_EQ(run.status, 0) << run.output;
  const Picture picture = LoadPng((folder / "form-reportlab.p0.png").string());
  ASSERT_GT(picture.height, 0);
  EXPECT_GT(picture.width, 2 * picture.height * 0.6) << "not two A4 pages side by side";
  int blueLeft = 0;
  int blueRight = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      if (picture.IsFrameBlue(x, y)) ++(x < picture.width / 2 ? blueLeft : blueRight);
  EXPECT_GT(blueLeft, 1000);
  EXPECT_EQ(blueRight, 0) << "the protected page is shown without frames";
}

}  // namespace
