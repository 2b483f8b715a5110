// Quote and weather files, and the strip texts made from them.
#include "market_data.h"

#include <cstdio>
#include <cstdlib>

#include "text_convert.h"

namespace {

constexpr int64_t kLargestHundredths = 100000000000000;  // a trillion, in hundredths

std::string FormatCents(int64_t cents) {
  const uint64_t magnitude = cents < 0 ? 0 - static_cast<uint64_t>(cents) : cents;
  char text[40];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", cents < 0 ? "-" : "",
                static_cast<unsigned long long>(magnitude / 100),
                static_cast<unsigned long long>(magnitude % 100));
  return text;
}

// Divides and rounds half away from zero.
int64_t RoundedQuotient(int64_t numerator, int64_t denominator) {
  const int64_t half = denominator / 2;
  return numerator >= 0 ? (numerator + half) / denominator : -((-numerator + half) / denominator);
}

// Splits a line at spaces and tabs into at most `count` fields; the last field takes the rest.
std::vector<std::string_view> SplitFields(std::string_view line, size_t count) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (fields.size() < count) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) break;
    size_t end = fields.size() + 1 == count ? line.size() : line.find_first_of(" \t", i);
    if (end == std::string_view::npos) end = line.size();
    fields.push_back(line.substr(i, end - i));
    i = end;
  }
  return fields;
}

// Calls back with each line that is neither blank nor a comment, with its line number.
template <typename Callback>
void ForEachDataLine(std::string_view text, Callback callback) {
  int number = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.remove_suffix(1);
    }
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos || line[start] == '#') continue;
    callback(line.substr(start), number);
  }
}

std::string Problem(int line, const std::string& what) {
  return "line " + std::to_string(line) + ": " + what;
}

}  // namespace

bool ParseHundredths(std::string_view text, int64_t* value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t whole = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
    whole = whole * 10 + (text[i] - '0');
    if (whole > kLargestHundredths / 100) return false;
  }
  int64_t fraction = 0;
  size_t decimals = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
      if (decimals == 2) return false;
      fraction = fraction * 10 + (text[i] - '0');
    }
  }
  if (i != text.size() || digits + decimals == 0) return false;
  if (decimals == 1) fraction *= 10;
  *value = (whole * 100 + fraction) * (negative ? -1 : 1);
  return true;
}

std::string NormalizeSymbol(std::string_view text) {
  if (text.empty() || text.size() > 12) return std::string();
  std::string symbol;
  bool alphanumeric = false;
  for (char c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const bool letterOrDigit = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letterOrDigit && c != '^' && c != '.' && c != '=' && c != '-') return std::string();
    alphanumeric = alphanumeric || letterOrDigit;
    symbol += c;
  }
  return alphanumeric ? symbol : std::string();
}

std::string NormalizeAirport(std::string_view text) {
  if (text.size() < 2 || text.size() > 8) return std::string();
  std::string code;
  for (char c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return std::string();
    code += c;
  }
  return code;
}

std::vector<Quote> ParseQuotes(std::string_view text, std::vector<std::string>* problems) {
  std::vector<Quote> quotes;
  ForEachDataLine(text, [&](std::string_view line, int number) {
    const std::vector<std::string_view> fields = SplitFields(line, 4);
    Quote quote;
    quote.symbol = fields.empty() ? std::string() : NormalizeSymbol(fields[0]);
    if (fields.size() != 3 || quote.symbol.empty() ||
        !ParseHundredths(fields[1], &quote.lastCents) ||
        !ParseHundredths(fields[2], &quote.changeCents)) {
      problems->push_back(Problem(number, "expected SYMBOL LAST CHANGE"));
      return;
    }
    for (Quote& existing : quotes) {
      if (existing.symbol == quote.symbol) {
        existing = quote;
        return;
      }
    }
    quotes.push_back(quote);
  });
  return quotes;
}

std::vector<WeatherReading> ParseWeather(std::string_view text,
                                         std::vector<std::string>* problems) {
  std::vector<WeatherReading> readings;
  ForEachDataLine(text, [&](std::string_view line, int number) {
    const std::vector<std::string_view> fields = SplitFields(line, 3);
    WeatherReading reading;
    reading.airport = fields.empty() ? std::string() : NormalizeAirport(fields[0]);
    if (fields.size() < 2 || reading.airport.empty() ||
        !ParseHundredths(fields[1], &reading.fahrenheitCents)) {
      problems->push_back(Problem(number, "expected AIRPORT FAHRENHEIT CONDITIONS"));
      return;
    }
    if (fields.size() == 3) reading.conditions = CleanHeadline(fields[2], false, 60);
    for (WeatherReading& existing : readings) {
      if (existing.airport == reading.airport) {
        existing = reading;
        return;
      }
    }
    readings.push_back(reading);
  });
  return readings;
}

std::string FormatQuoteText(const Quote& quote) {
  std::string text = quote.symbol + " " + FormatCents(quote.lastCents) + " ";
  if (quote.changeCents > 0) text += '+';
  text += FormatCents(quote.changeCents);
  return text;
}

int64_t RoundedFahrenheit(int64_t fahrenheitCents) { return RoundedQuotient(fahrenheitCents, 100); }

int64_t FahrenheitToCelsius(int64_t fahrenheitCents) {
  return RoundedQuotient((fahrenheitCents - 3200) * 5, 900);
}

std::string FormatWeatherText(const WeatherReading& reading, bool fahrenheit) {
  const int64_t degrees = fahrenheit ? RoundedFahrenheit(reading.fahrenheitCents)
                                     : FahrenheitToCelsius(reading.fahrenheitCents);
  std::string text =
      reading.airport + " " + std::to_string(degrees) + "\xB0" + (fahrenheit ? "F" : "C");
  if (!reading.conditions.empty()) text += " " + reading.conditions;
  return text;
}
