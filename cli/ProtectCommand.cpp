// veilmark protect: a protected copy of a PDF file, made by the module through the stand-in host.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "Categories.h"
#include "Commands.h"
#include "FileArguments.h"
#include "HostSession.h"
#include "ImagePages.h"
#include "OutsideProtect.h"
#include "OutsideReport.h"
#include "ProtectionCheck.h"
#include "Utf8.h"
#include "core/Application.h"
#include "detect/ScanDocument.h"
#include "mask/FormatChoiceTable.h"
#include "mask/RedactionWriter.h"
#include "mask/Replacements.h"

namespace cli {

namespace {

constexpr char kUsage[] =
    "usage: veilmark protect IN.pdf -o OUT.pdf [--categories LIST] [--char C]\n"
    "                        [--format CATEGORY=TEMPLATE]... [--keep-attachments] [--no-check]\n"
    "\n"
    "Finds personal information in IN.pdf, removes the characters from the page text, draws\n"
    "protection characters (or black boxes over images) in their place, and writes OUT.pdf as a\n"
    "full rewrite. Occurrences in annotations, links, form fields, the document information,\n"
    "XMP metadata and bookmarks are masked in place; attachments that hold any are removed.\n"
    "The result is then checked: nothing masked may be recoverable.\n"
    "\n"
    "  --categories LIST  comma-separated, from phone, rrn, foreign, email, account, card,\n"
    "                     ip, birth, address (default: all)\n"
    "  --char C           protection character: '*' (default), '~' or 'X'\n"
    "  --format CAT=T     display format of a category: one of its offered templates or its\n"
    "                     number, e.g. phone=NNN-****-NNNN or rrn=2 (default: all masked)\n"
    "  --keep-attachments mask the names of attachments holding personal information but\n"
    "                     keep the files (their contents are not checked)\n"
    "  --no-check         skip the check of the written file\n"
    "\n"
    "Exit status: 0 done and checked, 1 file error, 2 usage, 3 document not fully searched\n"
    "(or pages that are images without text), 4 the check found recoverable text.\n";

int UsageError(const std::string& message) { return cli::UsageError("protect", message, kUsage); }

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

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::exists(b, error) && std::filesystem::equivalent(a, b, error);
}

}  // namespace

int RunProtectCommand(int argc, char** argv) {
  std::string input;
  std::string output;
  std::string categories;
  char protection = '*';
  bool check = true;
  bool keepAttachments = false;
  vm::PiOptions options;
  for (int32_t c = 0; c < vm::kCategoryCount; ++c) options.formats[c] = vm::FormatChoiceTemplate(c, 0);

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      return i + 1 < argc ? argv[++i] : (UsageError(std::string(name) + " needs a value"), nullptr);
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "-o" || arg == "--output") {
      const char* v = value("-o");
      if (!v) return 2;
      output = v;
    } else if (arg == "--categories") {
      const char* v = value("--categories");
      if (!v) return 2;
      categories = v;
    } else if (arg == "--char") {
      const char* v = value("--char");
      if (!v) return 2;
      if (std::strlen(v) != 1 || std::strchr("*~X", v[0]) == nullptr)
        return UsageError("--char takes '*', '~' or 'X'");
      protection = v[0];
    } else if (arg == "--format") {
      const char* v = value("--format");
      if (!v) return 2;
      std::string message;
      if (!ParseFormat(v, options, message)) return UsageError(message);
    } else if (arg == "--no-check") {
      check = false;
    } else if (arg == "--keep-attachments") {
      keepAttachments = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else if (input.empty()) {
      input = arg;
    } else {
      return UsageError("more than one input file");
    }
  }
  if (input.empty()) return UsageError("no IN.pdf given");
  if (output.empty()) return UsageError("no output file given (-o OUT.pdf)");
  if (SameFile(input, output) || input == output)
    return UsageError("the output must be another file than the input");

  options.flags.fill(true);
  std::string bad;
  if (!categories.empty() && !ParseCategories(categories, options.flags, bad))
    return UsageError("unknown category '" + bad + "'");
  options.protection = std::u16string(6, static_cast<char16_t>(protection));

  HostHandle document = OpenInHost(input, "protect");
  if (!document) return 1;
  std::string error;

  vm::PiMatchList matches;
  vm::ScanReport report;
  vm::ScanDocument(document, options.flags, matches, &report);
  vm::PiMatchList replacements;
  vm::BuildReplacements(document, options, matches, replacements);

  bool applied = false;
  if (!replacements.empty()) {
    applied = vm::ApplyReplacements(document, replacements, options.protection[0]);
    if (!applied) {
      std::fprintf(stderr, "veilmark protect: the occurrences could not be written into the "
                           "document; nothing was saved\n");
      return 1;
    }
  }
  standin::pdf::Document& pdf = *standin::PdfDocumentOf(document);
  const docscan::OutsideScan outside = docscan::ScanOutsideText(pdf, options.flags);
  const docscan::OutsideProtection outsideDone =
      docscan::ProtectOutsideText(pdf, outside, options, keepAttachments);
  const std::vector<int> imagePages = docscan::PagesWithImagesWithoutText(pdf);
  if (!standin::SaveHostDocument(document, output, &error)) {
    std::fprintf(stderr, "veilmark protect: cannot write '%s': %s\n", output.c_str(), error.c_str());
    return 1;
  }

  int masked = 0;
  for (const vm::PiMatch& r : replacements) masked += r.charCount;
  std::printf("%s: %zu occurrences, %d characters masked in %zu runs -> %s\n", input.c_str(),
              matches.size(), masked, replacements.size(), output.c_str());

  if (!outside.hits.empty())
    std::printf("outside the pages: %zu occurrences, %d texts masked, %zu attachments removed%s\n",
                outside.hits.size(), outsideDone.textsMasked, outsideDone.removedAttachments.size(),
                outsideDone.keptHits.empty() ? "" : " (attachments with personal information kept as asked)");

  int status = 0;
  if (!imagePages.empty()) {
    std::fprintf(stderr, "veilmark protect: %s\n", ImagePagesMessage(imagePages).c_str());
    status = 3;
  }
  if (!outside.complete) {
    std::fprintf(stderr, "veilmark protect: a text outside the pages could not be searched "
                         "completely; occurrences may be missing\n");
    status = 3;
  }
  if (!report.Complete()) {
    std::fprintf(stderr, "veilmark protect: the document could not be searched completely; "
                         "occurrences may be missing\n");
    status = 3;
  }
  if (check) {
    checker::CheckInput checkInput{input, output, matches, replacements, protection, outsideDone.goneTexts};
    const checker::CheckResult result = checker::CheckProtectedFile(checkInput);
    if (result.Passed()) {
      std::printf("check: passed (%d masked and %d other characters compared%s)\n",
                  result.maskedCharactersChecked, result.keptCharactersChecked,
                  result.pdftotextChecks ? ", pdftotext agrees" : "");
    } else {
      std::printf("check: FAILED\n");
      for (const std::string& f : result.failures) std::printf("  %s\n", f.c_str());
      status = 4;
    }
  }
  return status;
}

}  // namespace cli
