// How the stand-in core's files meet: each registers its host functions and can be reset.
#pragma once

#include "core/StandinHost.h"

namespace standin {

void RegisterServiceFunctions(FunctionTable& table);    // 7, 11, 17, 18, 74
void RegisterParseFunctions(FunctionTable& table);      // 73:2, 73:4, 73:28
void RegisterMessageFunctions(FunctionTable& table);    // 30:3
void RegisterApplicationFunctions(FunctionTable& table);  // 20, 26, 31, 32, 34:10
void RegisterRibbonFunctions(FunctionTable& table);     // 20:80, 151-155

void ResetParseState();
void ResetMessageBoxes();
void ResetRibbon();
// Clears the modified mark after a successful save.
void MarkSaved(HostHandle document);
// False for a PDF page whose content or fonts could not be read completely: its parsing then
// never finishes (73:4 keeps answering 0), which tells the module the page is not fully read.
bool PageReadsCompletely(HostHandle pdfPage);
// Drops the parse state of a page that goes away with its document.
void ForgetPage(const void* pdfPage);
// The library handle of the last load attempt (LoadPluginLibrary); forgetting it drops that record.
void SetLastPluginLibrary(void* library);
void ForgetLastPlugin();

}  // namespace standin
