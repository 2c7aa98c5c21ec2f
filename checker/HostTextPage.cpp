#include "HostTextPage.h"

#include "core/StandinHost.h"
#include "pdf/TextPage.h"

namespace checker {

namespace {

// A stand-in host function, called directly (the checker is the host's caller, not the module).
template <int C, int S>
auto Function() {
  return reinterpret_cast<typename HostFn<C, S>::type>(standin::Table().Lookup(C, S));
}

template <int C, int S, class... Args>
auto Call(Args... args) {
  return Function<C, S>()(args...);
}

}  // namespace

int PageCountOf(HostHandle document) {
  HostHandle pdf = document ? Call<26, 4>(document) : nullptr;
  return pdf ? Call<34, 10>(pdf) : 0;
}

PageText ReadPageText(HostHandle document, int pageIndex) {
  PageText result;
  HostHandle view = document ? Call<26, 24>(document) : nullptr;
  HostHandle pageView = view ? Call<31, 2>(view, pageIndex) : nullptr;
  HostHandle page = pageView ? Call<32, 2>(pageView) : nullptr;
  if (!page) return result;
  if (!Call<73, 4>(page)) {
    HostHandle pause = Call<74, 0>(0, 1, 0, 1);
    Call<73, 28>(page, pause);
    for (int step = 0; step < 100000 && !Call<73, 4>(page); ++step) Call<73, 2>(page, nullptr);
    Call<74, 1>(pause);
  }
  HostHandle textPage = Call<120, 0>(page, 0);
  if (!textPage) return result;
  if (!Call<120, 3>(textPage)) Call<120, 2>(textPage);
  const int count = Call<120, 4>(textPage);
  if (count > 0) {
    HostHandle string = Call<18, 0>();
    Call<120, 16>(textPage, 0, count, &string);
    const char16_t* buffer = Call<18, 42>(string);
    if (buffer) result.text.assign(buffer, std::char_traits<char16_t>::length(buffer));
    Call<18, 3>(string);
    result.text.resize(count, u' ');
    result.boxes.resize(count, HostBox{});
    result.inTextObject.resize(count, false);
    // The boxes and text objects are read from the stand-in's text page itself: through the host
    // functions they cost three calls a character, and pages have thousands. A character's box is
    // what the host gives for a range of that one character: none for a generated line break.
    const auto& chars = static_cast<const standin::pdf::TextPage*>(textPage)->chars;
    for (size_t i = 0; i < chars.size() && i < static_cast<size_t>(count); ++i) {
      const standin::pdf::TextPageChar& c = chars[i];
      result.inTextObject[i] = c.object != nullptr;
      if (c.generated && c.unit == u'\n') continue;
      const fz_rect r = fz_rect_from_quad(c.quad);
      result.boxes[i] = {r.x0, r.y0, r.x1, r.y1};
    }
  }
  Call<120, 1>(textPage);
  result.readable = true;
  return result;
}

}  // namespace checker
