// Encoding detection (byte-order marks, labels, uchardet) and conversion (iconv).
#include "document_charset.h"

#include <iconv.h>
#include <uchardet/uchardet.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cerrno>
#include <memory>

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  const char* kSpace = " \t\r\n";
  const size_t start = text.find_first_not_of(kSpace);
  if (start == std::string_view::npos) return std::string_view();
  return text.substr(start, text.find_last_not_of(kSpace) - start + 1);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// The name iconv should be given for a label, in upper case. Labels are matched without regard
// to case.
std::string IconvName(std::string_view label) {
  const std::string name = Lower(Trim(label));
  // Feeds labelled Latin-1 or ASCII are, in practice, written in Windows-1252.
  static const char* const kWindows1252[] = {
      "iso-8859-1", "iso8859-1",      "iso_8859-1", "latin1", "latin-1", "l1",      "us-ascii",
      "ascii",      "ansi_x3.4-1968", "cp819",      "ibm819", "cp1252",  "x-cp1252"};
  for (const char* alias : kWindows1252) {
    if (name == alias) return "WINDOWS-1252";
  }
  if (name == "utf8" || name == "unicode-1-1-utf-8") return "UTF-8";
  if (name == "x-sjis" || name == "shift-jis" || name == "ms_kanji" || name == "sjis") {
    return "SHIFT_JIS";
  }
  if (name == "x-euc-jp") return "EUC-JP";
  if (name == "gb2312" || name == "x-gbk" || name == "gbk") return "GB18030";
  if (name == "windows-874" || name == "x-windows-874") return "CP874";
  return Upper(name);
}

bool IconvKnows(const std::string& name) {
  if (name.empty()) return false;
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

// A label for a document that is laid out one byte a character (no byte-order mark and no
// "<?xml" in wider units was found): the UTF-16 and UTF-32 labels such documents carry by
// mistake would turn them to nonsense.
std::string UsableLabel(std::string_view label) {
  const std::string name = IconvName(label);
  const std::string lower = Lower(name);
  for (const char* wide :
       {"utf-16", "utf-32", "ucs-2", "ucs-4", "utf16", "utf32", "ucs2", "ucs4"}) {
    if (StartsWith(lower, wide)) return std::string();
  }
  return IconvKnows(name) ? name : std::string();
}

bool IsUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    int extra;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (i + extra >= bytes.size()) return false;
    const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
    // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) ||
        (c == 0xF0 && second < 0x90) || (c == 0xF4 && second > 0x8F)) {
      return false;
    }
    for (int k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

std::string Guess(std::string_view bytes) {
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
      uchardet_new(), uchardet_delete);
  if (!detector) return std::string();
  if (uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0) return std::string();
  uchardet_data_end(detector.get());
  const char* charset = uchardet_get_charset(detector.get());
  return charset == nullptr ? std::string() : std::string(charset);
}

// Converts with iconv; each byte it cannot read becomes U+FFFD and the conversion goes on.
std::string Convert(std::string_view bytes, const std::string& from) {
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  char buffer[8192];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (true) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(cd, inLeft > 0 ? &in : nullptr, &inLeft, &outPtr, &outLeft);
    const int failure = result == static_cast<size_t>(-1) ? errno : 0;
    out.append(buffer, sizeof buffer - outLeft);
    if (failure == E2BIG) continue;
    if (failure == EILSEQ || failure == EINVAL) {
      out += "\xEF\xBF\xBD";
      ++in, --inLeft;
      continue;
    }
    if (failure != 0 || inLeft == 0) {
      if (inLeft == 0 && failure == 0) {
        // Flush any shift state (ISO-2022 and the like).
        outPtr = buffer;
        outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
      }
      break;
    }
  }
  iconv_close(cd);
  return out;
}

// Non-ASCII characters of a text and how many of them are letters.
void CountLetters(const std::string& utf8, size_t* nonAscii, size_t* letters) {
  *nonAscii = *letters = 0;
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
  for (int32_t i = 0; i < text.length();) {
    const UChar32 c = text.char32At(i);
    i += U16_LENGTH(c);
    if (c < 0x80) continue;
    ++*nonAscii;
    if (u_isalpha(c)) ++*letters;
  }
}

