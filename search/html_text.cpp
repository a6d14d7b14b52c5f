#include "search/html_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/text.h"

namespace search {
namespace {

struct Entity {
  const char* name;
  char32_t value;
};

// The HTML 4 entities and &apos;, sorted by name (byte order).
constexpr Entity kEntities[] = {
    {"AElig", 198}, {"Aacute", 193}, {"Acirc", 194}, {"Agrave", 192}, {"Alpha", 913}, {"Aring", 197},
    {"Atilde", 195}, {"Auml", 196}, {"Beta", 914}, {"Ccedil", 199}, {"Chi", 935}, {"Dagger", 8225},
    {"Delta", 916}, {"ETH", 208}, {"Eacute", 201}, {"Ecirc", 202}, {"Egrave", 200}, {"Epsilon", 917},
    {"Eta", 919}, {"Euml", 203}, {"Gamma", 915}, {"Iacute", 205}, {"Icirc", 206}, {"Igrave", 204},
    {"Iota", 921}, {"Iuml", 207}, {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924}, {"Ntilde", 209}, {"Nu", 925},
    {"OElig", 338}, {"Oacute", 211}, {"Ocirc", 212}, {"Ograve", 210}, {"Omega", 937}, {"Omicron", 927},
    {"Oslash", 216}, {"Otilde", 213}, {"Ouml", 214}, {"Phi", 934}, {"Pi", 928}, {"Prime", 8243}, {"Psi", 936},
    {"Rho", 929}, {"Scaron", 352}, {"Sigma", 931}, {"THORN", 222}, {"Tau", 932}, {"Theta", 920},
    {"Uacute", 218}, {"Ucirc", 219}, {"Ugrave", 217}, {"Upsilon", 933}, {"Uuml", 220}, {"Xi", 926},
    {"Yacute", 221}, {"Yuml", 376}, {"Zeta", 918}, {"aacute", 225}, {"acirc", 226}, {"acute", 180},
    {"aelig", 230}, {"agrave", 224}, {"alefsym", 8501}, {"alpha", 945}, {"amp", 38}, {"and", 8743},
    {"ang", 8736}, {"apos", 39}, {"aring", 229}, {"asymp", 8776}, {"atilde", 227}, {"auml", 228},
    {"bdquo", 8222}, {"beta", 946}, {"brvbar", 166}, {"bull", 8226}, {"cap", 8745}, {"ccedil", 231},
    {"cedil", 184}, {"cent", 162}, {"chi", 967}, {"circ", 710}, {"clubs", 9827}, {"cong", 8773},
    {"copy", 169}, {"crarr", 8629}, {"cup", 8746}, {"curren", 164}, {"dArr", 8659}, {"dagger", 8224},
    {"darr", 8595}, {"deg", 176}, {"delta", 948}, {"diams", 9830}, {"divide", 247}, {"eacute", 233},
    {"ecirc", 234}, {"egrave", 232}, {"empty", 8709}, {"emsp", 8195}, {"ensp", 8194}, {"epsilon", 949},
    {"equiv", 8801}, {"eta", 951}, {"eth", 240}, {"euml", 235}, {"euro", 8364}, {"exist", 8707},
    {"fnof", 402}, {"forall", 8704}, {"frac12", 189}, {"frac14", 188}, {"frac34", 190}, {"frasl", 8260},
    {"gamma", 947}, {"ge", 8805}, {"gt", 62}, {"hArr", 8660}, {"harr", 8596}, {"hearts", 9829},
    {"hellip", 8230}, {"iacute", 237}, {"icirc", 238}, {"iexcl", 161}, {"igrave", 236}, {"image", 8465},
    {"infin", 8734}, {"int", 8747}, {"iota", 953}, {"iquest", 191}, {"isin", 8712}, {"iuml", 239},
    {"kappa", 954}, {"lArr", 8656}, {"lambda", 955}, {"lang", 9001}, {"laquo", 171}, {"larr", 8592},
    {"lceil", 8968}, {"ldquo", 8220}, {"le", 8804}, {"lfloor", 8970}, {"lowast", 8727}, {"loz", 9674},
    {"lrm", 8206}, {"lsaquo", 8249}, {"lsquo", 8216}, {"lt", 60}, {"macr", 175}, {"mdash", 8212},
    {"micro", 181}, {"middot", 183}, {"minus", 8722}, {"mu", 956}, {"nabla", 8711}, {"nbsp", 160},
    {"ndash", 8211}, {"ne", 8800}, {"ni", 8715}, {"not", 172}, {"notin", 8713}, {"nsub", 8836},
    {"ntilde", 241}, {"nu", 957}, {"oacute", 243}, {"ocirc", 244}, {"oelig", 339}, {"ograve", 242},
    {"oline", 8254}, {"omega", 969}, {"omicron", 959}, {"oplus", 8853}, {"or", 8744}, {"ordf", 170},
    {"ordm", 186}, {"oslash", 248}, {"otilde", 245}, {"otimes", 8855}, {"ouml", 246}, {"para", 182},
    {"part", 8706}, {"permil", 8240}, {"perp", 8869}, {"phi", 966}, {"pi", 960}, {"piv", 982},
    {"plusmn", 177}, {"pound", 163}, {"prime", 8242}, {"prod", 8719}, {"prop", 8733}, {"psi", 968},
    {"quot", 34}, {"rArr", 8658}, {"radic", 8730}, {"rang", 9002}, {"raquo", 187}, {"rarr", 8594},
    {"rceil", 8969}, {"rdquo", 8221}, {"real", 8476}, {"reg", 174}, {"rfloor", 8971}, {"rho", 961},
    {"rlm", 8207}, {"rsaquo", 8250}, {"rsquo", 8217}, {"sbquo", 8218}, {"scaron", 353}, {"sdot", 8901},
    {"sect", 167}, {"shy", 173}, {"sigma", 963}, {"sigmaf", 962}, {"sim", 8764}, {"spades", 9824},
    {"sub", 8834}, {"sube", 8838}, {"sum", 8721}, {"sup", 8835}, {"sup1", 185}, {"sup2", 178}, {"sup3", 179},
    {"supe", 8839}, {"szlig", 223}, {"tau", 964}, {"there4", 8756}, {"theta", 952}, {"thetasym", 977},
    {"thinsp", 8201}, {"thorn", 254}, {"tilde", 732}, {"times", 215}, {"trade", 8482}, {"uArr", 8657},
    {"uacute", 250}, {"uarr", 8593}, {"ucirc", 251}, {"ugrave", 249}, {"uml", 168}, {"upsih", 978},
    {"upsilon", 965}, {"uuml", 252}, {"weierp", 8472}, {"xi", 958}, {"yacute", 253}, {"yen", 165},
    {"yuml", 255}, {"zeta", 950}, {"zwj", 8205}, {"zwnj", 8204},
};

// Entities a page may write without the closing ";" (the common legacy ones).
constexpr const char* kBareEntities[] = {"amp", "lt", "gt", "quot", "nbsp", "copy", "reg"};

// Tags that do not break a line: the words on both sides may be one word.
constexpr const char* kInlineTags[] = {"a",    "abbr", "acronym", "b",     "bdi",    "bdo",  "big",
                                       "cite", "code", "data",    "dfn",   "em",     "font", "i",
                                       "kbd",  "mark", "nobr",    "q",     "s",      "samp", "small",
                                       "span", "strike", "strong", "sub",  "sup",    "time", "tt",
                                       "u",    "var",  "wbr"};

constexpr std::size_t kCharsetScan = 8192;

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiAlnum(char c) { return IsAsciiAlpha(c) || (c >= '0' && c <= '9'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

// Position of the case-insensitive `needle` (lower case) in `s` from `from`, or npos.
std::size_t FindNoCase(std::string_view s, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from;
  const char first = needle[0];
  for (std::size_t i = from; i + needle.size() <= s.size(); ++i) {
    if (LowerAscii(s[i]) != first) continue;
    std::size_t k = 1;
    while (k < needle.size() && LowerAscii(s[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

// Collects text with runs of blanks collapsed to one space, up to a limit.
// Control characters count as blanks.
class TextSink {
 public:
  explicit TextSink(std::string& out) : out_(out) {}
  void Blank() { pendingBlank_ = !out_.empty(); }
  void Char(char c) { Text(std::string_view(&c, 1)); }
  void Text(std::string_view s) {
    if (full_) return;
    std::size_t i = 0;
    while (i < s.size()) {
      // A run of word bytes goes in at once.
      std::size_t j = i;
      while (j < s.size() && !IsBlankByte(s[j])) ++j;
      if (j > i) {
        if (pendingBlank_) out_ += ' ';
        pendingBlank_ = false;
        out_.append(s.data() + i, j - i);
      }
      if (j < s.size()) Blank();
      i = j + 1;
    }
    if (out_.size() >= kMaxPageText) {
      out_.resize(TruncateUtf8(out_, kMaxPageText - 4).size());
      while (!out_.empty() && out_.back() == ' ') out_.pop_back();
      full_ = true;
    }
  }
  void CodePoint(char32_t cp) {
    if (cp == 0xA0 || cp < 0x20 || cp == 0x7F) {
      Blank();
      return;
    }
    std::string utf8;
    AppendCodePoint(cp, utf8);
    Text(utf8);
  }
  bool Full() const { return full_; }

 private:
  static bool IsBlankByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
  }
  std::string& out_;
  bool pendingBlank_ = false;
  bool full_ = false;
};

// Decodes the entity starting at s[i] == '&'. Returns the bytes consumed
// (0 when this is no entity; the "&" is then plain text).
std::size_t DecodeEntity(std::string_view s, std::size_t i, char32_t& cp) {
  std::size_t j = i + 1;
  if (j < s.size() && s[j] == '#') {
    ++j;
    const bool hex = j < s.size() && (s[j] == 'x' || s[j] == 'X');
    if (hex) ++j;
    const std::size_t digits = j;
    char32_t value = 0;
    while (j < s.size()) {
      const char c = s[j];
      int d = -1;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (hex && LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f') d = LowerAscii(c) - 'a' + 10;
      if (d < 0) break;
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<char32_t>(d);
      ++j;
    }
    if (j == digits) return 0;
    if (j < s.size() && s[j] == ';') ++j;
    if (value >= 0x80 && value < 0xA0) {
      // References to C1 controls mean the Windows-1252 characters.
      std::string one(1, static_cast<char>(value));
      std::string utf8;
      AppendAsUtf8(one, CharsetChoice{}, utf8);
      std::size_t k = 0;
      value = NextCodePoint(utf8, k);
    }
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) value = 0xFFFD;
    cp = value;
    return j - i;
  }
  while (j < s.size() && j - i <= 10 && IsAsciiAlnum(s[j])) ++j;
  const std::string_view name = s.substr(i + 1, j - i - 1);
  if (name.empty()) return 0;
  const bool semicolon = j < s.size() && s[j] == ';';
  if (!semicolon) {
    // Only the common legacy names work without ";", and only as a prefix.
    for (const char* bare : kBareEntities) {
      const std::size_t n = std::strlen(bare);
      if (name.substr(0, n) == bare) {
        cp = LookupEntity(bare);
        return 1 + n;
      }
    }
    return 0;
  }
  const char32_t value = LookupEntity(name);
  if (value == 0) return 0;
  cp = value;
  return j + 1 - i;
}

// Text up to the closing tag `</name`, entities decoded (a title).
void AppendRcdata(std::string_view s, TextSink& sink) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = 0;
    if (s[i] == '&') {
      if (const std::size_t n = DecodeEntity(s, i, cp)) {
        sink.CodePoint(cp);
        i += n - 1;
        continue;
      }
    }
    sink.Char(s[i]);
  }
}

// The end of the tag that starts at s[i] == '<' (the index after its '>'),
// skipping quoted attribute values; s.size() when it never closes.
std::size_t SkipTag(std::string_view s, std::size_t i) {
  char quote = 0;
  char lastSeen = 0;  // the last non-blank character outside quotes
  for (std::size_t j = i + 1; j < s.size(); ++j) {
    const char c = s[j];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '>') return j + 1;
    // Only a quote that opens an attribute value counts ("a='x'", not "don't").
    if ((c == '"' || c == '\'') && lastSeen == '=') quote = c;
    if (!IsBlank(c)) lastSeen = c;
  }
  return s.size();
}

// The value of attribute `name` in the tag text `tag` (between "<" and ">").
std::string AttributeValue(std::string_view tag, std::string_view name) {
  std::size_t i = 0;
  while (i < tag.size()) {
    while (i < tag.size() && !IsAsciiAlpha(tag[i])) ++i;
    const std::size_t start = i;
    while (i < tag.size() && (IsAsciiAlnum(tag[i]) || tag[i] == '-' || tag[i] == '_')) ++i;
    const std::string attr = Lower(tag.substr(start, i - start));
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    std::string value;
    if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
      const char q = tag[i++];
      const std::size_t end = tag.find(q, i);
      value = std::string(tag.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
      i = end == std::string_view::npos ? tag.size() : end + 1;
    } else {
      const std::size_t v = i;
      while (i < tag.size() && !IsBlank(tag[i]) && tag[i] != '>') ++i;
      value = std::string(tag.substr(v, i - v));
    }
    if (attr == name) return value;
  }
  return {};
}

// The charset named by "...; charset=NAME" in a Content-Type value.
std::string CharsetOfContentType(std::string_view content) {
  const std::size_t at = FindNoCase(content, "charset", 0);
  if (at == std::string_view::npos) return {};
  std::size_t i = at + 7;
  while (i < content.size() && IsBlank(content[i])) ++i;
  if (i >= content.size() || content[i] != '=') return {};
  ++i;
  while (i < content.size() && (IsBlank(content[i]) || content[i] == '"' || content[i] == '\'')) ++i;
  const std::size_t start = i;
  while (i < content.size() && !IsBlank(content[i]) && content[i] != ';' && content[i] != '"' && content[i] != '\'') ++i;
  return std::string(content.substr(start, i - start));
}

bool IsInlineTag(std::string_view name) {
  for (const char* tag : kInlineTags) {
    if (name == tag) return true;
  }
  return false;
}

}  // namespace

char32_t LookupEntity(std::string_view name) {
  const auto* end = std::end(kEntities);
  const auto* it = std::lower_bound(std::begin(kEntities), end, name,
                                    [](const Entity& e, std::string_view n) { return std::string_view(e.name) < n; });
  return (it != end && std::string_view(it->name) == name) ? it->value : 0;
}

CharsetChoice DetectHtmlCharset(std::string_view bytes) {
  CharsetChoice bom = CharsetFromBom(bytes);
  if (bom.bomLength > 0) return bom;
  const std::string_view head = bytes.substr(0, kCharsetScan);
  for (std::size_t at = FindNoCase(head, "<meta", 0); at != std::string_view::npos;
       at = FindNoCase(head, "<meta", at + 5)) {
    const std::size_t end = head.find('>', at);
    const std::string_view tag = head.substr(at + 5, end == std::string_view::npos ? std::string_view::npos : end - at - 5);
    std::string label = AttributeValue(tag, "charset");
    if (label.empty() && platform::EqualsNoCase(AttributeValue(tag, "http-equiv"), "content-type")) {
      label = CharsetOfContentType(AttributeValue(tag, "content"));
    }
    CharsetChoice choice;
    if (CharsetFromLabel(label, choice)) return choice;
  }
  return CharsetChoice{};
}

PageText ExtractHtmlText(std::string_view bytes) {
  PageText page;
  const CharsetChoice charset = DetectHtmlCharset(bytes);
  bytes.remove_prefix(charset.bomLength);
  const bool wide = charset.charset == Charset::Utf16LE || charset.charset == Charset::Utf16BE;
  if (!wide && bytes.substr(0, kCharsetScan).find('\0') != std::string_view::npos) {
    page.binary = true;
    return page;
  }
  std::string text;
  AppendAsUtf8(bytes, charset, text);
  const std::string_view s(text);

  TextSink body(page.body);
  bool haveTitle = false;
  std::size_t i = 0;
  page.body.reserve(std::min(s.size(), kMaxPageText));
  while (i < s.size() && !body.Full()) {
    // Text up to the next tag or entity goes in as one run.
    std::size_t next = i;
    while (next < s.size() && s[next] != '<' && s[next] != '&') ++next;
    if (next > i) {
      body.Text(s.substr(i, next - i));
      i = next;
      continue;
    }
    const char c = s[i];
    if (c == '&') {
      char32_t cp = 0;
      if (const std::size_t n = DecodeEntity(s, i, cp)) {
        body.CodePoint(cp);
        i += n;
        continue;
      }
      body.Char(c);
      ++i;
      continue;
    }
    if (s.substr(i, 4) == "<!--") {
      const std::size_t end = s.find("-->", i + 4);
      i = end == std::string_view::npos ? s.size() : end + 3;
      continue;
    }
    const bool closing = i + 1 < s.size() && s[i + 1] == '/';
    const std::size_t nameStart = i + (closing ? 2 : 1);
    if (nameStart < s.size() && (s[nameStart] == '!' || s[nameStart] == '?')) {
      i = SkipTag(s, i);  // doctype, processing instruction
      continue;
    }
    if (nameStart >= s.size() || !IsAsciiAlpha(s[nameStart])) {
      body.Char(c);  // a "<" that opens no tag is text
      ++i;
      continue;
    }
    std::size_t nameEnd = nameStart;
    while (nameEnd < s.size() && (IsAsciiAlnum(s[nameEnd]) || s[nameEnd] == '-' || s[nameEnd] == ':')) ++nameEnd;
    const std::string name = Lower(s.substr(nameStart, std::min<std::size_t>(nameEnd - nameStart, 16)));
    i = SkipTag(s, i);
    if (closing) {
      if (!IsInlineTag(name)) body.Blank();
      continue;
    }
    if (name == "script" || name == "style" || name == "title" || name == "textarea" || name == "noscript") {
      // Raw text up to the matching end tag.
      const std::size_t end = FindNoCase(s, "</" + name, i);
      const std::string_view inner = s.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i);
      if (name == "title" && !haveTitle) {
        TextSink title(page.title);
        AppendRcdata(inner, title);
        haveTitle = true;
      } else if (name == "textarea") {
        AppendRcdata(inner, body);
      }
      i = end == std::string_view::npos ? s.size() : SkipTag(s, end);
      body.Blank();
      continue;
    }
    if (!IsInlineTag(name)) body.Blank();
  }
  return page;
}

PageText ExtractPlainText(std::string_view bytes) {
  PageText page;
  CharsetChoice charset = CharsetFromBom(bytes);
  bytes.remove_prefix(charset.bomLength);
  const bool wide = charset.charset == Charset::Utf16LE || charset.charset == Charset::Utf16BE;
  if (!wide && bytes.substr(0, kCharsetScan).find('\0') != std::string_view::npos) {
    page.binary = true;
    return page;
  }
  if (charset.bomLength == 0) {
    charset.charset = Charset::Utf8;
    for (std::size_t i = 0; i < bytes.size();) {
      const std::size_t len = Utf8SequenceLength(bytes, i);
      if (len == 0) {
        charset.charset = Charset::Windows1252;
        break;
      }
      i += len;
    }
  }
  std::string text;
  AppendAsUtf8(bytes.substr(0, kMaxPageText), charset, text);
  TextSink body(page.body);
  body.Text(text);
  return page;
}

}  // namespace search
