// Loads the OCR module (libveilmark-ocr.so, TesseractReader) when the first scanned page is to
// be read: beside the program in the build tree, or under the library folder it is installed
// with. Before loading it, limits OpenMP to one thread per reader (OMP_THREAD_LIMIT is read
// when the OpenMP runtime is loaded): the workers are the parallelism, and one thread per
// reader keeps results the same from run to run.
#pragma once

#include "OcrText.h"

namespace scanned {

// Readers from the module; each call of the factory fails with the reason when the module or
// Tesseract's data cannot be loaded.
TextReaderFactory TesseractReaders();

}  // namespace scanned
