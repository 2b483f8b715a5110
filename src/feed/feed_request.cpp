// Request addresses and the login answer.
#include "feed/feed_request.h"

#include <cstdio>
#include <cstring>

#include "feed/bounded_text.h"
#include "feed/codecs.h"

size_t EncodeCredential(const char* text, char (&out)[kEncodedCredentialSize]) {
  return EncodeQueryValue(text, out, sizeof out);
}

size_t BuildLoginAddress(const FeedSettings& settings, const char* encodedUserId,
                         const char* encodedPassword, char* out, size_t capacity) {
  BoundedText address(out, capacity);
  address.Add(settings.loginServer[0] != '\0' ? settings.loginServer : settings.loginEndpoint);
  address.Add(encodedUserId);
  address.Add("&passwd=");
  address.Add(encodedPassword);
  return address.length();
}

size_t BuildDataRequestAddress(const FeedSettings& settings, const char* hhmmss, char* out,
                               size_t capacity) {
  BoundedText address(out, capacity);
  address.Add(settings.dataServer[0] != '\0' ? settings.dataServer : settings.dataEndpoint);
  if (!settings.accountMode) {
    address.Add("?");
    if (settings.stockQuotes) {
      address.Add("stocks=");
      address.Add(settings.stockSymbols);
      // The symbols travel comma-separated; the swap covers the whole address built so far.
      for (size_t i = 0; i < address.length(); ++i) {
        if (out[i] == '+') out[i] = ',';
      }
      address.Add("&");
    }
    if (settings.weather) {
      address.Add("weather=");
      address.Add(settings.fahrenheit ? "f," : "c,");
      address.Add(settings.airports);
      address.Add("&");
    }
    char stories[16];
    std::snprintf(stories, sizeof stories, "%ld", static_cast<long>(settings.storiesPerTopic));
    address.Add("news=");
    address.Add(stories);
    address.Add(",");
    const struct {
      int32_t selected;
      const char* code;
    } topics[] = {
        {settings.usHeadlines, "rt,"},         {settings.worldHeadlines, "rw,"},
        {settings.businessHeadlines, "rb,"},   {settings.politicsHeadlines, "rp,"},
        {settings.technologyHeadlines, "rc,"}, {settings.sportsHeadlines, "rs,"},
        {settings.entertainmentHeadlines, "re"},
    };
    for (const auto& topic : topics) {
      if (topic.selected) address.Add(topic.code);
    }
  }
  // The time of day makes every request address new, so no cache between here and the server
  // answers it.
  address.Add("&");
  address.Add(hhmmss);
  return address.length();
}

size_t BuildAlternateNewsAddress(const char* alternateNews, const char* encodedUserId,
                                 const char* encodedPassword, char* out, size_t capacity) {
  BoundedText address(out, capacity);
  address.Add(alternateNews);
  address.Add("?ID=");
  address.Add(encodedUserId);
  address.Add("&PASSWD=");
  address.Add(encodedPassword);
  return address.length();
}

size_t BuildExternalNewsPath(const char* externalNews, char* out, size_t capacity) {
  BoundedText path(out, capacity);
  path.Add(externalNews);
  const size_t length = externalNews != nullptr ? std::strlen(externalNews) : 0;
  if (length == 0 || externalNews[length - 1] != '\\') path.Add("\\");
  path.Add("news.dat");
  return path.length();
}

bool NamesHttpAddress(const char* text) {
  return text != nullptr && (std::strstr(text, "http") != nullptr || std::strstr(text, "HTTP") != nullptr);
}

LoginAnswer ClassifyLoginAnswer(const char* answer) {
  if (answer == nullptr) return LoginAnswer::kUnexpected;
  if (std::strstr(answer, "OK") != nullptr) return LoginAnswer::kLoggedIn;
  if (std::strstr(answer, "preferences") != nullptr) return LoginAnswer::kPreferences;
  if (std::strstr(answer, "ERROR:") != nullptr) return LoginAnswer::kError;
  return LoginAnswer::kUnexpected;
}
