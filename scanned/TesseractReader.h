// The text reader over Tesseract (Korean and English, LSTM engine), with the clean-up that
// scanned pages need before recognition.
#pragma once

#include <string>

#include "OcrText.h"

namespace scanned {

// A reader with its own Tesseract instance; null with *error set when Tesseract or its Korean
// and English data cannot be loaded.
TextReader MakeTesseractReader(std::string* error);

}  // namespace scanned
