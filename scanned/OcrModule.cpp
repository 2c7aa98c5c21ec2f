#include "OcrModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace scanned {

namespace {

using MakeReader = bool (*)(TextReader*, std::string*);

// The folder of the running program.
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string full(path, static_cast<size_t>(n));
  return full.substr(0, full.rfind('/'));
}

struct Module {
  MakeReader make = nullptr;
  std::string error;
};

const Module& Load() {
  static Module module;
  static std::once_flag once;
  std::call_once(once, [] {
    setenv("OMP_THREAD_LIMIT", "1", 1);
    std::vector<std::string> places;
    if (const char* chosen = std::getenv("VEILMARK_OCR_MODULE")) places.push_back(chosen);
    // Installed: under the library folder beside the program's; in the build tree (and only
    // there, so that an installed program never falls back to it): where it was built.
    const std::string folder = ProgramFolder();
    places.push_back(folder + "/" VM_OCR_MODULE_INSTALLED);
    if (folder == VM_PROGRAM_BUILT_FOLDER) places.push_back(VM_OCR_MODULE_BUILT);
    std::string tried;
    for (const std::string& place : places) {
      void* handle = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!handle) {
        tried += std::string(tried.empty() ? "" : "; ") + dlerror();
        continue;
      }
      module.make = reinterpret_cast<MakeReader>(dlsym(handle, "VmMakeTesseractReader"));
      if (module.make) return;  // kept loaded for the life of the program
      dlclose(handle);
    }
    module.error = "the OCR module cannot be loaded (" + tried + ")";
  });
  return module;
}

}  // namespace

TextReaderFactory TesseractReaders() {
  return [](std::string* error) -> TextReader {
    const Module& module = Load();
    if (!module.make) {
      if (error) *error = module.error;
      return nullptr;
    }
    TextReader reader;
    std::string why;
    if (!module.make(&reader, &why)) {
      if (error) *error = why;
      return nullptr;
    }
    return reader;
  };
}

}  // namespace scanned
