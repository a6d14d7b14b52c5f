// The user's guide turned into the help window's page.

#include "app/core/guide_page.h"

#include <gtest/gtest.h>

namespace {

// The page's body, without the head every page shares.
std::string Body(const std::string& text) {
  const std::string page = quiro::GuidePageHtml(text, "Help");
  const std::size_t start = page.find("<body>\n") + 7;
  return page.substr(start, page.rfind("</body>") - start);
}

TEST(GuidePage, MarkdownBlocksAndSpans) {
  struct Case {
    std::string text;
    std::string body;
  };
  const Case cases[] = {
      {"## Using the viewer\n\nOne\nparagraph.\n\nTwo.\n",
       "<h2>Using the viewer</h2>\n<p>One paragraph.</p>\n<p>Two.</p>\n"},
      {"# Keys\n    Ctrl+F   find\n                 Esc closes\n\n    F1       this\nAfter\n",
       "<h1>Keys</h1>\n<pre>Ctrl+F   find\n             Esc closes\n\nF1       this\n</pre>\n<p>After</p>\n"},
      {"# L\n- one\n  goes on\n- `two` **b**\n\n1. first\n2. second\n",
       "<h1>L</h1>\n<ul>\n<li>one goes on</li>\n<li><code>two</code> <strong>b</strong></li>\n</ul>\n"
       "<ol>\n<li>first</li>\n<li>second</li>\n</ol>\n"},
      {"# F\n```\n<b>&\n```\nsee [the page](http://x/\"y) and [x\n",
       "<h1>F</h1>\n<pre>&lt;b&gt;&amp;\n</pre>\n<p>see the page and [x</p>\n"},
      // Markup in the text is text: nothing of it becomes an element.
      {"# <script>alert(1)</script>\n`<img src=x onerror=y>` **<i>**\n",
       "<h1>&lt;script&gt;alert(1)&lt;/script&gt;</h1>\n"
       "<p><code>&lt;img src=x onerror=y&gt;</code> <strong>&lt;i&gt;</strong></p>\n"},
      // An unclosed fence runs to the end; an unclosed span stays text.
      {"#\n```\ncode", "<p>#</p>\n<pre>code\n</pre>\n"},
      {"# x\n`a **b\n", "<h1>x</h1>\n<p>`a **b</p>\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Body(c.text), c.body) << c.text;
}

TEST(GuidePage, AManualPageShowsAsItStandsUnderTheOwnPagesPolicy) {
  EXPECT_EQ(Body("QUIRO(1)   <General>\n\nNAME\n  quiro\n"),
            "<pre>QUIRO(1)   &lt;General&gt;\n\nNAME\n  quiro\n</pre>\n");
  const std::string page = quiro::GuidePageHtml("## x", "a <b>");
  EXPECT_NE(page.find("Content-Security-Policy"), std::string::npos);
  EXPECT_NE(page.find("script-src 'none'"), std::string::npos);
  EXPECT_NE(page.find("<title>a &lt;b&gt;</title>"), std::string::npos);
}

}  // namespace
