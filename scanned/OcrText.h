// What a text reader (OCR) recognised in a grey image: lines of words, each word with its box,
// its confidence and, where the reader knows them, the boxes of its characters.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "GrayImage.h"

namespace scanned {

struct OcrSymbol {
  std::u16string text;  // one character as the reader gives it (one or two UTF-16 units)
  PixelBox box;
};

struct OcrWord {
  std::u16string text;
  PixelBox box;
  float confidence = 0;  // 0 to 100
  // A gap stands before the word (the reader splits Korean text into pieces with none).
  bool spaceBefore = true;
  // The word's characters, when their texts make up the word's text exactly; else empty.
  std::vector<OcrSymbol> symbols;
};

struct OcrLine {
  std::vector<OcrWord> words;
  // Other readings of the same line (a doubtful line read again in other modes), for whoever
  // can tell which one makes sense.
  std::vector<std::vector<OcrWord>> alternatives;
};

struct OcrText {
  std::vector<OcrLine> lines;
  // Marks of the image the size of letters, and how many of them lie outside every word read
  // with some confidence: many unread marks mean text the reader could not make out.
  int marks = 0;
  int unreadMarks = 0;
  // Why nothing could be read (the engine failed); empty otherwise.
  std::string error;
};

// Reads the text of an upright grey image whose resolution is `dpi` (pixels per inch as the
// page shows it); boxes are in the image's pixels. One reader serves one thread at a time.
using TextReader = std::function<OcrText(const GrayImage& image, float dpi)>;

// Makes a reader for one worker; null with *error set when no reader can be made.
using TextReaderFactory = std::function<TextReader(std::string* error)>;

}  // namespace scanned
