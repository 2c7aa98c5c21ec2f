// Saving: always a full rewrite with garbage collection, so that content no page refers to any
// more (removed text, undo copies) is not in the file. The open document itself is left as it
// is: its object numbers stay valid for the handles and undo copies that refer to them.
#include <sys/stat.h>
#ifdef __MINGW32__
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "pdf/Document.h"
#include "pdf/FileIdentifier.h"
#include "pdf/UpdateSection.h"
#include "pdf/WriteInOrder.h"
#include "pdf/WriteRenumbered.h"

// The library's pseudo-random generator, seeded from the clock when a context is made; it is not
// in the public headers, but the library exports it.
extern "C" void fz_srand48(fz_context* ctx, int32_t seed);

namespace standin::pdf {

namespace {

// The files are handled with POSIX calls rather than std::filesystem: the winelib build compiles
// the library's headers for Windows paths while linking the Linux library.

#ifdef __MINGW32__
// Windows has no inode numbers in stat (they are all 0): a file is known by its volume's serial
// number and its index there.
bool FileIdOf(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(file, info);
  CloseHandle(file);
  return ok;
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return FileIdOf(a, &first) && FileIdOf(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// Renaming over an existing file, as POSIX rename does.
int RenameOver(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : (errno = EACCES, -1);
}
#else
bool SameFile(const std::string& a, const std::string& b) {
  struct stat first {}, second {};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

int RenameOver(const char* from, const char* to) { return std::rename(from, to); }
#endif

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A new, empty file next to `target`, for writing before renaming over it; empty on failure.
std::string TemporaryFileBeside(const std::string& target) {
#ifdef __MINGW32__
  const size_t slash = target.find_last_of("/\\");
#else
  const size_t slash = target.rfind('/');
#endif
  const std::string directory = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = directory + "." + name + ".XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return {};
#ifdef __MINGW32__
  _close(fd);  // a new file takes the folder's permissions
#else
  // mkstemp makes the file private; give it the permissions the target has or would get.
  struct stat info {};
  mode_t permissions;
  if (stat(target.c_str(), &info) == 0) {
    permissions = info.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    permissions = 0666 & ~mask;
  }
  fchmod(fd, permissions);
  close(fd);
#endif
  return pattern;
}

// How a document opened without a password (owner password only) is encrypted again: its
// method and permissions, under a new random owner password (the original one is not known).
// Keeping the old encryption through the renumbering save leaves a trailer /Encrypt that points
// at another object, and no reader opens that file.
struct Encryption {
  int method = PDF_ENCRYPT_NONE;
  int permissions = 0;
};

Encryption EncryptionOf(fz_context* ctx, pdf_document* doc) {
  Encryption e;
  if (!doc->crypt) return e;
  const char* method = pdf_crypt_method(ctx, doc->crypt);
  const int length = pdf_crypt_length(ctx, doc->crypt);
  if (std::strcmp(method, "RC4") == 0)
    e.method = length <= 40 ? PDF_ENCRYPT_RC4_40 : PDF_ENCRYPT_RC4_128;
  else if (std::strncmp(method, "AES", 3) == 0 && length <= 128)
    e.method = PDF_ENCRYPT_AES_128;
  else
    e.method = PDF_ENCRYPT_AES_256;  // and the strongest for anything unknown
  e.permissions = pdf_document_permissions(ctx, doc);
  return e;
}

void RandomOwnerPassword(char* out, size_t size) {
  std::random_device random;
  std::string hex;
  for (int i = 0; i < 16; ++i) {
    const unsigned b = random() & 0xFF;
    static const char digits[] = "0123456789abcdef";
    hex += digits[b >> 4];
    hex += digits[b & 15];
  }
  snprintf(out, size, "%s", hex.c_str());
}

// Writes `doc` into the file at `path` with one of the writers that let go of each object once
// written (WriteInOrder, WriteRenumbered); false when the writer does not write such a document,
// or failed: the library's own save then writes the same bytes, or says what is wrong.
bool WriteObjectByObject(fz_context* ctx, pdf_document* doc, const char* path,
                         bool (*writer)(fz_context*, pdf_document*, fz_output*)) {
  fz_output* out = nullptr;
  bool written = false;
  fz_var(out);
  fz_var(written);
  fz_try(ctx) {
    out = fz_new_output_with_path(ctx, path, 0);
    written = writer(ctx, doc, out);
    fz_close_output(ctx, out);
  }
  fz_always(ctx) { fz_drop_output(ctx, out); }
  fz_catch(ctx) { written = false; }
  return written;
}

// Writes the document as it is, decrypted (no garbage collection, which would renumber the open
// document's objects), into a file rather than into memory, so that a long document is not held
// twice. The library would put clock-seeded bytes into the trailer's /ID (of the open document
// too): the copy gets its identifier from its content instead.
bool WriteUncollected(Document& document, const char* path, char* message, size_t size) {
  fz_context* ctx = document.ctx;
  pdf_document* doc = document.doc;
  // The writer reads every number's entry; read, the update section's would all take memory.
  UpdatesSetAside aside;
  SetUpdatesAside(document, &aside);
  const bool written = WriteObjectByObject(ctx, doc, path, WriteInOrder);
  PutUpdatesBack(document, aside);
  if (written) return true;
  bool ok = true;
  pdf_write_options options = pdf_default_write_options;
  options.do_incremental = 0;
  options.do_garbage = 0;
  options.do_encrypt = PDF_ENCRYPT_NONE;
  options.dont_regenerate_id = 1;
  fz_try(ctx) { pdf_save_document(ctx, doc, path, &options); }
  fz_catch(ctx) {
    snprintf(message, size, "%s", fz_caught_message(ctx));
    ok = false;
  }
  return ok;
}

// Reopens the written file and saves it with garbage collection and compression, encrypted as
// told. The first file still holds what was removed: it is unlinked as soon as it is open.
bool WriteCollected(fz_context* ctx, const char* from, const Encryption& encryption, const char* path,
                    char* message, size_t size) {
  const bool encrypting = encryption.method != PDF_ENCRYPT_NONE;
  unsigned char digest[16] = {};
  if (encrypting && !FileDigest(from, digest)) {
    snprintf(message, size, "cannot read back %s", from);
    return false;
  }
  pdf_document* copy = nullptr;
  fz_var(copy);
  bool ok = true;
  pdf_write_options options = pdf_default_write_options;
  options.do_incremental = 0;
  // Drop unreferenced objects and renumber, but merge none: objects alike to the byte may still
  // differ in identity (two pages of the same form, two transparency groups, a form that pages
  // inheriting their resources name apart), and the library's comparison of every pair of
  // objects takes time by the square of their number. Merging saved 2.6% on the test documents.
  options.do_garbage = 2;
  options.do_compress = 1;
  options.do_compress_images = 1;
  options.do_compress_fonts = 1;
  options.dont_regenerate_id = 1;
  if (encrypting) {
    options.do_encrypt = encryption.method;
    options.permissions = encryption.permissions;
    RandomOwnerPassword(options.opwd_utf8, sizeof options.opwd_utf8);
    // The key of an encrypted file derives from its identifier, which therefore cannot be set
    // after writing: the library makes the second string itself (the first is kept), from its
    // generator, as it makes salts and initialisation vectors; the generator is seeded here from
    // what is written. The owner password alone stays random: with no user password the key
    // guards nothing a reader could not compute anyway, only the owner's permissions.
    options.dont_regenerate_id = 0;
    fz_srand48(ctx, static_cast<int32_t>(digest[0] | digest[1] << 8 | digest[2] << 16 | digest[3] << 24));
  }
  fz_try(ctx) {
    copy = pdf_open_document(ctx, from);
    unlink(from);
    PrepareIdentifier(ctx, copy);
    if (encrypting || !WriteObjectByObject(ctx, copy, path, WriteRenumbered))
      pdf_save_document(ctx, copy, path, &options);
  }
  fz_always(ctx) { pdf_drop_document(ctx, copy); }
  fz_catch(ctx) {
    snprintf(message, size, "%s", fz_caught_message(ctx));
    ok = false;
  }
  std::string error;
  if (ok && !encrypting && !StampIdentifier(path, &error)) {
    snprintf(message, size, "%s", error.c_str());
    ok = false;
  }
  return ok;
}

}  // namespace

bool BeginSave(Document& document, const std::string& path, PendingSave* pending, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  if (!document.ctx || !document.doc) {
    *error = "The document is not open.";
    return false;
  }
  if (path.empty()) {
    *error = "No file name given for saving.";
    return false;
  }
  if (!document.path.empty() && SameFile(document.path, path)) {
    *error = "Cannot save over the file the document was opened from: " + path +
             ". Save it under another name.";
    return false;
  }
  if (IsDirectory(path)) {
    *error = "Cannot save: " + path + " is a directory.";
    return false;
  }

  fz_context* ctx = document.ctx;
  char message[512] = {};
  PendingSave save;
  save.path = path;
  save.uncollected = TemporaryFileBeside(path);
  save.temporary = save.uncollected.empty() ? std::string() : TemporaryFileBeside(path);
  if (save.temporary.empty()) {
    if (!save.uncollected.empty()) unlink(save.uncollected.c_str());
    *error = "Cannot create a file in the folder of " + path + ".";
    return false;
  }
  const Encryption encryption = EncryptionOf(ctx, document.doc);
  save.encryptMethod = encryption.method;
  save.permissions = encryption.permissions;
  if (!WriteUncollected(document, save.uncollected.c_str(), message, sizeof message)) {
    unlink(save.uncollected.c_str());
    unlink(save.temporary.c_str());
    *error = std::string("Cannot write the document: ") + message;
    return false;
  }
  *pending = std::move(save);
  return true;
}

bool FinishSave(PendingSave& pending, std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  char message[512] = "out of memory";
  // A context of its own: the document may be closed by now.
  fz_context* ctx = NewContext();
  const bool written = ctx && WriteCollected(ctx, pending.uncollected.c_str(),
                                             Encryption{pending.encryptMethod, pending.permissions},
                                             pending.temporary.c_str(), message, sizeof message);
  if (ctx) fz_drop_context(ctx);
  unlink(pending.uncollected.c_str());
  if (!written) {
    unlink(pending.temporary.c_str());
    *error = std::string("Cannot write the document: ") + message;
    return false;
  }
  if (RenameOver(pending.temporary.c_str(), pending.path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    unlink(pending.temporary.c_str());
    *error = "Cannot replace " + pending.path + ": " + reason;
    return false;
  }
  return true;
}

bool SaveDocument(Document& document, const std::string& path, std::string* error) {
  PendingSave pending;
  return BeginSave(document, path, &pending, error) && FinishSave(pending, error);
}

}  // namespace standin::pdf
