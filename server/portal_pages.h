// The portal's pages that the ticker opens in the browser: small HTML documents made here, in
// Windows-1252 like everything the ticker sends and shows.
#pragma once

#include <string>
#include <string_view>

#include "content_snapshot.h"

struct PageAnswer {
  int status = 200;
  std::string html;
};

// The page for a request path and its raw query: the home page "/", the ticker help
// "/help/ticker/", the personal page "/tlx/", registration "/config/eval_register", account
// set-up "/config/eval_suggest", the news topic pages "/news/CODE", the pages of stories whose
// link is this server's "/story/N", and the services "/mail",
// "/search" (with "/search/bin/search?p=QUERY&a=i"), "/quotes" (with "/quotes/lookup.html" and
// "/quotes/q?s=SYMBOL"), "/weather", "/play", "/chat", "/classifieds", "/boards", "/personals",
// "/calendar" and "/clubs", each with a page for anything under it. Anything else is a 404 page.
PageAnswer PortalPage(const ContentSnapshot& content, std::string_view path,
                      std::string_view query);

// The query of a search request: what follows "p=" up to a final "&a=i", so that an '&' typed in
// the search box (which the ticker sends as it is) stays part of the query; '+' is a space.
std::string SearchQuery(std::string_view query);

// Text for HTML: '&', '<', '>', '"' and '\'' as references; other bytes unchanged.
std::string HtmlEscape(std::string_view text);
