#pragma once
// Printed pages end on their last sheet with ink. The web engine paginates a
// page's whole box, so blank space at its end (a body's bottom padding, the
// last element's margins) can spill onto one more sheet that carries nothing
// but the page background; a page rewritten for printing, whose inserted
// break paragraph moves the rest down a little, meets this most often. Those
// sheets are taken off the printed PDF before it goes anywhere.

#include <string>

/// Removes the empty sheets at the end of the PDF file `path`, in place. A
/// sheet is empty when it shows no text, image, shading or form, strokes
/// nothing and fills only in the document's background colour (the first
/// fill of the first sheet; white when that sheet fills nothing). The first
/// sheet always stays, so an empty page still prints as one sheet. Returns
/// the number of sheets removed (0 leaves the file untouched), or -1 with
/// `error` set when the file cannot be read or written; the file is then as
/// it was, since a changed copy replaces it only once complete.
int TrimTrailingEmptySheets(const std::string& path, std::string& error);
