// The binary contract between the plug-in module and its host.
//
// Every record and every host function the module uses is declared here, once, for the module
// and for every host that loads it (the real editor, the stand-in host). In the 32-bit Windows
// build the records have exactly the host's layout; a 64-bit build keeps the same fields in the
// same order with pointer-sized handles.
//
// Host functions are reached through the function table's lookup by category C and selector S
// ("host C:S"). `HostFn<C, S>::type` is the function-pointer type of each one.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define VM_CALL __cdecl
#else
#define VM_CALL
#endif

extern "C" {

// Any host object: document, view, page view, PDF page, text page, page object, PDF object,
// array, string, annotation, ribbon item, state. Null means none.
typedef void* HostHandle;
// A position in a page's object list (host 73:6, 73:7, 73:8); 0 means none / end of list.
typedef void* HostPosition;
typedef void* HostWindow;

// Four floats in the page's PDF user space; normalized they read left, bottom, right, top.
struct HostBox {
  float x0;
  float y0;
  float x1;
  float y1;
};

// Four integers, used for window pixels (host 32:9).
struct HostIntRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// One item of a text object as host 83:3 reports it. code -1 marks a spacing item whose x is
// its spacing value; otherwise (x, y) is the character's origin in text-object space.
struct HostTextItem {
  int32_t code;
  float x;
  float y;
};

// A glyph's box in thousandths of the font size (host 99:38).
struct HostGlyphBox {
  int32_t left;
  int32_t bottom;
  int32_t right;
  int32_t top;
};

// The 100-byte character-information record filled by host 120:5. Only the named fields are
// the module's concern; the reserved bytes are the host's.
struct HostCharInfo {
  HostHandle object;        // created by host 7:0 before the query, released by host 7:1 after it
  int32_t reserved1;
  float fontSize;
  uint8_t reserved2[24];
  HostHandle textObject;    // the text object that shows the character; null when none
  float a;
  float b;
  float c;
  float d;
  uint8_t reserved3[24];
  int32_t itemIndex;        // index of the character's item inside textObject (as host 83:3 counts)
  uint8_t reserved4[16];
};

typedef int32_t(VM_CALL* HostUndoFn)(void* clientData);
typedef void(VM_CALL* HostReleaseFn)(void* clientData);

// The undo step handed to host 20:37.
struct UndoItem {
  uint32_t size;            // 20 in the 32-bit build: sizeof(UndoItem)
  void* clientData;
  HostUndoFn undo;
  HostUndoFn redo;
  HostReleaseFn release;
};

typedef void*(VM_CALL* HostLookupFn)(int32_t category, int32_t selector, int32_t pluginId);

struct HostFunctionTable {
  void* reserved;
  HostLookupFn lookup;
};

struct HostSetupRecord;
struct HandshakeRecord;
struct UiCallbackRecord;

typedef int32_t(VM_CALL* HostSetupFn)(uint32_t version, HostSetupRecord* record);
typedef int32_t(VM_CALL* HostHandshakeFn)(uint32_t version, HandshakeRecord* record);
typedef int32_t(VM_CALL* LifecycleFn)(void);
typedef void(VM_CALL* UiIdleFn)(void);
typedef int32_t(VM_CALL* BuildRibbonFn)(void);

// The export: writes the interface version and the setup callback, returns 1.
typedef int32_t(VM_CALL* PlugInMainFn)(uint32_t* version, void** setup);

struct HostSetupRecord {
  void* hostField0;
  void* hostField1;
  int32_t(VM_CALL* registerHandshake)(HostSetupRecord* self, HostHandshakeFn handshake);
  HostFunctionTable*(VM_CALL* getFunctionTable)(void);
  int32_t(VM_CALL* getPluginId)(HostSetupRecord* self);
  int32_t(VM_CALL* declareValue)(HostSetupRecord* self, uint32_t value);
};

struct HandshakeRecord {
  void* hostField0;
  void* hostField1;
  void* hostField2;
  int32_t(VM_CALL* setName)(HandshakeRecord* self, const char* name, const char16_t* wideName);
  int32_t(VM_CALL* registerLifecycle1)(HandshakeRecord* self, LifecycleFn callback);
  int32_t(VM_CALL* registerLifecycle2)(HandshakeRecord* self, LifecycleFn callback);
  int32_t(VM_CALL* registerLifecycle3)(HandshakeRecord* self, LifecycleFn callback);
  int32_t(VM_CALL* registerUiCallbacks)(HandshakeRecord* self, const UiCallbackRecord* callbacks);
  int32_t(VM_CALL* registerLifecycle4)(HandshakeRecord* self, LifecycleFn callback);
};

struct UiCallbackRecord {
  uint32_t size;            // 36 in the 32-bit build: sizeof(UiCallbackRecord)
  UiIdleFn function1;
  UiIdleFn function2;
  UiIdleFn function3;
  UiIdleFn function4;
  BuildRibbonFn buildRibbon;
  UiIdleFn function6;
  void* reserved1;
  void* reserved2;
};

// Ribbon button callbacks (host 154:1, 154:2, 154:3).
typedef void(VM_CALL* RibbonClickFn)(const char* text);
typedef int32_t(VM_CALL* RibbonStateFn)(void);

}  // extern "C"

