// Moving the text of form XObjects into page content: every form XObject a page draws that
// shows text is replaced, where it is drawn, by its own content between q and Q, with its
// matrix, its bounding-box clip and its resources (renamed into the page's resources where
// needed). Text drawn by forms then consists of page-level text objects like any other. Forms
// that show text and are no longer drawn leave the page's resources.
#pragma once

#include <string>
#include <vector>

namespace standin::pdf {

struct Document;

struct FlattenReport {
  int formsInlined = 0;
  std::vector<int> pagesChanged;
  // Forms that show text but stay forms, one line each naming the page and the form.
  std::vector<std::string> leftAsForms;
};

// Flattens the text-drawing forms of every page. A page whose content cannot be rewritten is
// left as it was and reported in leftAsForms. Call before the page models are built.
FlattenReport FlattenTextForms(Document& document);

}  // namespace standin::pdf
