#include "InputFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace cli {

namespace {

namespace fs = std::filesystem;

bool IsPdfName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".pdf";
}

std::string RelativeNameOf(const std::string& path) {
  const fs::path p = fs::path(path).lexically_normal();
  bool climbs = p.is_absolute() || p.empty();
  for (const fs::path& part : p)
    if (part == "..") climbs = true;
  return climbs ? p.filename().string() : p.string();
}

// The folder's PDF files, sorted so that every run (and every machine) sees the same order.
std::string AddFolder(const std::string& folder, std::vector<InputFile>& files) {
  std::vector<InputFile> found;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  if (ec) return "cannot read the folder '" + folder + "': " + ec.message();
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) return "cannot read the folder '" + folder + "': " + ec.message();
    std::error_code typeError;
    if (!it->is_regular_file(typeError) || !IsPdfName(it->path())) continue;
    found.push_back({it->path().string(), it->path().lexically_relative(folder).string()});
  }
  std::sort(found.begin(), found.end(),
            [](const InputFile& a, const InputFile& b) { return a.relativeName < b.relativeName; });
  files.insert(files.end(), found.begin(), found.end());
  return {};
}

void AddOperand(const std::string& operand, InputList& list) {
  std::error_code ec;
  if (fs::is_directory(operand, ec)) {
    list.batch = true;
    if (list.error.empty()) list.error = AddFolder(operand, list.files);
  } else {
    list.files.push_back({operand, RelativeNameOf(operand)});
  }
}

}  // namespace

InputList CollectInputs(const std::vector<std::string>& operands, const std::string& filesFrom) {
  InputList list;
  for (const std::string& operand : operands) AddOperand(operand, list);
  if (!filesFrom.empty()) {
    list.batch = true;
    std::ifstream file;
    if (filesFrom != "-") {
      const std::string reason = UnusableInputReason(filesFrom);
      if (!reason.empty()) {
        list.error = "cannot read the list '" + filesFrom + "': " + reason;
        return list;
      }
      file.open(filesFrom);
    }
    std::istream& in = filesFrom == "-" ? std::cin : file;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) AddOperand(line, list);
    }
  }
  if (list.files.size() > 1) list.batch = true;
  // One file alone: its pictures and copies take its own name.
  if (!list.batch && !list.files.empty())
    list.files.front().relativeName = fs::path(list.files.front().path).filename().string();
  return list;
}

std::string UnusableInputReason(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) return "No such file";
  if (ec) return ec.message();
  if (status.type() == fs::file_type::directory) return "is a folder, not a file";
  if (status.type() != fs::file_type::regular) return "is not a regular file (a device, pipe or socket)";
  if (access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  return {};
}

std::string UnusableOutputReason(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular) return {};
  if (status.type() == fs::file_type::directory) return "is a folder";
  if (ec) return ec.message();
  return "is not a regular file (a device, pipe or socket); it is never written over";
}

}  // namespace cli
