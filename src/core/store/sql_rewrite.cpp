#include "core/store/sql_rewrite.h"

#include <algorithm>
#include <cctype>

namespace vmx::store {

namespace {

// SQLite takes every byte above 0x7f as part of a name, which is what lets
// Chinese column aliases stand unquoted; we do the same.
bool ident_start(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool ident_char(unsigned char c) { return ident_start(c) || std::isdigit(c) || c == '$'; }

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

bool is_file_name(std::string_view name) {
  const std::string l = lower(name);
  auto ends = [&](std::string_view suffix) {
    return l.size() > suffix.size() &&
           l.compare(l.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  return ends(".db") || ends(".dbf");
}

std::string quote_ident(std::string_view name) {
  std::string r = "\"";
  for (char c : name) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + '"';
}

// Reads a quoted token starting at text[i] (the opening quote) and returns the
// index just past the closing quote; doubled quotes stand for one.
size_t skip_quoted(std::string_view text, size_t i, std::string* content) {
  const char q = text[i];
  size_t j = i + 1;
  for (;;) {
    if (j >= text.size()) {
      throw QueryError(std::string("SQL: unterminated ") + (q == '\'' ? "string" : "quoted name") +
                       " in: " + std::string(text));
    }
    if (text[j] == q) {
      if (j + 1 < text.size() && text[j + 1] == q) {
        if (content) *content += q;
        j += 2;
        continue;
      }
      return j + 1;
    }
    if (content) *content += text[j];
    ++j;
  }
}

size_t skip_ident(std::string_view text, size_t i) {
  while (i < text.size() && ident_char(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

bool is_digit_at(std::string_view text, size_t i) {
  return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]));
}

// The end of the numeric literal starting at text[i] (a digit).
size_t skip_number(std::string_view text, size_t i) {
  if (text[i] == '0' && i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
    i += 2;
    while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i;
  }
  while (is_digit_at(text, i)) ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (is_digit_at(text, i)) ++i;
  }
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (is_digit_at(text, j)) {
      while (is_digit_at(text, j)) ++j;
      i = j;
    }
  }
  return i;
}

}  // namespace

RewrittenSql rewrite_sql(std::string_view text) {
  RewrittenSql out;
  out.sql.reserve(text.size() + 16);
  auto add_file = [&](std::string_view name) {
    const std::string l = lower(name);
    if (std::none_of(out.files.begin(), out.files.end(),
                     [&](const std::string& f) { return lower(f) == l; }))
      out.files.emplace_back(name);
    out.sql += quote_ident(l);
  };
  auto add_param = [&](std::string_view name) {
    const std::string l = lower(name);
    auto it = std::find(out.params.begin(), out.params.end(), l);
    if (it == out.params.end()) it = out.params.insert(out.params.end(), l);
    out.sql += '?' + std::to_string(it - out.params.begin() + 1);
  };

  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\'') {
      const size_t j = skip_quoted(text, i, nullptr);
      out.sql.append(text.substr(i, j - i));
      i = j;
    } else if (c == '"') {
      std::string name;
      const size_t j = skip_quoted(text, i, &name);
      if (is_file_name(name)) {
        add_file(name);
      } else {
        out.sql.append(text.substr(i, j - i));
      }
      i = j;
    } else if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
      const size_t e = text.find('\n', i);
      const size_t j = e == std::string_view::npos ? text.size() : e;
      out.sql.append(text.substr(i, j - i));
      i = j;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      const size_t e = text.find("*/", i + 2);
      if (e == std::string_view::npos)
        throw QueryError("SQL: unterminated comment in: " + std::string(text));
      out.sql.append(text.substr(i, e + 2 - i));
      i = e + 2;
    } else if (c == ':') {
      size_t j = i + 1;
      if (j < text.size() && text[j] == '"') {
        std::string name;
        const size_t k = skip_quoted(text, j, &name);
        if (name.empty()) throw QueryError("SQL: empty parameter name in: " + std::string(text));
        add_param(name);
        i = k;
      } else if (j < text.size() && ident_start(static_cast<unsigned char>(text[j]))) {
        const size_t k = skip_ident(text, j);
        add_param(text.substr(j, k - j));
        i = k;
      } else {
        throw QueryError("SQL: ':' without a parameter name in: " + std::string(text));
      }
    } else if (ident_start(c)) {
      size_t j = skip_ident(text, i);
      // An unquoted file name: tr2.dbf, fund2.DB. Anything else with a dot is a
      // qualified column and stays as written.
      if (j + 1 < text.size() && text[j] == '.' &&
          ident_start(static_cast<unsigned char>(text[j + 1]))) {
        const size_t k = skip_ident(text, j + 1);
        const std::string ext = lower(text.substr(j + 1, k - j - 1));
        if (ext == "db" || ext == "dbf") {
          add_file(text.substr(i, k - i));
          i = k;
          continue;
        }
      }
      out.sql.append(text.substr(i, j - i));
      i = j;
    } else if (std::isdigit(c)) {
      // A number (12, 1.5, 1.5e3, 0x1F). The old engine read a word straight
      // after it as the next token ("amt>0and qsdm<>'zzc'", as one of the
      // statistics texts has it); SQLite would reject the pair, so a blank
      // goes between them.
      const size_t j = skip_number(text, i);
      out.sql.append(text.substr(i, j - i));
      if (j < text.size() && ident_start(static_cast<unsigned char>(text[j]))) out.sql += ' ';
      i = j;
    } else {
      out.sql += static_cast<char>(c);
      ++i;
    }
  }
  return out;
}

bool is_select(std::string_view text) {
  size_t i = 0;
  for (;;) {
    while (i < text.size() && (std::isspace(static_cast<unsigned char>(text[i])) || text[i] == '('))
      ++i;
    if (text.substr(i, 2) == "--") {
      const size_t e = text.find('\n', i);
      if (e == std::string_view::npos) return false;
      i = e + 1;
    } else if (text.substr(i, 2) == "/*") {
      const size_t e = text.find("*/", i + 2);
      if (e == std::string_view::npos) return false;
      i = e + 2;
    } else {
      break;
    }
  }
  const size_t j = skip_ident(text, i);
  const std::string word = lower(text.substr(i, j - i));
  return word == "select" || word == "with";
}

}  // namespace vmx::store
