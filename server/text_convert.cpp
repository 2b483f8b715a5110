// UTF-8 decoding, HTML to text through libxml2, transliteration through ICU, and the
// Windows-1252 table.
#include "text_convert.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Windows-1252's 0x80-0x9F row; 0 marks the five unused positions.
const char16_t kHighRow[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Characters with no byte of their own that have a close one.
struct Fold {
  char32_t codePoint;
  unsigned char byte;
};
const Fold kFolds[] = {
    {0x2010, '-'},  {0x2011, '-'},  {0x2012, 0x96}, {0x2015, 0x97}, {0x2032, '\''},
    {0x2033, '"'},  {0x2043, '-'},  {0x2212, '-'},  {0x2044, '/'},  {0x2024, '.'},
    {0x201B, 0x91}, {0x201F, 0x93}, {0x2027, 0xB7}, {0x2219, 0xB7}, {0x02BC, 0x92},
};

// Decodes one UTF-8 sequence at text[i]; invalid bytes (overlong forms, surrogates, values past
// U+10FFFF, cut sequences) give U+FFFD and a length of 1, so each bad byte becomes one '?'.
char32_t DecodeUtf8(std::string_view text, size_t i, size_t* length) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  *length = 1;
  if (c < 0x80) return c;
  int extra;
  char32_t value;
  char32_t minimum;
  if (c >= 0xC2 && c <= 0xDF) {
    extra = 1, value = c & 0x1F, minimum = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    extra = 2, value = c & 0x0F, minimum = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    extra = 3, value = c & 0x07, minimum = 0x10000;
  } else {
    return kReplacement;
  }
  if (i + extra >= text.size()) return kReplacement;
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return kReplacement;
  }
  *length = static_cast<size_t>(extra) + 1;
  return value;
}

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// White space and controls, which all become (one) space.
bool IsSpaceLike(char32_t c) {
  return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Characters that take no room and split nothing: zero-width ones, the byte-order mark, soft
// hyphens, variation selectors.
bool IsZeroWidth(char32_t c) {
  return (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF || c == 0xAD ||
         (c >= 0xFE00 && c <= 0xFE0F);
}

// A combining mark (a decomposed accent, a Thai tone mark): it belongs to the letter before it.
bool IsMark(char32_t c) {
  const int8_t type = u_charType(static_cast<UChar32>(c));
  return type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_COMBINING_SPACING_MARK;
}

// What is left out of a headline: zero-width characters, other format characters, and marks
// that neither composition nor transliteration took up (an accent loses itself, not a '?').
bool IsInvisible(char32_t c) {
  return IsZeroWidth(c) || IsMark(c) || u_charType(static_cast<UChar32>(c)) == U_FORMAT_CHAR;
}

}  // namespace

unsigned char Windows1252Byte(char32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<unsigned char>(codePoint);
  }
  for (int i = 0; i < 32; ++i) {
    if (kHighRow[i] != 0 && kHighRow[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
  }
  for (const Fold& fold : kFolds) {
    if (fold.codePoint == codePoint) return fold.byte;
  }
  return 0;
}

std::string Utf8ToWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t length;
    const char32_t c = DecodeUtf8(utf8, i, &length);
    i += length;
    const unsigned char byte = Windows1252Byte(c);
    out += (byte != 0 || c == 0) ? static_cast<char>(byte) : '?';
  }
  return out;
}

namespace {

// No more of a text is looked at than this: a headline is cut at a few hundred bytes anyway.
constexpr size_t kMaxInputBytes = 64 * 1024;

std::string_view CapInput(std::string_view text) {
  if (text.size() <= kMaxInputBytes) return text;
  size_t end = kMaxInputBytes;
  // Back up to the start of a UTF-8 sequence so that the cut makes no bad byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

// Valid UTF-8 for the HTML parser, which otherwise takes the first bad byte as a sign that the
// whole text is Latin-1. NULs become spaces since the parser would end the text there.
std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t length;
    const char32_t c = DecodeUtf8(text, i, &length);
    if (c == 0) {
      out += ' ';
    } else if (c == kReplacement && length == 1) {
      AppendUtf8(kReplacement, &out);
    } else {
      out.append(text.substr(i, length));
    }
    i += length;
  }
  return out;
}

