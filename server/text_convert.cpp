// UTF-8 decoding, HTML clean-up and the Windows-1252 table.
#include "text_convert.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The HTML 4 character entity names, sorted by byte value for a binary search.
struct NamedReference {
  const char* name;
  char32_t codePoint;
};
const NamedReference kNamedReferences[] = {
    {"AElig", 0xC6},     {"Aacute", 0xC1},    {"Acirc", 0xC2},    {"Agrave", 0xC0},
    {"Alpha", 0x391},    {"Aring", 0xC5},     {"Atilde", 0xC3},   {"Auml", 0xC4},
    {"Beta", 0x392},     {"Ccedil", 0xC7},    {"Chi", 0x3A7},     {"Dagger", 0x2021},
    {"Delta", 0x394},    {"ETH", 0xD0},       {"Eacute", 0xC9},   {"Ecirc", 0xCA},
    {"Egrave", 0xC8},    {"Epsilon", 0x395},  {"Eta", 0x397},     {"Euml", 0xCB},
    {"Gamma", 0x393},    {"Iacute", 0xCD},    {"Icirc", 0xCE},    {"Igrave", 0xCC},
    {"Iota", 0x399},     {"Iuml", 0xCF},      {"Kappa", 0x39A},   {"Lambda", 0x39B},
    {"Mu", 0x39C},       {"Ntilde", 0xD1},    {"Nu", 0x39D},      {"OElig", 0x152},
    {"Oacute", 0xD3},    {"Ocirc", 0xD4},     {"Ograve", 0xD2},   {"Omega", 0x3A9},
    {"Omicron", 0x39F},  {"Oslash", 0xD8},    {"Otilde", 0xD5},   {"Ouml", 0xD6},
    {"Phi", 0x3A6},      {"Pi", 0x3A0},       {"Prime", 0x2033},  {"Psi", 0x3A8},
    {"Rho", 0x3A1},      {"Scaron", 0x160},   {"Sigma", 0x3A3},   {"THORN", 0xDE},
    {"Tau", 0x3A4},      {"Theta", 0x398},    {"Uacute", 0xDA},   {"Ucirc", 0xDB},
    {"Ugrave", 0xD9},    {"Upsilon", 0x3A5},  {"Uuml", 0xDC},     {"Xi", 0x39E},
    {"Yacute", 0xDD},    {"Yuml", 0x178},     {"Zeta", 0x396},    {"aacute", 0xE1},
    {"acirc", 0xE2},     {"acute", 0xB4},     {"aelig", 0xE6},    {"agrave", 0xE0},
    {"alefsym", 0x2135}, {"alpha", 0x3B1},    {"amp", 0x26},      {"and", 0x2227},
    {"ang", 0x2220},     {"aring", 0xE5},     {"asymp", 0x2248},  {"atilde", 0xE3},
    {"auml", 0xE4},      {"bdquo", 0x201E},   {"beta", 0x3B2},    {"brvbar", 0xA6},
    {"bull", 0x2022},    {"cap", 0x2229},     {"ccedil", 0xE7},   {"cedil", 0xB8},
    {"cent", 0xA2},      {"chi", 0x3C7},      {"circ", 0x2C6},    {"clubs", 0x2663},
    {"cong", 0x2245},    {"copy", 0xA9},      {"crarr", 0x21B5},  {"cup", 0x222A},
    {"curren", 0xA4},    {"dArr", 0x21D3},    {"dagger", 0x2020}, {"darr", 0x2193},
    {"deg", 0xB0},       {"delta", 0x3B4},    {"diams", 0x2666},  {"divide", 0xF7},
    {"eacute", 0xE9},    {"ecirc", 0xEA},     {"egrave", 0xE8},   {"empty", 0x2205},
    {"emsp", 0x2003},    {"ensp", 0x2002},    {"epsilon", 0x3B5}, {"equiv", 0x2261},
    {"eta", 0x3B7},      {"eth", 0xF0},       {"euml", 0xEB},     {"euro", 0x20AC},
    {"exist", 0x2203},   {"fnof", 0x192},     {"forall", 0x2200}, {"frac12", 0xBD},
    {"frac14", 0xBC},    {"frac34", 0xBE},    {"frasl", 0x2044},  {"gamma", 0x3B3},
    {"ge", 0x2265},      {"gt", 0x3E},        {"hArr", 0x21D4},   {"harr", 0x2194},
    {"hearts", 0x2665},  {"hellip", 0x2026},  {"iacute", 0xED},   {"icirc", 0xEE},
    {"iexcl", 0xA1},     {"igrave", 0xEC},    {"image", 0x2111},  {"infin", 0x221E},
    {"int", 0x222B},     {"iota", 0x3B9},     {"iquest", 0xBF},   {"isin", 0x2208},
    {"iuml", 0xEF},      {"kappa", 0x3BA},    {"lArr", 0x21D0},   {"lambda", 0x3BB},
    {"lang", 0x2329},    {"laquo", 0xAB},     {"larr", 0x2190},   {"lceil", 0x2308},
    {"ldquo", 0x201C},   {"le", 0x2264},      {"lfloor", 0x230A}, {"lowast", 0x2217},
    {"loz", 0x25CA},     {"lrm", 0x200E},     {"lsaquo", 0x2039}, {"lsquo", 0x2018},
    {"lt", 0x3C},        {"macr", 0xAF},      {"mdash", 0x2014},  {"micro", 0xB5},
    {"middot", 0xB7},    {"minus", 0x2212},   {"mu", 0x3BC},      {"nabla", 0x2207},
    {"nbsp", 0xA0},      {"ndash", 0x2013},   {"ne", 0x2260},     {"ni", 0x220B},
    {"not", 0xAC},       {"notin", 0x2209},   {"nsub", 0x2284},   {"ntilde", 0xF1},
    {"nu", 0x3BD},       {"oacute", 0xF3},    {"ocirc", 0xF4},    {"oelig", 0x153},
    {"ograve", 0xF2},    {"oline", 0x203E},   {"omega", 0x3C9},   {"omicron", 0x3BF},
    {"oplus", 0x2295},   {"or", 0x2228},      {"ordf", 0xAA},     {"ordm", 0xBA},
    {"oslash", 0xF8},    {"otilde", 0xF5},    {"otimes", 0x2297}, {"ouml", 0xF6},
    {"para", 0xB6},      {"part", 0x2202},    {"permil", 0x2030}, {"perp", 0x22A5},
    {"phi", 0x3C6},      {"pi", 0x3C0},       {"piv", 0x3D6},     {"plusmn", 0xB1},
    {"pound", 0xA3},     {"prime", 0x2032},   {"prod", 0x220F},   {"prop", 0x221D},
    {"psi", 0x3C8},      {"quot", 0x22},      {"rArr", 0x21D2},   {"radic", 0x221A},
    {"rang", 0x232A},    {"raquo", 0xBB},     {"rarr", 0x2192},   {"rceil", 0x2309},
    {"rdquo", 0x201D},   {"real", 0x211C},    {"reg", 0xAE},      {"rfloor", 0x230B},
    {"rho", 0x3C1},      {"rlm", 0x200F},     {"rsaquo", 0x203A}, {"rsquo", 0x2019},
    {"sbquo", 0x201A},   {"scaron", 0x161},   {"sdot", 0x22C5},   {"sect", 0xA7},
    {"shy", 0xAD},       {"sigma", 0x3C3},    {"sigmaf", 0x3C2},  {"sim", 0x223C},
    {"spades", 0x2660},  {"sub", 0x2282},     {"sube", 0x2286},   {"sum", 0x2211},
    {"sup", 0x2283},     {"sup1", 0xB9},      {"sup2", 0xB2},     {"sup3", 0xB3},
    {"supe", 0x2287},    {"szlig", 0xDF},     {"tau", 0x3C4},     {"there4", 0x2234},
    {"theta", 0x3B8},    {"thetasym", 0x3D1}, {"thinsp", 0x2009}, {"thorn", 0xFE},
    {"tilde", 0x2DC},    {"times", 0xD7},     {"trade", 0x2122},  {"uArr", 0x21D1},
    {"uacute", 0xFA},    {"uarr", 0x2191},    {"ucirc", 0xFB},    {"ugrave", 0xF9},
    {"uml", 0xA8},       {"upsih", 0x3D2},    {"upsilon", 0x3C5}, {"uuml", 0xFC},
    {"weierp", 0x2118},  {"xi", 0x3BE},       {"yacute", 0xFD},   {"yen", 0xA5},
    {"yuml", 0xFF},      {"zeta", 0x3B6},     {"zwj", 0x200D},    {"zwnj", 0x200C},
};

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

