// Small host objects: character-information objects, rectangle arrays, byte and wide strings,
// pause objects. Every one is tracked from its create function to its release function; a
// release the tracker does not accept is recorded there and frees nothing.
#include <algorithm>

#include "core/CoreParts.h"
#include "core/Services.h"

namespace standin {

namespace {

struct CharInfoObject {
  int unused = 0;
};
struct PauseObject {
  int32_t args[4];
};

constexpr const char* kCharInfo = kCharInfoKind;
constexpr const char* kBoxArray = kBoxArrayKind;
constexpr const char* kByteString = kByteStringKind;
constexpr const char* kWideString = kWideStringKind;
constexpr const char* kPause = kPauseKind;

template <class T>
HostHandle Create(const char* kind, T* object) {
  Tracker().Created(kind, object);
  return object;
}

template <class T>
void Release(const char* kind, HostHandle handle) {
  if (Tracker().Released(kind, handle)) delete static_cast<T*>(handle);
}

template <class T>
T* Live(const char* kind, HostHandle handle) {
  return Tracker().IsLive(kind, handle) ? static_cast<T*>(handle) : nullptr;
}

HostHandle VM_CALL NewCharInfo() { return Create(kCharInfo, new CharInfoObject); }
void VM_CALL ReleaseCharInfo(HostHandle object) { Release<CharInfoObject>(kCharInfo, object); }

HostHandle VM_CALL NewBoxArray() { return Create(kBoxArray, new BoxArray); }
void VM_CALL ReleaseBoxArray(HostHandle array) { Release<BoxArray>(kBoxArray, array); }
int32_t VM_CALL BoxCount(HostHandle array) {
  BoxArray* boxes = Live<BoxArray>(kBoxArray, array);
  return boxes ? static_cast<int32_t>(boxes->boxes.size()) : 0;
}
HostBox VM_CALL BoxAt(HostHandle array, int32_t index) {
  BoxArray* boxes = Live<BoxArray>(kBoxArray, array);
  if (!boxes || index < 0 || static_cast<size_t>(index) >= boxes->boxes.size()) return HostBox{};
  return boxes->boxes[index];
}

HostHandle VM_CALL NewByteString(const char* bytes, int32_t length) {
  auto* string = new ByteString;
  if (bytes && length > 0) string->bytes.assign(bytes, static_cast<size_t>(length));
  return Create(kByteString, string);
}
void VM_CALL ReleaseByteString(HostHandle string) { Release<ByteString>(kByteString, string); }

HostHandle VM_CALL NewWideString() { return Create(kWideString, new WideString); }
void VM_CALL ReleaseWideString(HostHandle string) { Release<WideString>(kWideString, string); }
int32_t VM_CALL WideStringEquals(HostHandle string, const char16_t* literal) {
  WideString* s = Live<WideString>(kWideString, string);
  if (!s || !literal) return 0;
  return s->text == std::u16string_view(literal) ? 1 : 0;
}
const char16_t* VM_CALL WideStringBuffer(HostHandle string) {
  WideString* s = Live<WideString>(kWideString, string);
  return s ? s->text.c_str() : nullptr;
}

HostHandle VM_CALL NewPause(int32_t a, int32_t b, int32_t c, int32_t d) {
  return Create(kPause, new PauseObject{{a, b, c, d}});
}
void VM_CALL ReleasePause(HostHandle pause) { Release<PauseObject>(kPause, pause); }

}  // namespace

void RegisterServiceFunctions(FunctionTable& table) {
  table.Implement<7, 0>(&NewCharInfo);
  table.Implement<7, 1>(&ReleaseCharInfo);
  table.Implement<11, 0>(&NewBoxArray);
  table.Implement<11, 1>(&ReleaseBoxArray);
  table.Implement<11, 2>(&BoxCount);
  table.Implement<11, 6>(&BoxAt);
  table.Implement<17, 2>(&NewByteString);
  table.Implement<17, 6>(&ReleaseByteString);
  table.Implement<18, 0>(&NewWideString);
  table.Implement<18, 3>(&ReleaseWideString);
  table.Implement<18, 8>(&WideStringEquals);
  table.Implement<18, 42>(&WideStringBuffer);
  table.Implement<74, 0>(&NewPause);
  table.Implement<74, 1>(&ReleasePause);
}

}  // namespace standin
