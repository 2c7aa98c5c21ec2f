#include "Options.h"

#include <cstdio>
#include <cstring>

#include "Categories.h"
#include "Utf8.h"
#include "mask/FormatChoiceTable.h"

namespace cli {

namespace {

constexpr char kTextUsage[] =
    "usage: veilmark text FILE [--categories LIST] [--json]\n"
    "\n"
    "Finds personal information in a UTF-8 text file and prints each occurrence: category,\n"
    "start and length in UTF-16 code units, text.\n"
    "\n"
    "  --categories LIST  comma-separated, from phone, rrn, foreign, email, account, card,\n"
    "                     ip, birth, address (default: all)\n"
    "  --json             one JSON object per line: category, start, length, text\n";

constexpr char kScanUsage[] =
    "usage: veilmark scan FILE.pdf... [--categories LIST] [--json] [--preview DIR]\n"
    "                     [--files-from LIST] [--jobs N] [--no-ocr]\n"
    "\n"
    "Finds personal information in PDF files and prints each occurrence: page (0-based),\n"
    "category, start and length in the page text, text and page rectangles; then those in\n"
    "annotations, links, form fields, the document information, XMP metadata, bookmarks and\n"
    "attachments (where, the object and entry holding it, start and length in that text), and\n"
    "those OCR reads on pages that are images without text (scans). Folders are\n"
    "searched for *.pdf files. With several files (or a folder) each file ends with one JSON\n"
    "summary line: {\"file\":...,\"status\":...,\"exit\":...,\"pages\":...,\"occurrences\":...}.\n"
    "\n"
    "  --categories LIST  comma-separated, from phone, rrn, foreign, email, account, card,\n"
    "                     ip, birth, address (default: all)\n"
    "  --json             one JSON object per line: page, category, start, length, text, rects,\n"
    "                     where (page, annotation, link, field, info, xmp, outline, attachment,\n"
    "                     image: read by OCR, with the image's object and a confidence)\n"
    "  --preview DIR      a PNG picture of each page with occurrences, framed and labelled\n"
    "  --files-from LIST  read the files to scan from LIST, one per line ('-': standard input)\n"
    "  --jobs N           files worked on at once, or for one file its scanned pages read at\n"
    "                     once (default: the number of processors)\n"
    "  --no-ocr           do not read scanned pages: only list them (they count as not searched)\n"
    "\n"
    "Exit status: 0 done, 1 file error, 2 usage, 3 a document not fully searched (engine\n"
    "limits, or scanned pages OCR could not read with confidence, or any with --no-ocr); with\n"
    "several files, the worst of them (1 above 3).\n";

constexpr char kProtectUsage[] =
    "usage: veilmark protect IN.pdf -o OUT.pdf [--categories LIST] [--char C]\n"
    "                        [--format CATEGORY=TEMPLATE]... [--keep-attachments] [--no-check]\n"
    "                        [--preview DIR] [--no-ocr]\n"
    "       veilmark protect IN... -o DIR [--files-from LIST] [--jobs N] [options]\n"
    "\n"
    "Finds personal information in IN.pdf, removes the characters from the page text, draws\n"
    "protection characters (or black boxes over images) in their place, and writes OUT.pdf as a\n"
    "full rewrite. Occurrences in annotations, links, form fields, the document information,\n"
    "XMP metadata and bookmarks are masked in place; attachments that hold any are removed.\n"
    "Pages that are images without text (scans) are read by OCR, and what it finds is blacked\n"
    "out in the image's pixels.\n"
    "The result is then checked: nothing masked may be recoverable; a copy that\n"
    "fails the check is kept only as OUT.pdf.check-failed. With several inputs, or a folder,\n"
    "the copies go into DIR under the same relative names, and each file ends with one JSON\n"
    "summary line.\n"
    "\n"
    "  --categories LIST  comma-separated, from phone, rrn, foreign, email, account, card,\n"
    "                     ip, birth, address (default: all)\n"
    "  --char C           protection character: '*' (default), '~' or 'X'\n"
    "  --format CAT=T     display format of a category: one of its offered templates or its\n"
    "                     number, e.g. phone=NNN-****-NNNN or rrn=2 (default: all masked)\n"
    "  --keep-attachments mask the names of attachments holding personal information but\n"
    "                     keep the files (their contents are not checked)\n"
    "  --no-check         skip the check of the written file\n"
    "  --preview DIR      a PNG of each changed page, before and after side by side\n"
    "  --files-from LIST  read the input files from LIST, one per line ('-': standard input)\n"
    "  --jobs N           files worked on at once, or for one file its scanned pages read at\n"
    "                     once (default: the number of processors)\n"
    "  --no-ocr           do not read scanned pages: they are left as they are (not searched)\n"
    "\n"
    "Exit status: 0 done and checked, 1 file error, 2 usage, 3 document not fully searched\n"
    "(or scanned pages OCR could not read with confidence, or any with --no-ocr), 4 the check\n"
    "found recoverable text; with several files, the worst of them (4, 1, 3).\n";

enum Flag : unsigned { kText = 1, kScan = 2, kProtect = 4, kPdf = kScan | kProtect, kAll = 7 };

enum class Id { Help, Json, Categories, Output, Char, Format, NoCheck, KeepAttachments, Preview, FilesFrom, Jobs, NoOcr };

struct OptionSpec {
  const char* longName;
  const char* shortName;  // null when none
  bool takesValue;
  unsigned commands;
  Id id;
};

constexpr OptionSpec kOptions[] = {
    {"--help", "-h", false, kAll, Id::Help},
    {"--json", nullptr, false, kText | kScan, Id::Json},
    {"--categories", nullptr, true, kAll, Id::Categories},
    {"--output", "-o", true, kProtect, Id::Output},
    {"--char", nullptr, true, kProtect, Id::Char},
    {"--format", nullptr, true, kProtect, Id::Format},
    {"--no-check", nullptr, false, kProtect, Id::NoCheck},
    {"--keep-attachments", nullptr, false, kProtect, Id::KeepAttachments},
    {"--preview", nullptr, true, kPdf, Id::Preview},
    {"--files-from", nullptr, true, kPdf, Id::FilesFrom},
    {"--jobs", "-j", true, kPdf, Id::Jobs},
    {"--no-ocr", nullptr, false, kPdf, Id::NoOcr},
};

unsigned FlagOf(Command command) {
  return command == Command::Text ? kText : command == Command::Scan ? kScan : kProtect;
}

// "phone=NNN-****-NNNN" or "phone=1": sets the category's template; false with a message.
bool ParseFormat(const std::string& arg, vm::PiOptions& options, std::string& message) {
  const size_t eq = arg.find('=');
  const int category = eq == std::string::npos ? -1 : CategoryFromKey(arg.substr(0, eq));
  const vm::FormatChoiceRow* row = category < 0 ? nullptr : vm::FindFormatChoiceRow(category);
  if (!row) {
    message = "--format needs CATEGORY=TEMPLATE with a category other than address: '" + arg + "'";
    return false;
  }
  const std::string value = arg.substr(eq + 1);
  const std::optional<std::u16string> wanted = common::Utf8ToUtf16(value);
  for (int32_t i = 0; i < row->count; ++i) {
    if ((wanted && *wanted == row->templates[i]) || value == std::to_string(i)) {
      options.formats[category] = row->templates[i];
      return true;
    }
  }
  message = "'" + value + "' is not a template offered for " + arg.substr(0, eq) + ":";
  for (int32_t i = 0; i < row->count; ++i)
    message += " " + std::to_string(i) + "=" + common::Utf16ToUtf8(row->templates[i]);
  return false;
}

// Applies one option's value; an error message, or empty.
std::string Apply(Id id, const std::string& value, Options& out) {
  switch (id) {
    case Id::Help:
      break;
    case Id::Json:
      out.json = true;
      break;
    case Id::NoCheck:
      out.check = false;
      break;
    case Id::KeepAttachments:
      out.keepAttachments = true;
      break;
    case Id::NoOcr:
      out.ocr = false;
      break;
    case Id::Output:
      if (value.empty()) return "-o needs a file or folder name";
      out.output = value;
      break;
    case Id::Preview:
      if (value.empty()) return "--preview needs a folder name";
      out.previewDir = value;
      break;
    case Id::FilesFrom:
      if (value.empty()) return "--files-from needs a file name (or '-')";
      out.filesFrom = value;
      break;
    case Id::Categories: {
      std::string bad;
      if (value.empty()) return "--categories needs at least one category";
      if (!ParseCategories(value, out.pi.flags, bad)) return "unknown category '" + bad + "'";
      break;
    }
    case Id::Char:
      if (value.size() != 1 || std::strchr("*~X", value[0]) == nullptr)
        return "--char takes '*', '~' or 'X'";
      out.protection = value[0];
      break;
    case Id::Format: {
      std::string message;
      if (!ParseFormat(value, out.pi, message)) return message;
      break;
    }
    case Id::Jobs: {
      char* end = nullptr;
      const long jobs = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || jobs < 1 || jobs > 1024)
        return "--jobs needs a number from 1 to 1024";
      out.jobs = static_cast<int>(jobs);
      break;
    }
  }
  return {};
}

}  // namespace

