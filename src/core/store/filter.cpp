#include "core/store/filter.h"

#include <cctype>
#include <cmath>
#include <optional>
#include <vector>

#include "core/store/error.h"
#include "core/store/gbk.h"

namespace vmx::store {

bool wildcard_match(std::string_view p, std::string_view t) {
  size_t pi = 0, ti = 0, star = std::string_view::npos, mark = 0;
  while (ti < t.size()) {
    if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ti;
    } else if (pi < p.size() && p[pi] == t[ti]) {
      ++pi;
      ++ti;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      ti = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

namespace {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge };

struct Token {
  enum Kind { Ident, Text, Number, Symbol, End } kind = End;
  std::string text;
};

class Lexer {
 public:
  explicit Lexer(std::string_view s) : m_s(s) {}
  std::vector<Token> run() {
    std::vector<Token> out;
    size_t i = 0;
    while (i < m_s.size()) {
      const char c = m_s[i];
      if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (c == '\'' || c == '"') {
        const size_t end = m_s.find(c, i + 1);
        if (end == std::string_view::npos) throw Error("unterminated text");
        out.push_back({Token::Text, std::string(m_s.substr(i + 1, end - i - 1))});
        i = end + 1;
      } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                 ((c == '-' || c == '.') && i + 1 < m_s.size() &&
                  (std::isdigit(static_cast<unsigned char>(m_s[i + 1])) || m_s[i + 1] == '.'))) {
        size_t j = i + 1;
        while (j < m_s.size() &&
               (std::isdigit(static_cast<unsigned char>(m_s[j])) || m_s[j] == '.'))
          ++j;
        out.push_back({Token::Number, std::string(m_s.substr(i, j - i))});
        i = j;
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
                 static_cast<unsigned char>(c) >= 0x80) {
        size_t j = i + 1;
        while (j < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[j])) ||
                                  m_s[j] == '_' || static_cast<unsigned char>(m_s[j]) >= 0x80))
          ++j;
        out.push_back({Token::Ident, std::string(m_s.substr(i, j - i))});
        i = j;
      } else if (c == '<' || c == '>') {
        std::string op(1, c);
        if (i + 1 < m_s.size() && (m_s[i + 1] == '=' || (c == '<' && m_s[i + 1] == '>')))
          op += m_s[++i];
        out.push_back({Token::Symbol, op});
        ++i;
      } else if (c == '=' || c == '(' || c == ')') {
        out.push_back({Token::Symbol, std::string(1, c)});
        ++i;
      } else {
        throw Error(std::string("unexpected character '") + c + "'");
      }
    }
    out.push_back({Token::End, {}});
    return out;
  }

 private:
  std::string_view m_s;
};

class Node : public FilterExpr {};

class Or : public Node {
 public:
  Or(std::unique_ptr<FilterExpr> a, std::unique_ptr<FilterExpr> b)
      : m_a(std::move(a)), m_b(std::move(b)) {}
  bool matches(const uint8_t* r) const override { return m_a->matches(r) || m_b->matches(r); }

 private:
  std::unique_ptr<FilterExpr> m_a, m_b;
};

class And : public Node {
 public:
  And(std::unique_ptr<FilterExpr> a, std::unique_ptr<FilterExpr> b)
      : m_a(std::move(a)), m_b(std::move(b)) {}
  bool matches(const uint8_t* r) const override { return m_a->matches(r) && m_b->matches(r); }

 private:
  std::unique_ptr<FilterExpr> m_a, m_b;
};

class Not : public Node {
 public:
  explicit Not(std::unique_ptr<FilterExpr> a) : m_a(std::move(a)) {}
  bool matches(const uint8_t* r) const override { return !m_a->matches(r); }

 private:
  std::unique_ptr<FilterExpr> m_a;
};

// An operand: a field of the record or a constant.
struct Operand {
  int field = -1;
  enum Kind { Field, Text, Number, Bool, Null } kind = Field;
  std::string text;  // GBK for text constants
  double number = 0;
};

