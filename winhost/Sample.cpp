#include "Sample.h"

#include "Expect.h"
#include "core/Application.h"

namespace winhost {

namespace {
std::string g_folder;
HostHandle g_sample = nullptr;
}  // namespace

void SetDataFolder(const std::string& folder) { g_folder = folder; }

std::string DataFile(const std::string& name) { return g_folder + "\\" + name; }

HostHandle OpenSample() {
  std::string error;
  g_sample = standin::OpenHostDocument(DataFile("sample-ko.pdf"), &error);
  Expect(g_sample != nullptr, "the sample opens: " + error);
  return g_sample;
}

void CloseSample() {
  if (g_sample) standin::CloseHostDocument(g_sample);
  g_sample = nullptr;
}

}  // namespace winhost