const char* CommandName(Command command) {
  return command == Command::Text ? "text" : command == Command::Scan ? "scan" : "protect";
}

const char* CommandUsage(Command command) {
  return command == Command::Text ? kTextUsage : command == Command::Scan ? kScanUsage : kProtectUsage;
}

int UsageError(Command command, const std::string& message) {
  std::fprintf(stderr, "veilmark %s: %s\n%s", CommandName(command), message.c_str(),
               CommandUsage(command));
  return 2;
}

std::optional<int> ParseOptions(Command command, int argc, char** argv, Options* out) {
  out->command = command;
  out->pi.flags.fill(true);
  for (int32_t c = 0; c < vm::kCategoryCount; ++c) out->pi.formats[c] = vm::FormatChoiceTemplate(c, 0);

  bool operandsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (operandsOnly || arg == "-" || arg.empty() || arg[0] != '-') {
      out->inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    const size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, eq);
    const OptionSpec* option = nullptr;
    for (const OptionSpec& s : kOptions)
      if ((name == s.longName || (s.shortName && name == s.shortName)) && (s.commands & FlagOf(command)))
        option = &s;
    if (!option) return UsageError(command, "unknown option '" + name + "'");
    if (option->id == Id::Help) {
      std::fputs(CommandUsage(command), stdout);
      return 0;
    }
    std::string value;
    if (eq != std::string::npos) {
      if (!option->takesValue) return UsageError(command, name + " takes no value");
      value = arg.substr(eq + 1);
    } else if (option->takesValue) {
      if (i + 1 >= argc) return UsageError(command, name + " needs a value");
      value = argv[++i];
    }
    const std::string error = Apply(option->id, value, *out);
    if (!error.empty()) return UsageError(command, error);
  }

  if (out->inputs.empty() && out->filesFrom.empty())
    return UsageError(command, command == Command::Protect ? "no IN.pdf given" : "no FILE given");
  if (command == Command::Text && out->inputs.size() > 1)
    return UsageError(command, "more than one FILE");
  if (command == Command::Protect && out->output.empty())
    return UsageError(command, "no output file given (-o OUT.pdf, or -o DIR for several files)");
  out->pi.protection = std::u16string(6, static_cast<char16_t>(out->protection));
  return std::nullopt;
}

}  // namespace cli
