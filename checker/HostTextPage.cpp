#include "HostTextPage.h"

#include "core/StandinHost.h"

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
    // Looked up once per page, with one box array and one character record for all characters:
    // pages have thousands of characters.
    const auto rangeBoxes = Function<120, 6>();
    const auto boxCount = Function<11, 2>();
    const auto boxAt = Function<11, 6>();
    const auto charInfo = Function<120, 5>();
    HostHandle array = Call<11, 0>();
    HostCharInfo info{};
    info.object = Call<7, 0>();
    for (int i = 0; i < count; ++i) {
      const int32_t before = boxCount(array);
      rangeBoxes(textPage, i, 1, &array);
      if (boxCount(array) > before) result.boxes[i] = boxAt(array, before);
      info.textObject = nullptr;
      charInfo(textPage, i, &info);
      result.inTextObject[i] = info.textObject != nullptr;
    }
    Call<7, 1>(info.object);
    Call<11, 1>(array);
  }
  Call<120, 1>(textPage);
  result.readable = true;
  return result;
}

}  // namespace checker
