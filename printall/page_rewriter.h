#pragma once
// Rewrites a page file in place so that its printout starts a new sheet in
// front of every bordered table and every figure: a small page-break block
// (a style rule and an invisible one-character paragraph) is written before
// the line that opens such a table. A page that already says
// "page-break-before" anywhere is never changed, and every block says it, so
// a page is rewritten at most once.

#include <string>

#include "platform/confined.h"

/// What one pass over a page came to. InsertPrintPageBreaks ignores it; the
/// command line and the tests read it.
enum class PrintBreakResult {
  Rewritten,   // the page was replaced by its copy with page-break blocks
  Unchanged,   // nothing to insert, or the page already has page breaks
  NotOpened,   // missing, a folder, or busy in another pass
  Failed,      // a read or write error, or the page changed under the pass;
               // the page keeps its content and no temporary file is left
  Outside,     // the page (a link) really lies outside the folder the pass
               // may write in: nothing was read, written or changed
};

/// One pass over `path` (a local file path; "\" and any letter case are
/// accepted) whose real location (links resolved) lies below `root`: clears
/// the read-only attribute, copies the page line by line into its name + "~"
/// in the page's real folder with page-break blocks inserted, and replaces the
/// page with the copy in one rename when at least one block was written and no
/// line says "page-break-before"; otherwise removes the copy. The page and the
/// copy are held with exclusive locks for the whole pass, so of two passes
/// over one page at the same time one rewrites and the other changes nothing.
///
/// Whatever stands under the name page + "~" (a link planted there among
/// others) is removed as an entry and the copy created anew with
/// O_EXCL|O_NOFOLLOW; a page that is a link leading outside `root` gives
/// Outside and is left alone. Every change is made through descriptors of
/// the page's folder: nothing outside `root` is ever written or changed.
PrintBreakResult RewritePageForPrinting(const std::string& path, const platform::WriteRoot& root);

/// The same pass confined to the folder `path` names.
PrintBreakResult RewritePageForPrinting(const std::string& path);

/// One pass, no result, nothing reported, whatever folder the page is in.
void InsertPrintPageBreaks(std::string path);

/// True when the page `path` may be rewritten on disk: it lies below the
/// document root `root` (symbolic links followed) and the user may replace
/// it (its folder is writable, and the page is writable or the user's own,
/// so that a read-only page can be made writable). Pages outside the root
/// belong to the user, not to the documents: they are never written and
/// their permissions never change.
bool MayRewriteOnDisk(const std::string& path, const std::string& root);

/// The page rewriter as the viewer and Print All call it: one pass over a
/// page that MayRewriteOnDisk allows; any other page is left alone.
void InsertPrintPageBreaks(std::string path, const std::string& root);

/// The same pass with its output kept in `text` (as the file would hold it,
/// CR LF line ends) and nothing on disk touched: Rewritten with the text
/// when at least one block went in and the page has no "page-break-before";
/// otherwise `text` is empty and the result says why.
PrintBreakResult RewritePageInMemory(const std::string& path, std::string& text);

/// What is printed for one page.
struct PrintSource {
  PrintBreakResult result = PrintBreakResult::NotOpened;
  bool inMemory = false;  // print `text` (in place of the file, same address)
  std::string text;
};

/// Prepares a page for printing: rewrites it on disk when MayRewriteOnDisk
/// allows, otherwise rewrites it in memory. When `inMemory` is false the
/// file itself is printed.
PrintSource PreparePageForPrinting(const std::string& path, const std::string& root);
