// Character references, Base64 and the query encoding.
#include "feed/codecs.h"

#include <cstdint>
#include <cstring>

namespace {

struct Reference {
  const char* name;
  unsigned char byte;
};

// Compared in this order, each as a prefix over its own length: "quot" is the closing double
// quotation mark of the ANSI code page, not '"'.
const Reference kReferences[] = {
    {"quot", 0x94},   {"amp", 0x26},    {"AElig", 0xC6},  {"Aacute", 0xC1}, {"Acirc", 0xC2},
    {"Agrave", 0xC0}, {"Aring", 0xC5},  {"Atilde", 0xC3}, {"Auml", 0xC4},   {"Ccedil", 0xC7},
    {"ETH", 0xD0},    {"Eacute", 0xC9}, {"Ecirc", 0xCA},  {"Egrave", 0xC8}, {"Euml", 0xCB},
    {"Iacute", 0xCD}, {"Icirc", 0xCE},  {"Igrave", 0xCC}, {"Iuml", 0xCF},   {"Ntilde", 0xD1},
    {"Oacute", 0xD3}, {"Ograve", 0xD2}, {"Oslash", 0xD8}, {"Otilde", 0xD5}, {"Ouml", 0xD6},
    {"THORN", 0xDE},  {"Uacute", 0xDA}, {"Ucirc", 0xDB},  {"Ugrave", 0xD9}, {"Uuml", 0xDC},
    {"Yacute", 0xDD}, {"aacute", 0xE1}, {"acirc", 0xE2},  {"aelig", 0xE6},  {"agrave", 0xE0},
    {"aring", 0xE5},  {"atilde", 0xE3}, {"auml", 0xE4},   {"ccedil", 0xE7}, {"eacute", 0xE9},
    {"ecirc", 0xEA},  {"egrave", 0xE8}, {"eth", 0xF0},    {"euml", 0xEB},   {"iacute", 0xED},
    {"icirc", 0xEE},  {"igrave", 0xEC}, {"iuml", 0xEF},   {"ntilde", 0xF1}, {"oacute", 0xF3},
    {"ocirc", 0xF4},  {"ograve", 0xF2}, {"oslash", 0xF8}, {"otilde", 0xF5}, {"ouml", 0xF6},
    {"szlig", 0xDF},  {"thorn", 0xFE},  {"uacute", 0xFA}, {"ucirc", 0xFB},  {"ugrave", 0xF9},
    {"uuml", 0xFC},   {"yacute", 0xFD}, {"yuml", 0xFF},
};

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 26);
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

}  // namespace

void DecodeHtmlEntity(char* out, const char* text) {
  if (text[1] == '#') {
    unsigned value = 0;
    for (int i = 2; i < 5 && text[i] >= '0' && text[i] <= '9'; ++i) {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    *out = static_cast<char>(value & 0xFF);
    return;
  }
  for (const Reference& ref : kReferences) {
    if (std::strncmp(text + 1, ref.name, std::strlen(ref.name)) == 0) {
      *out = static_cast<char>(ref.byte);
      return;
    }
  }
  *out = ' ';
}

size_t Base64EncodeBounded(const char* text, char* output, size_t capacity) {
  if (output == nullptr || capacity == 0) return 0;
  size_t out = 0;
  if (text != nullptr) {
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    size_t length = std::strlen(text);
    for (size_t i = 0; i < length; i += 3) {
      if (out + 4 + 1 > capacity) break;
      const unsigned a = in[i];
      const unsigned b = i + 1 < length ? in[i + 1] : 0;
      const unsigned c = i + 2 < length ? in[i + 2] : 0;
      output[out++] = kAlphabet[a >> 2];
      output[out++] = kAlphabet[((a & 3) << 4) + (b >> 4)];
      output[out++] = i + 1 < length ? kAlphabet[((b & 15) << 2) + (c >> 6)] : '=';
      output[out++] = i + 2 < length ? kAlphabet[c & 63] : '=';
    }
  }
  output[out] = '\0';
  return out;
}

size_t Base64DecodeBounded(const char* text, char* output, size_t capacity) {
  if (output == nullptr || capacity == 0) return 0;
  output[0] = '\0';
  if (text == nullptr) return 0;
  const size_t length = std::strlen(text);
  if (length % 4 != 0) return 0;
  size_t out = 0;
  for (size_t i = 0; i < length; i += 4) {
    const char* g = text + i;
    if (g[1] == '=') {
      output[0] = '\0';
      return 0;
    }
    const unsigned w = Base64Value(g[0]), x = Base64Value(g[1]), y = Base64Value(g[2]),
                   z = Base64Value(g[3]);
    const unsigned char bytes[3] = {static_cast<unsigned char>((w << 2) + (x >> 4)),
                                    static_cast<unsigned char>((x << 4) + (y >> 2)),
                                    static_cast<unsigned char>((y << 6) + z)};
    const int count = (g[2] == '=' && g[3] == '=') ? 1 : (g[2] == '=' || g[3] == '=') ? 2 : 3;
    for (int k = 0; k < count; ++k) {
      if (out + 1 >= capacity) {
        output[out] = '\0';
        return out;
      }
      output[out++] = static_cast<char>(bytes[k]);
    }
  }
  output[out] = '\0';
  return out;
}

std::string Base64Encode(const char* text) {
  if (text == nullptr) return std::string();
  std::string out(4 * ((std::strlen(text) + 2) / 3) + 1, '\0');
  out.resize(Base64EncodeBounded(text, &out[0], out.size()));
  return out;
}

std::string Base64Decode(const char* text) {
  if (text == nullptr) return std::string();
  std::string out(3 * (std::strlen(text) / 4) + 1, '\0');
  out.resize(Base64DecodeBounded(text, &out[0], out.size()));
  return out;
}

size_t EncodeQueryValue(const char* text, char* output, size_t capacity) {
  if (output == nullptr || capacity == 0) return 0;
  static const char kHex[] = "0123456789ABCDEF";
  size_t out = 0;
  for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    const size_t need = plain || c == ' ' || c == '+' ? 1 : 3;
    if (out + need + 1 > capacity) break;
    if (plain) {
      output[out++] = static_cast<char>(c);
    } else if (c == ' ' || c == '+') {
      output[out++] = '+';
    } else {
      output[out++] = '%';
      output[out++] = kHex[c >> 4];
      output[out++] = kHex[c & 15];
    }
  }
  output[out] = '\0';
  return out;
}