// The Windows-1252 character a C1 control stands for: feeds written in that code page and
// labelled Latin-1 carry their curly quotes this way, as bytes or as "&#146;".
char32_t FromC1(char32_t c) {
  if (c >= 0x80 && c <= 0x9F && kHighRow[c - 0x80] != 0) return kHighRow[c - 0x80];
  return c;
}

// Numeric references in the C1 range rewritten to the character HTML takes them for; libxml2
// would drop them. Only the reference changes, so the parser still reads all the markup.
std::string FixC1References(std::string_view html) {
  std::string out;
  out.reserve(html.size());
  size_t i = 0;
  while (i < html.size()) {
    const size_t amp = html.find("&#", i);
    if (amp == std::string_view::npos) break;
    out.append(html.substr(i, amp - i));
    size_t end = amp + 2;
    const bool hex = end < html.size() && (html[end] == 'x' || html[end] == 'X');
    if (hex) ++end;
    unsigned value = 0;
    size_t digits = 0;
    while (end < html.size() && digits < 8) {
      const char d = html[end];
      unsigned digit;
      if (d >= '0' && d <= '9') {
        digit = d - '0';
      } else if (hex && ((d | 0x20) >= 'a' && (d | 0x20) <= 'f')) {
        digit = (d | 0x20) - 'a' + 10;
      } else {
        break;
      }
      value = value * (hex ? 16 : 10) + digit;
      ++digits, ++end;
    }
    const char32_t mapped = FromC1(value);
    if (digits > 0 && value >= 0x80 && value <= 0x9F && mapped != value) {
      out += "&#" + std::to_string(static_cast<unsigned>(mapped)) + ";";
      if (end < html.size() && html[end] == ';') ++end;
    } else {
      out.append(html.substr(amp, end - amp));
    }
    i = end;
  }
  out.append(html.substr(std::min(i, html.size())));
  return out;
}

void InitLibxml() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

// Elements whose text is never displayed as part of the page.
bool IsHiddenElement(const char* name) {
  static const char* const kHidden[] = {"script", "style",  "template", "head",   "title",
                                        "iframe", "object", "embed",    "applet", "noembed"};
  for (const char* hidden : kHidden) {
    if (std::strcmp(name, hidden) == 0) return true;
  }
  return false;
}

// A block or a line break separates words; inline elements ("<b>H</b>ello") do not.
bool SeparatesWords(const char* name) {
  if (std::strcmp(name, "br") == 0 || std::strcmp(name, "td") == 0 ||
      std::strcmp(name, "th") == 0 || std::strcmp(name, "img") == 0) {
    return true;
  }
  const htmlElemDesc* desc = htmlTagLookup(reinterpret_cast<const xmlChar*>(name));
  return desc != nullptr && !desc->isinline;
}

// The text of a parsed tree in document order, walked without recursion: the parser bounds the
// depth, but this walk need not rely on it.
void CollectText(xmlNode* root, std::string* out) {
  xmlNode* node = root;
  while (node != nullptr) {
    bool descend = false;
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      if (node->content != nullptr) *out += reinterpret_cast<const char*>(node->content);
    } else if (node->type == XML_ELEMENT_NODE && node->name != nullptr) {
      const char* name = reinterpret_cast<const char*>(node->name);
      if (!IsHiddenElement(name)) {
        if (SeparatesWords(name)) *out += ' ';
        descend = node->children != nullptr;
      }
    }
    if (descend) {
      node = node->children;
      continue;
    }
    // Up until a node has a next sibling, closing the blocks left on the way.
    while (node != nullptr && node->next == nullptr) {
      node = node->parent;
      if (node == nullptr || node->type != XML_ELEMENT_NODE) {
        node = nullptr;
        break;
      }
      if (SeparatesWords(reinterpret_cast<const char*>(node->name))) *out += ' ';
    }
    if (node != nullptr) node = node->next;
  }
}

