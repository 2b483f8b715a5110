// Portal pages. They are plain on purpose: the ticker only needs somewhere real to land.
#include "portal_pages.h"

#include "data_request.h"
#include "query_text.h"

namespace {

struct Service {
  const char* base;
  const char* title;
  const char* blurb;
};

const Service kServices[] = {
    {"/mail", "Vexlo! Mail", "Your inbox. New messages show up on the ticker as a mail alert."},
    {"/search", "Vexlo! Search", "Type a few words into the ticker's search box."},
    {"/quotes", "Vexlo! Finance", "Quotes for the symbols on your ticker."},
    {"/weather", "Vexlo! Weather", "Conditions at the airports on your ticker."},
    {"/play", "Vexlo! Games", "Card games, puzzles and board games against friends."},
    {"/chat", "Vexlo! Chat", "Rooms on every topic, open day and night."},
    {"/classifieds", "Vexlo! Classifieds", "Cars, flats, jobs and things for sale near you."},
    {"/boards", "Vexlo! Message Boards", "Post a message and join the discussion."},
    {"/personals", "Vexlo! Personals", "Meet people who share your interests."},
    {"/calendar", "Vexlo! Calendar", "Your appointments, birthdays and reminders."},
    {"/clubs", "Vexlo! Clubs", "Clubs for fans, hobbyists and neighbours."},
    {"/news", "Vexlo! News", "Today's stories by topic."},
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Under a service base: the base itself or anything below it ("/mail", "/mail/", "/mail/x").
bool IsUnder(std::string_view path, std::string_view base) {
  return StartsWith(path, base) && (path.size() == base.size() || path[base.size()] == '/');
}

std::string Page(std::string_view title, std::string_view body) {
  std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"windows-1252\"><title>";
  html += HtmlEscape(title);
  html +=
      "</title>\n<style>body{font-family:Verdana,Arial,sans-serif;margin:2em;max-width:44em}"
      "h1{color:#7b0099}nav a{margin-right:1em}</style></head>\n<body>\n<nav><a href=\"/\">Home"
      "</a><a href=\"/tlx/\">My Vexlo!</a><a href=\"/mail\">Mail</a><a href=\"/news/rt\">News"
      "</a><a href=\"/quotes/lookup.html\">Quotes</a><a href=\"/help/ticker/\">Ticker help</a>"
      "</nav>\n<h1>";
  html += HtmlEscape(title);
  html += "</h1>\n";
  html += body;
  html += "\n</body></html>\n";
  return html;
}

std::string Link(std::string_view href, std::string_view text) {
  return "<a href=\"" + HtmlEscape(href) + "\">" + HtmlEscape(text) + "</a>";
}

std::string TopicList(const TopicContent& topic, size_t limit) {
  std::string html = "<ul>\n";
  for (size_t i = 0; i < topic.stories.size() && i < limit; ++i) {
    html += "<li>" + Link(topic.stories[i].link, topic.stories[i].title) + "</li>\n";
  }
  return html + "</ul>\n";
}

PageAnswer HomePage(const ContentSnapshot& content) {
  std::string body = "<p>Welcome to Vexlo!, your start page on the web.</p>\n<ul>\n";
  for (const Service& service : kServices) {
    body +=
        "<li>" + Link(service.base, service.title) + ": " + HtmlEscape(service.blurb) + "</li>\n";
  }
  body += "</ul>\n";
  const auto top = content.topics.find("rt");
  if (top != content.topics.end()) body += "<h2>Top Stories</h2>\n" + TopicList(top->second, 5);
  return {200, Page("Vexlo!", body)};
}

PageAnswer HelpPage() {
  return {200, Page("Vexlo! Ticker Help",
                    "<p>The ticker scrolls headlines, stock quotes and the weather along your "
                    "taskbar, and fetches fresh ones every few minutes.</p>\n<ul>\n"
                    "<li>Double-click a headline to read the story in your browser.</li>\n"
                    "<li>Right-click the ticker for <b>Update Now</b>, <b>Preferences...</b> "
                    "and the placement of the strip.</li>\n"
                    "<li>On the <b>News</b> tab choose topics, the number of stories per topic, "
                    "airports for the weather and the colours.</li>\n"
                    "<li>On the <b>Quotes</b> tab add or remove stock symbols; "
                    "<a href=\"/quotes/lookup.html\">look a symbol up</a> if you are not sure "
                    "of it.</li>\n"
                    "<li>With a <a href=\"/tlx/\">My Vexlo!</a> account the ticker shows the "
                    "selection you keep on the web and tells you when new mail arrives.</li>\n"
                    "<li>The search box sends what you type to "
                    "<a href=\"/search\">Vexlo! Search</a>.</li>\n</ul>")};
}

PageAnswer PersonalPage(const ContentSnapshot& content) {
  std::string body =
      "<p>Your news, quotes and weather, as your ticker shows them. Change the selection on "
      "the " +
      Link("/config/eval_suggest", "account set-up page") + ".</p>\n";
  for (const char* code : kNewsTopics) {
    const auto topic = content.topics.find(code);
    if (topic == content.topics.end()) continue;
    body += "<h2>" + Link(std::string("/news/") + code, topic->second.caption) + "</h2>\n" +
            TopicList(topic->second, 3);
  }
  return {200, Page("My Vexlo! for ticker users", body)};
}

PageAnswer RegisterPage() {
  return {200, Page("Sign up for My Vexlo!",
                    "<p>A My Vexlo! account lets your ticker show the news, quotes and "
                    "weather you pick here, and tells you when new mail arrives.</p>\n"
                    "<form action=\"/config/eval_suggest\" method=\"get\">\n"
                    "<p>User ID: <input name=\"login\" size=\"20\"></p>\n"
                    "<p>Password: <input name=\"passwd\" type=\"password\" size=\"20\"></p>\n"
                    "<p><input type=\"submit\" value=\"Sign up\"></p>\n</form>\n"
                    "<p>On this server accounts live in the accounts file of the content "
                    "folder.</p>")};
}

PageAnswer SetupPage() {
  std::string body =
      "<p>Your account is almost ready. Pick what your ticker should show:</p>\n"
      "<form action=\"/tlx/\" method=\"get\">\n<p>";
  for (const char* code : kNewsTopics) {
    body += "<label><input type=\"checkbox\" name=\"t\" value=\"" + std::string(code) + "\"> " +
            HtmlEscape(NewsTopicCaption(code)) + "</label><br>\n";
  }
  body +=
      "</p>\n<p>Stock symbols: <input name=\"s\" size=\"30\" value=\"^DJI INTC MSFT\"></p>\n"
      "<p>Airports: <input name=\"a\" size=\"20\" value=\"JFK SFO\"></p>\n"
      "<p><input type=\"submit\" value=\"Save preferences\"></p>\n</form>";
  return {200, Page("My Vexlo! account set-up", body)};
}

PageAnswer SearchPage(std::string_view query) {
  const std::string text = SearchQuery(query);
  std::string body =
      "<form action=\"/search/bin/search\" method=\"get\"><input name=\"p\" size=\"40\" value=\"" +
      HtmlEscape(text) +
      "\"><input type=\"hidden\" name=\"a\" value=\"i\"> "
      "<input type=\"submit\" value=\"Search\"></form>\n";
  if (text.empty()) {
    body += "<p>Type a few words to search the web.</p>";
  } else {
    body += "<p>Results for <b id=\"query\">" + HtmlEscape(text) +
            "</b>:</p>\n<p>No pages matched. Try fewer or different words.</p>";
  }
  return {200, Page("Vexlo! Search", body)};
}

PageAnswer QuotePage(const ContentSnapshot& content, std::string_view query) {
  const std::vector<QueryPart> parts = SplitQuery(query);
  const QueryPart* symbolPart = FindQueryPart(parts, "s");
  const std::string symbol = symbolPart == nullptr
                                 ? std::string()
                                 : NormalizeSymbol(PercentDecode(symbolPart->value, true));
  const auto quote = content.quotes.find(symbol);
  if (quote == content.quotes.end()) {
    return {404,
            Page("Vexlo! Finance", "<p>No quote for that symbol. " +
                                       Link("/quotes/lookup.html", "Look a symbol up") + ".</p>")};
  }
  return {200, Page("Vexlo! Finance: " + symbol,
                    "<p class=\"quote\">" + HtmlEscape(FormatQuoteText(quote->second)) + "</p>")};
}

PageAnswer LookupPage(const ContentSnapshot& content) {
  std::string body = "<p>Symbols with quotes today:</p>\n<ul>\n";
  for (const auto& [symbol, quote] : content.quotes) {
    body += "<li>" + Link("/quotes/q?s=" + symbol, FormatQuoteText(quote)) + "</li>\n";
  }
  return {200, Page("Vexlo! Finance: symbol look-up", body + "</ul>")};
}

PageAnswer WeatherPage(const ContentSnapshot& content) {
  std::string body = "<ul>\n";
  for (const auto& [airport, reading] : content.weather) {
    body += "<li>" + HtmlEscape(FormatWeatherText(reading, true)) + " (" +
            HtmlEscape(FormatWeatherText(reading, false).substr(airport.size() + 1)) + ")</li>\n";
  }
  return {200, Page("Vexlo! Weather", body + "</ul>")};
}

PageAnswer NewsPage(const ContentSnapshot& content, std::string_view code) {
  const auto topic = content.topics.find(std::string(code));
  if (topic == content.topics.end()) {
    return {IsNewsTopic(code) ? 200 : 404,
            Page("Vexlo! News", "<p>No stories on this topic right now.</p>")};
  }
  return {200,
          Page("Vexlo! News: " + topic->second.caption.substr(0, topic->second.caption.size() - 1),
               TopicList(topic->second, topic->second.stories.size()))};
}

PageAnswer StoryPage(const ContentSnapshot& content, std::string_view number) {
  const auto found = content.storyPages.find(std::string(number));
  if (found == content.storyPages.end()) {
    return {404, Page("Vexlo! News", "<p>No such story. " + Link("/news/rt", "Top stories") +
                                         ".</p>")};
  }
  const TopicContent& topic = content.topics.at(found->second.first);
  const std::string section = topic.caption.substr(0, topic.caption.size() - 1);
  return {200, Page(topic.stories[found->second.second].title,
                    "<p class=\"section\">" + Link("/news/" + topic.code, section) +
                        "</p>\n<p>The full story follows here as our reporters file it. "
                        "More in " +
                        Link("/news/" + topic.code, section) + ".</p>")};
}

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string SearchQuery(std::string_view query) {
  if (!StartsWith(query, "p=")) {
    const std::vector<QueryPart> parts = SplitQuery(query);
    const QueryPart* part = FindQueryPart(parts, "p");
    return part == nullptr ? std::string() : PercentDecode(part->value, true);
  }
  std::string_view text = query.substr(2);
  constexpr std::string_view kSuffix = "&a=i";
  if (text.size() >= kSuffix.size() && text.substr(text.size() - kSuffix.size()) == kSuffix) {
    text.remove_suffix(kSuffix.size());
  } else {
    text = text.substr(0, text.find('&'));
  }
  return PercentDecode(text, true);
}

PageAnswer PortalPage(const ContentSnapshot& content, std::string_view path,
                      std::string_view query) {
  if (path == "/" || path == "/index.html") return HomePage(content);
  if (path == "/help/ticker/" || path == "/help/ticker" || IsUnder(path, "/help"))
    return HelpPage();
  if (path == "/tlx/" || path == "/tlx") return PersonalPage(content);
  if (StartsWith(path, "/config/eval_register")) return RegisterPage();
  if (StartsWith(path, "/config/eval_suggest")) return SetupPage();
  if (path == "/search/bin/search") return SearchPage(query);
  if (path == "/quotes/lookup.html") return LookupPage(content);
  if (path == "/quotes/q") return QuotePage(content, query);
  if (IsUnder(path, "/weather")) return WeatherPage(content);
  if (StartsWith(path, "/news/") && path.size() == 8) return NewsPage(content, path.substr(6));
  if (StartsWith(path, "/story/")) return StoryPage(content, path.substr(7));
  for (const Service& service : kServices) {
    if (IsUnder(path, service.base)) {
      return {200, Page(service.title, "<p>" + HtmlEscape(service.blurb) + "</p>")};
    }
  }
  return {404, Page("Not found", "<p>There is no page at " + HtmlEscape(path) + ".</p>")};
}
