// The text reader over Tesseract (Korean and English, LSTM engine), with the clean-up that
// scanned pages need before recognition. It lives in a module of its own (libveilmark-ocr.so),
// loaded only when a document has scanned pages (OcrModule.h): documents with text alone never
// pay for Tesseract's libraries.
#pragma once

#include <string>

#include "OcrText.h"

namespace scanned {

// A reader with its own Tesseract instance; null with *error set when Tesseract or its Korean
// and English data cannot be loaded.
TextReader MakeTesseractReader(std::string* error);

}  // namespace scanned

// The module's entry: sets *reader (or *error). Same compiler and library on both sides.
extern "C" bool VmMakeTesseractReader(scanned::TextReader* reader, std::string* error);
