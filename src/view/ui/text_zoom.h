#pragma once

class QTextDocument;

namespace vellorin {

// The zoom of a page in the built-in message view, in steps: 0 is the page as written, each
// step up or down about 10% larger or smaller.
inline constexpr int kMinZoomStep = -5;
inline constexpr int kMaxZoomStep = 10;

// The size factor of `step` (clamped to the range above).
double ZoomFactor(int step);

// Draws every text of `document` that has a size of its own (in points or pixels) at `factor`
// times the size it was written with; text in the document's default font follows that font,
// which the caller zooms. The first call keeps each format's written size, so repeated zooms
// do not drift.
void ZoomDocument(QTextDocument* document, double factor);

}  // namespace vellorin