bool apply(Op op, int c) {
  switch (op) {
    case Op::Eq:
      return c == 0;
    case Op::Ne:
      return c != 0;
    case Op::Lt:
      return c < 0;
    case Op::Gt:
      return c > 0;
    case Op::Le:
      return c <= 0;
    case Op::Ge:
      return c >= 0;
  }
  return false;
}

Op mirror(Op op) {
  switch (op) {
    case Op::Lt:
      return Op::Gt;
    case Op::Gt:
      return Op::Lt;
    case Op::Le:
      return Op::Ge;
    case Op::Ge:
      return Op::Le;
    default:
      return op;
  }
}

// field op constant (constant op field is mirrored at compile time).
class Compare : public Node {
 public:
  Compare(const TableFile& file, int field, Op op, Operand c)
      : m_file(file), m_field(field), m_op(op) {
    const FieldType t = file.schema().fields[field].type;
    m_null_test = c.kind == Operand::Null;
    if (m_null_test) {
      if (op != Op::Eq && op != Op::Ne) throw Error("null can only be compared with = or <>");
      return;
    }
    if (is_text(t)) {
      m_kind = K::Text;
      if (c.kind == Operand::Number) c.text = c.text.empty() ? format_number(c.number) : c.text;
      m_text = c.text;
      m_wild = (op == Op::Eq || op == Op::Ne) && m_text.find('*') != std::string::npos;
    } else if (t == FieldType::Logical) {
      m_kind = K::Bool;
      if (c.kind == Operand::Bool) {
        m_number = c.number;
      } else if (c.kind == Operand::Text) {
        m_number = Value::text(c.text).as_bool() ? 1 : 0;
      } else {
        m_number = c.number != 0;
      }
    } else if (t == FieldType::Date || t == FieldType::Timestamp) {
      m_kind = K::Number;
      if (c.kind != Operand::Text) throw Error("a date field compares with a 'yyyy-mm-dd' text");
      const auto d = Date::parse(c.text);
      if (!d) throw Error("'" + c.text + "' is not a date");
      m_number = d->serial();
      m_date = true;
    } else {
      m_kind = K::Number;
      if (c.kind == Operand::Text)
        m_number = Value::text(c.text).as_number();
      else
        m_number = c.number;
    }
  }

  bool matches(const uint8_t* r) const override {
    if (m_null_test) return m_file.is_blank(r, m_field) == (m_op == Op::Eq);
    switch (m_kind) {
      case K::Text: {
        const std::string_view v = m_file.raw_text(r, m_field);
        if (m_wild) return wildcard_match(m_text, v) == (m_op == Op::Eq);
        const int c = v.compare(m_text);
        return apply(m_op, c < 0 ? -1 : c > 0 ? 1 : 0);
      }
      case K::Bool: {
        const Value v = m_file.get(r, m_field);
        const double b = v.is_null() ? 0 : (v.as_bool() ? 1 : 0);
        return apply(m_op, b < m_number ? -1 : b > m_number ? 1 : 0);
      }
      case K::Number: {
        const Value v = m_file.get(r, m_field);
        double x = 0;
        if (!v.is_null()) x = m_date ? static_cast<double>(v.as_date().serial()) : v.as_number();
        return apply(m_op, x < m_number ? -1 : x > m_number ? 1 : 0);
      }
    }
    return false;
  }

 private:
  enum class K { Text, Bool, Number };
  const TableFile& m_file;
  int m_field;
  Op m_op;
  K m_kind = K::Number;
  bool m_null_test = false, m_wild = false, m_date = false;
  std::string m_text;
  double m_number = 0;
};

// field op field.
class CompareFields : public Node {
 public:
  CompareFields(const TableFile& file, int a, Op op, int b)
      : m_file(file), m_a(a), m_b(b), m_op(op) {}
  bool matches(const uint8_t* r) const override {
    const FieldType t = m_file.schema().fields[m_a].type;
    int c;
    if (is_text(t)) {
      c = m_file.raw_text(r, m_a).compare(m_file.raw_text(r, m_b));
    } else {
      const double x = m_file.get(r, m_a).as_number(), y = m_file.get(r, m_b).as_number();
      c = x < y ? -1 : x > y ? 1 : 0;
    }
    return apply(m_op, c < 0 ? -1 : c > 0 ? 1 : 0);
  }