// One transliterator per thread: creating one costs milliseconds, and ICU does not promise that
// one may be used by two threads at once.
const icu::Transliterator* LatinTransliterator() {
  thread_local std::unique_ptr<icu::Transliterator> transliterator;
  thread_local bool tried = false;
  if (!tried) {
    tried = true;
    UErrorCode status = U_ZERO_ERROR;
    transliterator.reset(
        icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    if (U_FAILURE(status)) transliterator.reset();
  }
  return transliterator.get();
}

// Appends the code points of a run of characters Windows-1252 lacks, in Latin letters where ICU
// knows how; the run is left as it is (and so becomes '?'s) where it does not.
void AppendTransliterated(const icu::UnicodeString& run, std::u32string* out) {
  icu::UnicodeString latin(run);
  if (const icu::Transliterator* transliterator = LatinTransliterator()) {
    transliterator->transliterate(latin);
  }
  for (int32_t i = 0; i < latin.length();) {
    const UChar32 c = latin.char32At(i);
    *out += static_cast<char32_t>(c);
    i += U16_LENGTH(c);
  }
}

// The text as code points: composed, C1 controls taken for Windows-1252, what has no byte
// transliterated; white space and invisible characters are kept for the final pass. Stops once
// more than `enough` visible characters are gathered.
std::u32string PrepareCodePoints(std::string_view utf8, size_t enough) {
  icu::UnicodeString text;
  for (size_t i = 0; i < utf8.size();) {
    size_t length;
    const char32_t c = DecodeUtf8(utf8, i, &length);
    i += length;
    text.append(static_cast<UChar32>(FromC1(c)));
  }
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_SUCCESS(status)) {
    icu::UnicodeString composed = nfc->normalize(text, status);
    if (U_SUCCESS(status)) text = composed;
  }
  std::u32string out;
  icu::UnicodeString run;
  size_t visible = 0;
  for (int32_t i = 0; i < text.length() && visible <= enough;) {
    const char32_t c = static_cast<char32_t>(text.char32At(i));
    i += U16_LENGTH(c);
    // A mark goes with the run it follows, so that a script's vowel signs are transliterated
    // with their letters; one after a Windows-1252 letter stays alone and is dropped later.
    if (IsSpaceLike(c) || IsZeroWidth(c) || (Windows1252Byte(c) != 0 && !IsMark(c))) {
      if (!run.isEmpty()) {
        AppendTransliterated(run, &out);
        run.remove();
      }
      out += c;
      if (!IsSpaceLike(c) && !IsZeroWidth(c)) ++visible;
    } else {
      run.append(static_cast<UChar32>(c));
      if (!IsMark(c)) ++visible;
    }
  }
  if (!run.isEmpty()) AppendTransliterated(run, &out);
  return out;
}

}  // namespace

std::string HtmlToText(std::string_view html) {
  InitLibxml();
  const std::string source = FixC1References(ValidUtf8(CapInput(html)));
  if (source.find_first_not_of(" \t\r\n") == std::string::npos) return std::string();
  htmlDocPtr document =
      htmlReadMemory(source.data(), static_cast<int>(source.size()), nullptr, "UTF-8",
                     HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
  if (document == nullptr) return std::string();
  std::string text;
  CollectText(document->children, &text);
  xmlFreeDoc(document);
  return text;
}

HtmlElementKind HtmlElementKindOf(std::string_view name) {
  if (name.empty() || name.size() > 16) return HtmlElementKind::kUnknown;
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  const htmlElemDesc* desc = htmlTagLookup(reinterpret_cast<const xmlChar*>(lower.c_str()));
  if (desc == nullptr) return HtmlElementKind::kUnknown;
  return desc->empty ? HtmlElementKind::kVoid : HtmlElementKind::kContainer;
}

std::string CleanHeadline(std::string_view utf8, bool isHtml, size_t maxChars) {
  utf8 = CapInput(utf8);
  std::string text;
  if (isHtml) {
    text = HtmlToText(utf8);
    utf8 = text;
  }
  const std::u32string codePoints = PrepareCodePoints(utf8, maxChars + 1);
  std::string out;
  out.reserve(std::min(codePoints.size(), maxChars + 1));
  bool pendingSpace = false;
  for (const char32_t c : codePoints) {
    if (IsSpaceLike(c)) {
      pendingSpace = !out.empty();
      continue;
    }
    if (IsInvisible(c)) continue;
    if (pendingSpace) out += ' ';
    pendingSpace = false;
    const unsigned char byte = Windows1252Byte(c);
    out += byte != 0 ? static_cast<char>(byte) : '?';
    // Far more than can be shown is not worth converting.
    if (out.size() > maxChars + 1) break;
  }
  if (out.size() <= maxChars) return out;
  if (maxChars == 0) return std::string();
  // Cut to leave room for the ellipsis, at the last space if that keeps most of the text.
  size_t cut = maxChars - 1;
  const size_t space = out.rfind(' ', cut);
  if (space != std::string::npos && space >= cut / 2) cut = space;
  out.resize(cut);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  out += '\x85';
  return out;
}