bool IsAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

// White space and controls, which all become (one) space.
bool IsSpaceLike(char32_t c) {
  return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
         c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Characters that take no room: zero-width ones, the byte-order mark, soft hyphens, combining
// marks (a decomposed accent loses its accent rather than becoming a '?').
bool IsInvisible(char32_t c) {
  return (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x2064) || c == 0xFEFF || c == 0xAD ||
         (c >= 0x0300 && c <= 0x036F) || (c >= 0xFE00 && c <= 0xFE0F);
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

std::string StripMarkup(std::string_view html) {
  std::string out;
  out.reserve(html.size());
  for (size_t i = 0; i < html.size(); ++i) {
    const char c = html[i];
    if (c == '<' && i + 1 < html.size() &&
        (IsAsciiAlpha(html[i + 1]) || html[i + 1] == '/' || html[i + 1] == '!' ||
         html[i + 1] == '?')) {
      const size_t close = html.find('>', i + 1);
      if (close != std::string_view::npos) {
        // A tag between two words stands for a break between them (<br>, </p>).
        out += ' ';
        i = close;
        continue;
      }
    }
    out += c;
  }
  return out;
}

std::string DecodeHtmlReferences(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    size_t end = i + 1;
    if (end < text.size() && text[end] == '#') {
      ++end;
      const bool hex = end < text.size() && (text[end] == 'x' || text[end] == 'X');
      if (hex) ++end;
      const size_t digitsStart = end;
      char32_t value = 0;
      bool tooLarge = false;
      while (end < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[end])) != 0
                                       : IsAsciiDigit(text[end]))) {
        const char d = text[end];
        const unsigned digit = IsAsciiDigit(d) ? d - '0' : (d | 0x20) - 'a' + 10;
        if (value > 0x10FFFF) {
          tooLarge = true;
        } else {
          value = value * (hex ? 16 : 10) + digit;
        }
        ++end;
      }
      if (end == digitsStart) {
        out += '&';
        continue;
      }
      if (end < text.size() && text[end] == ';') ++end;
      if (tooLarge || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        value = kReplacement;
      }
      AppendUtf8(value, &out);
      i = end - 1;
      continue;
    }
    while (end < text.size() && end - i <= 10 &&
           (IsAsciiAlpha(text[end]) || IsAsciiDigit(text[end]))) {
      ++end;
    }
    if (end < text.size() && text[end] == ';' && end > i + 1) {
      const std::string name(text.substr(i + 1, end - i - 1));
      const auto* found =
          std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences), name,
                           [](const NamedReference& ref, const std::string& key) {
                             return std::strcmp(ref.name, key.c_str()) < 0;
                           });
      if (found != std::end(kNamedReferences) && name == found->name) {
        AppendUtf8(found->codePoint, &out);
        i = end;
        continue;
      }
    }
    out += '&';
  }
  return out;
}

std::string CleanHeadline(std::string_view utf8, bool isHtml, size_t maxChars) {
  std::string decoded;
  if (isHtml) {
    decoded = DecodeHtmlReferences(StripMarkup(utf8));
    utf8 = decoded;
  }
  std::string out;
  out.reserve(std::min(utf8.size(), maxChars + 1));
  bool pendingSpace = false;
  for (size_t i = 0; i < utf8.size();) {
    size_t length;
    const char32_t c = DecodeUtf8(utf8, i, &length);
    i += length;
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