constexpr uint32_t kHostInterfaceVersion = 0x10000;
constexpr uint32_t kHostDeclaredValue = 0x0B000000;

// Kinds of PDF objects (host 61:0) and of page objects (host 82:11).
constexpr int32_t kPdfObjectArray = 5;
constexpr int32_t kPdfObjectStream = 7;
constexpr int32_t kPageObjectText = 1;
constexpr int32_t kPageObjectPath = 2;
constexpr int32_t kPageObjectImage = 3;
constexpr int32_t kPageObjectShading = 4;
constexpr int32_t kPageObjectForm = 5;
constexpr int32_t kPageObjectInlineImage = 6;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(HostCharInfo) == 100);
static_assert(offsetof(HostCharInfo, object) == 0);
static_assert(offsetof(HostCharInfo, fontSize) == 8);
static_assert(offsetof(HostCharInfo, textObject) == 36);
static_assert(offsetof(HostCharInfo, a) == 40);
static_assert(offsetof(HostCharInfo, b) == 44);
static_assert(offsetof(HostCharInfo, c) == 48);
static_assert(offsetof(HostCharInfo, d) == 52);
static_assert(offsetof(HostCharInfo, itemIndex) == 80);
static_assert(sizeof(UndoItem) == 20);
static_assert(sizeof(UiCallbackRecord) == 36);
static_assert(offsetof(UiCallbackRecord, buildRibbon) == 20);
static_assert(offsetof(UiCallbackRecord, reserved1) == 28);
static_assert(offsetof(UiCallbackRecord, reserved2) == 32);
static_assert(offsetof(HostSetupRecord, registerHandshake) == 8);
static_assert(offsetof(HostSetupRecord, getFunctionTable) == 12);
static_assert(offsetof(HostSetupRecord, getPluginId) == 16);
static_assert(offsetof(HostSetupRecord, declareValue) == 20);
static_assert(offsetof(HandshakeRecord, setName) == 12);
static_assert(offsetof(HandshakeRecord, registerLifecycle1) == 16);
static_assert(offsetof(HandshakeRecord, registerLifecycle2) == 20);
static_assert(offsetof(HandshakeRecord, registerLifecycle3) == 24);
static_assert(offsetof(HandshakeRecord, registerUiCallbacks) == 28);
static_assert(offsetof(HandshakeRecord, registerLifecycle4) == 32);
static_assert(offsetof(HostFunctionTable, lookup) == 4);
static_assert(sizeof(HostBox) == 16);
static_assert(sizeof(HostTextItem) == 12);
#endif

// ---------------------------------------------------------------------------------------------
// Host functions by category and selector.
template <int C, int S>
struct HostFn;

#define VM_HOST_FN(C, S, R, ...)       \
  template <>                          \
  struct HostFn<C, S> {                \
    typedef R(VM_CALL* type)(__VA_ARGS__); \
  }

