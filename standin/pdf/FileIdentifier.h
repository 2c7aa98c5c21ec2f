// The trailer's file identifier (/ID) of a saved copy, made from its content rather than from the
// clock, so that the same document written twice, at any time and on any machine, is the same
// file. The first string names the document and is kept from the input where it has one; the
// second names this version: the MD5 of the file as written with a fixed stand-in in its place.
#pragma once

#include <mupdf/pdf.h>

#include <string>

namespace standin::pdf {

// Puts the identifier to be written into the copy's trailer: the input's first string (or the
// stand-in when it has none) and the stand-in.
void PrepareIdentifier(fz_context* ctx, pdf_document* copy);

// Replaces the stand-in in the file written from a copy prepared as above with the digest of that
// file. False, with the reason, when the file cannot be read or written or holds no stand-in.
bool StampIdentifier(const std::string& path, std::string* error);

// MD5 of a file's bytes; false when it cannot be read.
bool FileDigest(const std::string& path, unsigned char digest[16]);

}  // namespace standin::pdf
