#include "platform/form_query.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct QueryCase {
  const char* query;  // as the engine puts it after "?"
  const char* words;  // what the search is asked for
};

TEST(FormQuery, SearchWordsComeBackAsTheFormEncodedThem) {
  const QueryCase cases[] = {
      // A UTF-8 page's form.
      {"q=%E5%86%85%E5%AD%98", "\xe5\x86\x85\xe5\xad\x98"},
      {"q=caf%C3%A9+%E2%82%AC", "caf\xc3\xa9 \xe2\x82\xac"},
      // A Windows-1252 page's form: its own bytes, and references for what
      // the charset cannot hold, decimal or hexadecimal.
      {"q=caf%E9+%80", "caf\xc3\xa9 \xe2\x82\xac"},
      {"q=%26%2320869%3B%26%2323384%3B", "\xe5\x86\x85\xe5\xad\x98"},
      {"q=%26%23x5185%3B%26%23X5B58%3B", "\xe5\x86\x85\xe5\xad\x98"},
      {"q=caf%E9+%26%2320869%3B", "caf\xc3\xa9 \xe5\x86\x85"},
      // What is no reference a form writes stays as typed.
      {"q=%26%23%3B+%26%2365+%26%230%3B+%26%2355296%3B+%26%231114112%3B", "&#; &#65 &#0; &#55296; &#1114112;"},
      {"q=%26%23123456789%3B", "&#123456789;"},
      // The charset the form names wins over the guess: a UTF-8 form sends
      // references only when they were typed.
      {"_charset_=UTF-8&q=%26%2320869%3B", "&#20869;"},
      {"q=%C3%A9&_charset_=windows-1252", "\xc3\x83\xc2\xa9"},
      {"_charset_=ISO-8859-1&q=%E9", "\xc3\xa9"},
      {"_charset_=utf-8&q=%E9x", "\xef\xbf\xbdx"},
      // Query string forms.
      {"q=a+b%2Bc&x=1", "a b+c"},
      {"x=1&q=%zz%4", "%zz%4"},
      {"qq=1&q=", ""},
      {"", ""},
  };
  for (const QueryCase& c : cases) EXPECT_EQ(DecodeSearchQuery(c.query), c.words) << c.query;
}

}  // namespace