// 2: images from module resources
VM_HOST_FN(2, 2, void, HostHandle image);                                   // release an image
VM_HOST_FN(2, 50, HostHandle, void* moduleHandle, uint32_t resourceNumber);  // image from a PNG resource
// 7: character-information object
VM_HOST_FN(7, 0, HostHandle, void);
VM_HOST_FN(7, 1, void, HostHandle object);
// 11: rectangle arrays
VM_HOST_FN(11, 0, HostHandle, void);
VM_HOST_FN(11, 1, void, HostHandle array);
VM_HOST_FN(11, 2, int32_t, HostHandle array);
VM_HOST_FN(11, 6, HostBox, HostHandle array, int32_t index);
// 17: byte strings
VM_HOST_FN(17, 2, HostHandle, const char* bytes, int32_t length);
VM_HOST_FN(17, 6, void, HostHandle string);
// 18: wide strings
VM_HOST_FN(18, 0, HostHandle, void);
VM_HOST_FN(18, 3, void, HostHandle string);
VM_HOST_FN(18, 8, int32_t, HostHandle string, const char16_t* literal);     // equals
VM_HOST_FN(18, 42, const char16_t*, HostHandle string);                     // buffer
// 20: application
VM_HOST_FN(20, 22, int32_t, void);                                          // open document count
VM_HOST_FN(20, 23, HostHandle, int32_t index);                              // open document
VM_HOST_FN(20, 24, HostHandle, void);                                       // active document
VM_HOST_FN(20, 36, HostWindow, void);                                       // main window
VM_HOST_FN(20, 37, int32_t, const char16_t* label, HostHandle document, int32_t flags, UndoItem* item);
VM_HOST_FN(20, 80, HostHandle, int32_t);                                    // ribbon bar
// 26: host document
VM_HOST_FN(26, 4, HostHandle, HostHandle document);                         // PDF document
VM_HOST_FN(26, 8, void, HostHandle document);                               // document changed
VM_HOST_FN(26, 24, HostHandle, HostHandle document);                        // document view
VM_HOST_FN(26, 130, HostHandle, HostHandle document, int32_t pageIndex, const char* subtype, HostBox rect);
// 30: message boxes
VM_HOST_FN(30, 3, int32_t, const char16_t* text, int32_t flags, const char16_t* caption, int32_t reserved, HostWindow owner);
// 31: document view
VM_HOST_FN(31, 2, HostHandle, HostHandle view, int32_t pageIndex);          // page view
VM_HOST_FN(31, 7, void, HostHandle view, int32_t pageIndex, float x, float y);
VM_HOST_FN(31, 42, HostWindow, HostHandle view);
// 32: page view
VM_HOST_FN(32, 2, HostHandle, HostHandle pageView);                         // PDF page
VM_HOST_FN(32, 9, void, HostHandle pageView, const HostBox* rect, HostIntRect* pixels);
VM_HOST_FN(32, 12, HostBox, HostHandle pageView);                           // visible part
VM_HOST_FN(32, 13, void, HostHandle pageView, int32_t changed);
VM_HOST_FN(32, 18, void, HostHandle pageView, HostHandle annotation);       // remove annotation
// 34: PDF document
VM_HOST_FN(34, 10, int32_t, HostHandle pdfDocument);                        // page count
VM_HOST_FN(34, 31, HostHandle, HostHandle pdfDocument, const char* name, int32_t flags);  // standard font
VM_HOST_FN(34, 42, int32_t, HostHandle pdfDocument, HostHandle object);     // add indirect object
// 52, 173: annotations
VM_HOST_FN(52, 2, HostHandle, HostHandle annotationObject);                 // its dictionary
VM_HOST_FN(173, 0, HostHandle, HostHandle annotation);                      // low-level annotation
// 61: PDF objects
VM_HOST_FN(61, 0, int32_t, HostHandle object);                              // kind
VM_HOST_FN(61, 3, HostHandle, HostHandle object, int32_t deep);             // copy
VM_HOST_FN(61, 7, void, HostHandle object);                                 // release
// 66: arrays
VM_HOST_FN(66, 1, int32_t, HostHandle array);
VM_HOST_FN(66, 3, HostHandle, HostHandle array, int32_t index);
// 67: dictionaries
VM_HOST_FN(67, 0, HostHandle, void);
VM_HOST_FN(67, 2, HostHandle, HostHandle dictionary, const char* key);
VM_HOST_FN(67, 18, void, HostHandle dictionary, const char* key, HostHandle value, HostHandle pdfDocument);
VM_HOST_FN(67, 19, void, HostHandle dictionary, const char* key, const char* name);
VM_HOST_FN(67, 23, void, HostHandle dictionary, const char* key, HostHandle pdfDocument, int32_t objectNumber);
VM_HOST_FN(67, 27, void, HostHandle dictionary, const char* key, HostBox rect);
// 68: streams
VM_HOST_FN(68, 0, HostHandle, void);
VM_HOST_FN(68, 1, void, HostHandle stream, const uint8_t* bytes, int32_t length, HostHandle dictionary);
// 69: stream reading
VM_HOST_FN(69, 0, HostHandle, void);
VM_HOST_FN(69, 1, void, HostHandle accessor);
VM_HOST_FN(69, 2, int32_t, HostHandle accessor, HostHandle stream, int32_t, int32_t, int32_t);
VM_HOST_FN(69, 5, const uint8_t*, HostHandle accessor);
VM_HOST_FN(69, 6, uint32_t, HostHandle accessor);
// 73: page content
VM_HOST_FN(73, 2, int32_t, HostHandle page, HostHandle pause);              // continue parsing
VM_HOST_FN(73, 4, int32_t, HostHandle page);                                // is parsed
VM_HOST_FN(73, 6, HostPosition, HostHandle page);                           // first position
VM_HOST_FN(73, 7, HostPosition, HostHandle page);                           // last position
VM_HOST_FN(73, 8, HostHandle, HostHandle page, HostPosition* position);     // object at, then advance
VM_HOST_FN(73, 11, int32_t, HostHandle page);                               // object count
VM_HOST_FN(73, 13, HostHandle, HostHandle page, int32_t index);             // object at an index
VM_HOST_FN(73, 15, HostPosition, HostHandle page, HostPosition position, HostHandle object);  // insert
VM_HOST_FN(73, 16, int32_t, HostHandle page, HostPosition position);        // remove
VM_HOST_FN(73, 22, HostHandle, HostHandle page);                            // page dictionary
VM_HOST_FN(73, 28, int32_t, HostHandle page, HostHandle pause);             // start parsing
VM_HOST_FN(73, 38, int32_t, HostHandle page);                               // regenerate content
// 74: pause objects
VM_HOST_FN(74, 0, HostHandle, int32_t, int32_t, int32_t, int32_t);
VM_HOST_FN(74, 1, void, HostHandle pause);
// 78: colour states
VM_HOST_FN(78, 0, HostHandle, void);
VM_HOST_FN(78, 1, void, HostHandle colorState);
VM_HOST_FN(78, 4, void, HostHandle colorState, HostHandle colorSpace, const float* components, int32_t count);
// 79: text states
VM_HOST_FN(79, 0, HostHandle, void);
VM_HOST_FN(79, 1, void, HostHandle textState);
VM_HOST_FN(79, 3, void, HostHandle textState, HostHandle font);
VM_HOST_FN(79, 10, void, HostHandle textState, float size);
VM_HOST_FN(79, 13, void, HostHandle textState, const float* matrix);        // a, b, c, d
// 82: page objects
VM_HOST_FN(82, 2, HostHandle, HostHandle object);                           // copy
VM_HOST_FN(82, 8, void, HostHandle object, HostHandle colorState);          // fill colour
VM_HOST_FN(82, 10, HostBox*, HostBox* result, HostHandle object);           // bounding box
VM_HOST_FN(82, 11, int32_t, HostHandle object);                             // kind
VM_HOST_FN(82, 26, void, HostHandle object, float a, float b, float c, float d, float e, float f);
// 83: text objects
VM_HOST_FN(83, 0, HostHandle, void);
VM_HOST_FN(83, 2, int32_t, HostHandle textObject);                          // item count
VM_HOST_FN(83, 3, HostTextItem*, HostTextItem* result, HostHandle textObject, int32_t index);
VM_HOST_FN(83, 8, void, HostHandle textObject, float* matrix);              // a, b, c, d
VM_HOST_FN(83, 12, void, HostHandle textObject, HostHandle byteString);
VM_HOST_FN(83, 14, void, HostHandle textObject, int32_t count, const int32_t* codes, const float* adjustments);
VM_HOST_FN(83, 15, void, HostHandle textObject, float x, float y);
VM_HOST_FN(83, 16, void, HostHandle textObject, HostHandle textState);
// 99: fonts
VM_HOST_FN(99, 36, int32_t, HostHandle font, int32_t charCode);             // width in thousandths
VM_HOST_FN(99, 38, HostGlyphBox*, HostGlyphBox* result, HostHandle font, int32_t charCode);
// 107: colour spaces
VM_HOST_FN(107, 0, HostHandle, int32_t family);                             // 2: RGB
// 120: text extraction
VM_HOST_FN(120, 0, HostHandle, HostHandle page, int32_t flags);             // open text page
VM_HOST_FN(120, 1, void, HostHandle textPage);
VM_HOST_FN(120, 2, int32_t, HostHandle textPage);                           // analyse
VM_HOST_FN(120, 3, int32_t, HostHandle textPage);                           // is analysed
VM_HOST_FN(120, 4, int32_t, HostHandle textPage);                           // character count
VM_HOST_FN(120, 5, int32_t, HostHandle textPage, int32_t index, HostCharInfo* info);
VM_HOST_FN(120, 6, int32_t, HostHandle textPage, int32_t first, int32_t count, HostHandle* boxArray);
VM_HOST_FN(120, 16, int32_t, HostHandle textPage, int32_t first, int32_t count, HostHandle* wideString);
// 151-155: ribbon
VM_HOST_FN(151, 0, HostHandle, HostHandle bar, const char* name, const char16_t* title);  // add category
VM_HOST_FN(151, 4, int32_t, HostHandle bar);                                // category count
VM_HOST_FN(151, 5, HostHandle, HostHandle bar, int32_t index);
VM_HOST_FN(151, 6, HostHandle, HostHandle bar, const char* name);           // category by name
VM_HOST_FN(152, 1, void, HostHandle category, HostHandle* wideString);      // category title
VM_HOST_FN(152, 9, int32_t, HostHandle category);                           // panel count
VM_HOST_FN(152, 10, HostHandle, HostHandle category, int32_t index);
VM_HOST_FN(152, 11, HostHandle, HostHandle category, const char* name);     // panel by name
VM_HOST_FN(152, 15, int32_t, HostHandle category, int32_t);
VM_HOST_FN(152, 16, HostHandle, HostHandle category, const char* name, const char16_t* title, int32_t, int32_t position);
VM_HOST_FN(153, 0, HostHandle, HostHandle panel, int32_t, const char* name, const char16_t* title, int32_t);
VM_HOST_FN(153, 6, void, HostHandle panel, HostHandle* wideString);         // panel title
VM_HOST_FN(154, 1, void, HostHandle button, RibbonClickFn callback);
VM_HOST_FN(154, 2, void, HostHandle button, RibbonStateFn callback);
VM_HOST_FN(154, 3, void, HostHandle button, RibbonStateFn callback);
VM_HOST_FN(154, 7, void, HostHandle button, const char* text, int32_t);
VM_HOST_FN(154, 13, void, HostHandle button, const char16_t* title);
VM_HOST_FN(154, 15, void, HostHandle button, const char16_t* description);
VM_HOST_FN(154, 19, void, HostHandle button, HostHandle largeImage, HostHandle smallImage);
VM_HOST_FN(155, 0, HostHandle, HostHandle element);                         // button of an element
VM_HOST_FN(155, 1, void, HostHandle element, int32_t);

#undef VM_HOST_FN
