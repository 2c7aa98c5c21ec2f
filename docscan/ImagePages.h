// Pages that cannot be searched by their text: an image (a scan, a photographed card) covers a
// good part of the page and no character is drawn over it.
#pragma once

#include <vector>

#include "BetweenPages.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

namespace standin::pdf {
struct Document;
}

namespace docscan {

// Images smaller than this share of the page (logos, rules, icons) are not counted.
constexpr float kImageShareOfPage = 0.1f;

// An image drawn on a page where no character lies over it.
struct ImagePlacement {
  int page = 0;
  // The image XObject's object number; 0 for an inline image (or one that cannot be told).
  int object = 0;
  int drawnIndex = 0;              // among every image the page draws, in drawing order
  bool isMask = false;             // a stencil mask (/ImageMask true)
  int width = 0;                   // pixels
  int height = 0;
  // Pixel (x + 0.5, y + 0.5) / (width, height), row 0 on top, maps through this to the page as
  // it is shown: MuPDF's device space (points, y downwards, the page's /Rotate applied).
  fz_matrix imageToDevice = fz_identity;
  // The page's default user space to that device space.
  fz_matrix pageToDevice = fz_identity;
};

// The page's dictionary when the page may draw an image (an image XObject among its resources
// or those of its forms, or an inline image in its content), or when that cannot be told; null
// otherwise. Never throws.
pdf_obj* PageThatMayDrawImages(standin::pdf::Document& document, int page);

// The image XObjects among the page's resources and those of the forms they hold; none when
// they cannot be read. Never throws.
std::vector<pdf_obj*> PageImageXObjects(fz_context* ctx, pdf_obj* page);

// The object number of the image XObject among `candidates` that MuPDF loaded as `image` (it
// keeps loaded images by object); 0 when none is (an inline image). Never throws.
int ImageObjectNumber(fz_context* ctx, fz_image* image, const std::vector<pdf_obj*>& candidates);

// Every image of kImageShareOfPage of its page or more under which no character of the page's
// content lies, page by page in drawing order. A page that cannot be run gives none.
// `betweenPages` is called after each page, with its index (see BetweenPages).
std::vector<ImagePlacement> ImagesWithoutText(standin::pdf::Document& document,
                                              const BetweenPages& betweenPages = {});

// The pages (0-based, ascending) with at least one image of kImageShareOfPage of the page or
// more under which no character of the page's content lies (visible or not: an OCR layer drawn
// in render mode 3 counts as text). A page that cannot be run is not listed.
std::vector<int> PagesWithImagesWithoutText(standin::pdf::Document& document,
                                            const BetweenPages& betweenPages = {});

// Runs a page's content (not its annotations) through `device` and closes it; gives the page's
// bounds (when asked) and its transform to device space. False when the page cannot be run.
bool RunPageContents(standin::pdf::Document& document, int pageIndex, fz_device* device, fz_rect* bounds,
                     fz_matrix* pageToDevice);

}  // namespace docscan