 private:
  const TableFile& m_file;
  int m_a, m_b;
  Op m_op;
};

class Parser {
 public:
  Parser(std::vector<Token> tokens, const TableFile& file) : m_t(std::move(tokens)), m_file(file) {}

  std::unique_ptr<FilterExpr> parse() {
    auto e = expr();
    if (m_t[m_i].kind != Token::End) throw Error("unexpected '" + m_t[m_i].text + "'");
    return e;
  }

 private:
  bool keyword(const char* k) {
    if (m_t[m_i].kind == Token::Ident && iequals(m_t[m_i].text, k)) {
      ++m_i;
      return true;
    }
    return false;
  }
  std::unique_ptr<FilterExpr> expr() {
    auto e = term();
    while (keyword("or")) e = std::make_unique<Or>(std::move(e), term());
    return e;
  }
  std::unique_ptr<FilterExpr> term() {
    auto e = factor();
    while (keyword("and")) e = std::make_unique<And>(std::move(e), factor());
    return e;
  }
  std::unique_ptr<FilterExpr> factor() {
    if (keyword("not")) return std::make_unique<Not>(factor());
    if (m_t[m_i].kind == Token::Symbol && m_t[m_i].text == "(") {
      ++m_i;
      auto e = expr();
      if (m_t[m_i].kind != Token::Symbol || m_t[m_i].text != ")") throw Error("missing ')'");
      ++m_i;
      return e;
    }
    Operand a = operand();
    const Op op = oper();
    Operand b = operand();
    if (a.kind == Operand::Field && b.kind == Operand::Field)
      return std::make_unique<CompareFields>(m_file, a.field, op, b.field);
    if (a.kind == Operand::Field)
      return std::make_unique<Compare>(m_file, a.field, op, std::move(b));
    if (b.kind == Operand::Field)
      return std::make_unique<Compare>(m_file, b.field, mirror(op), std::move(a));
    throw Error("a comparison needs a field");
  }
  Op oper() {
    const Token& t = m_t[m_i];
    if (t.kind == Token::Symbol) {
      ++m_i;
      if (t.text == "=") return Op::Eq;
      if (t.text == "<>") return Op::Ne;
      if (t.text == "<") return Op::Lt;
      if (t.text == ">") return Op::Gt;
      if (t.text == "<=") return Op::Le;
      if (t.text == ">=") return Op::Ge;
    }
    throw Error("expected a comparison operator");
  }
  Operand operand() {
    const Token t = m_t[m_i++];
    Operand o;
    switch (t.kind) {
      case Token::Text:
        o.kind = Operand::Text;
        o.text = utf8_to_gbk(t.text);
        return o;
      case Token::Number:
        o.kind = Operand::Number;
        o.number = Value::text(t.text).as_number();
        o.text = t.text;
        return o;
      case Token::Ident: {
        if (iequals(t.text, "true") || iequals(t.text, "false")) {
          o.kind = Operand::Bool;
          o.number = iequals(t.text, "true") ? 1 : 0;
          return o;
        }
        if (iequals(t.text, "null")) {
          o.kind = Operand::Null;
          return o;
        }
        o.field = m_file.schema().index_of(t.text);
        if (o.field < 0) throw Error("unknown field " + t.text);
        return o;
      }
      default:
        throw Error("expected a field or a value");
    }
  }

  std::vector<Token> m_t;
  size_t m_i = 0;
  const TableFile& m_file;
};

}  // namespace

std::unique_ptr<FilterExpr> FilterExpr::compile(std::string_view text, const TableFile& file) {
  try {
    return Parser(Lexer(text).run(), file).parse();
  } catch (const Error& e) {
    throw Error("bad filter expression \"" + std::string(text) + "\" on " +
                file.path().filename().string() + ": " + e.what());
  }
}

}  // namespace vmx::store
