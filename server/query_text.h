// Splitting and decoding the query texts of request addresses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct QueryPart {
  std::string_view name;   // raw, not decoded
  std::string_view value;  // raw, not decoded; empty for a bare word
  bool hasValue = false;   // "name=value" rather than a bare word
};

// The '&'-separated parts of a query (without its '?'); empty parts are left out.
std::vector<QueryPart> SplitQuery(std::string_view query);

// The value of the first part with that name, or null.
const QueryPart* FindQueryPart(const std::vector<QueryPart>& parts, std::string_view name);

// Undoes %XX escapes (either case of hex digits); a '%' without two hex digits after it stays as
// it is. A '+' becomes a space only when plusIsSpace.
std::string PercentDecode(std::string_view text, bool plusIsSpace);

// Entries of a list separated by ',', '+', spaces or tabs; empty entries are left out.
std::vector<std::string_view> SplitList(std::string_view text);