// uchardet often takes a short Western text for another Latin code page ("Mañana" for
// ISO-8859-10, "Café" for ISO-8859-2). Such a guess stands only when it reads more of the bytes
// as letters than Windows-1252 does, or as many in a text long enough for the guess to be sound.
std::string PreferWindows1252(std::string_view bytes, const std::string& guess) {
  static const char* const kOtherLatin[] = {
      "ISO-8859-2",   "ISO-8859-3",   "ISO-8859-4",        "ISO-8859-9",  "ISO-8859-10",
      "ISO-8859-13",  "ISO-8859-14",  "ISO-8859-15",       "ISO-8859-16", "WINDOWS-1250",
      "WINDOWS-1254", "WINDOWS-1257", "MAC-CENTRALEUROPE", "IBM852",      "MACINTOSH"};
  bool otherLatin = false;
  for (const char* name : kOtherLatin) otherLatin = otherLatin || guess == name;
  if (!otherLatin) return guess;
  constexpr size_t kEnoughToTrust = 64;
  size_t western, westernLetters, guessed, guessedLetters;
  CountLetters(Convert(bytes, "WINDOWS-1252"), &western, &westernLetters);
  CountLetters(Convert(bytes, guess), &guessed, &guessedLetters);
  if (guessedLetters > westernLetters) return guess;
  if (guessedLetters == westernLetters && guessed >= kEnoughToTrust) return guess;
  return "WINDOWS-1252";
}

}  // namespace

std::string CharsetFromContentType(std::string_view contentType) {
  size_t at = contentType.find(';');
  while (at != std::string_view::npos) {
    std::string_view parameter = contentType.substr(at + 1);
    const size_t next = parameter.find(';');
    parameter = Trim(parameter.substr(0, next));
    const size_t equals = parameter.find('=');
    if (equals != std::string_view::npos && Lower(Trim(parameter.substr(0, equals))) == "charset") {
      std::string_view value = Trim(parameter.substr(equals + 1));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return std::string(Trim(value));
    }
    at = next == std::string_view::npos ? next : at + 1 + next;
  }
  return std::string();
}

std::string DeclaredXmlEncoding(std::string_view bytes) {
  if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (!StartsWith(bytes, "<?xml")) return std::string();
  bytes = bytes.substr(0, 1024);
  const size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return std::string();
  const std::string_view declaration = bytes.substr(0, end);
  const size_t key = declaration.find("encoding");
  if (key == std::string_view::npos) return std::string();
  size_t at = declaration.find_first_not_of(" \t\r\n", key + 8);
  if (at == std::string_view::npos || declaration[at] != '=') return std::string();
  at = declaration.find_first_not_of(" \t\r\n", at + 1);
  if (at == std::string_view::npos || (declaration[at] != '"' && declaration[at] != '\'')) {
    return std::string();
  }
  const size_t close = declaration.find(declaration[at], at + 1);
  if (close == std::string_view::npos) return std::string();
  return std::string(declaration.substr(at + 1, close - at - 1));
}

void DocumentToUtf8(std::string_view bytes, std::string_view transportCharset, std::string* utf8,
                    std::string* encoding) {
  std::string from;
  size_t skip = 0;
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    from = "UTF-8", skip = 3;
  } else if (StartsWith(bytes, std::string_view("\xFF\xFE\0\0", 4))) {
    from = "UTF-32LE", skip = 4;
  } else if (StartsWith(bytes, std::string_view("\0\0\xFE\xFF", 4))) {
    from = "UTF-32BE", skip = 4;
  } else if (StartsWith(bytes, "\xFF\xFE")) {
    from = "UTF-16LE", skip = 2;
  } else if (StartsWith(bytes, "\xFE\xFF")) {
    from = "UTF-16BE", skip = 2;
  }
  // "<?" laid out in two or four bytes a character says more than any label could.
  if (from.empty()) {
    if (StartsWith(bytes, std::string_view("<\0\0\0?\0\0\0", 8))) {
      from = "UTF-32LE";
    } else if (StartsWith(bytes, std::string_view("\0\0\0<\0\0\0?", 8))) {
      from = "UTF-32BE";
    } else if (StartsWith(bytes, std::string_view("<\0?\0", 4))) {
      from = "UTF-16LE";
    } else if (StartsWith(bytes, std::string_view("\0<\0?", 4))) {
      from = "UTF-16BE";
    }
  }
  if (from.empty()) from = UsableLabel(transportCharset);
  if (from.empty()) from = UsableLabel(DeclaredXmlEncoding(bytes));
  if (from.empty() && IsUtf8(bytes)) from = "UTF-8";
  if (from.empty()) {
    const std::string guess = IconvName(Guess(bytes));
    from = IconvKnows(guess) ? PreferWindows1252(bytes, guess) : "WINDOWS-1252";
  }
  *encoding = from;
  bytes.remove_prefix(skip);
  if (from == "UTF-8") {
    *utf8 = std::string(bytes);
  } else {
    *utf8 = Convert(bytes, from);
    if (StartsWith(*utf8, "\xEF\xBB\xBF")) utf8->erase(0, 3);
  }
}
