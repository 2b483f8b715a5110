// Stock quotes and weather readings: their data files, and the texts the strip shows for them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Quote {
  std::string symbol;       // upper case
  int64_t lastCents = 0;    // the last price in hundredths
  int64_t changeCents = 0;  // the change since the previous close in hundredths
};

struct WeatherReading {
  std::string airport;          // upper case
  int64_t fahrenheitCents = 0;  // the temperature in hundredths of a degree Fahrenheit
  std::string conditions;       // Windows-1252, one clean line, may be empty
};

// Quotes file: one quote a line, "SYMBOL LAST CHANGE" separated by spaces or tabs, numbers with
// up to two decimals and the change with an optional sign; '#' starts a comment line.
// Weather file: one reading a line, "AIRPORT FAHRENHEIT CONDITIONS...", the conditions being the
// rest of the line (UTF-8). Lines that do not read are skipped, each with a note in *problems;
// a later line for the same symbol or airport replaces an earlier one.
std::vector<Quote> ParseQuotes(std::string_view text, std::vector<std::string>* problems);
std::vector<WeatherReading> ParseWeather(std::string_view text, std::vector<std::string>* problems);

// "INTC 120.50 +2.10": the change carries '+' when up, '-' when down and no sign when unchanged,
// which is how the ticker picks the up, down and unchanged colours.
std::string FormatQuoteText(const Quote& quote);
// "JFK 72\xB0F Partly Cloudy" or, in Celsius, "JFK 22\xB0C Partly Cloudy" (Windows-1252).
std::string FormatWeatherText(const WeatherReading& reading, bool fahrenheit);

// Whole degrees, rounded half away from zero.
int64_t RoundedFahrenheit(int64_t fahrenheitCents);
int64_t FahrenheitToCelsius(int64_t fahrenheitCents);

// A decimal number with an optional sign and at most two decimals, in hundredths; false for
// anything else, and for magnitudes beyond a trillion.
bool ParseHundredths(std::string_view text, int64_t* value);

// A stock symbol in upper case: 1 to 12 of A-Z, 0-9, '^', '.', '=', '-' with at least one
// letter or digit; "" when the text is none.
std::string NormalizeSymbol(std::string_view text);
// An airport code in upper case: 2 to 8 of A-Z and 0-9; "" when the text is none.
std::string NormalizeAirport(std::string_view text);
