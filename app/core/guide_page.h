#pragma once
// The user's guide as the page the help window shows. The guide is either
// the README's section for users, in the small part of Markdown it uses
// (headings, paragraphs, lists, indented or fenced code, `code` and
// **strong** spans), or the manual page as `man` formats it, which is shown
// as it stands. The page runs no script and loads nothing.

#include <string>

namespace quiro {

/// The HTML page for guide text `text` under the window title `title`:
/// Markdown when the text starts with a "#" heading, else preformatted
/// text. Every character of the text is escaped; links show their text.
std::string GuidePageHtml(const std::string& text, const std::string& title);

}  // namespace quiro
