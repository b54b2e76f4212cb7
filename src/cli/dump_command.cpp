#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "core/platform/error_boundary.h"
#include "core/store/catalogue.h"
#include "core/store/cursor.h"
#include "core/store/error.h"

namespace vmx::cli {

namespace {

// Field names as the catalogue spells them where it knows the table.
std::vector<std::string> column_names(store::Cursor& c) {
  std::vector<std::string> names;
  const store::TableSpec* spec = store::find_table_spec(c.file_name());
  for (const auto& f : c.schema().fields) {
    std::string name = f.name;
    if (spec) {
      const int i = spec->schema.index_of(f.name);
      if (i >= 0) name = spec->schema.fields[i].name;
    }
    names.push_back(name);
  }
  return names;
}

std::string json_string(const std::string& s) {
  std::string out = "\"";
  for (unsigned char ch : s) {
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (ch < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", ch);
          out += buf;
        } else {
          out += static_cast<char>(ch);
        }
    }
  }
  return out + "\"";
}

std::string json_value(const store::Value& v) {
  using K = store::Value::Kind;
  switch (v.kind()) {
    case K::Null:
      return "null";
    case K::Boolean:
      return v.as_bool() ? "true" : "false";
    case K::Number:
    case K::Integer:
      return v.as_string();
    default:
      return json_string(v.as_string());
  }
}

}  // namespace

std::string csv_text(const store::Value& v) {
  using K = store::Value::Kind;
  switch (v.kind()) {
    case K::Null:
      return {};
    case K::Boolean:
      return v.as_bool() ? "true" : "false";
    default:
      return v.as_string();  // numbers in their shortest exact form, dates yyyy-mm-dd
  }
}

std::string csv_field(const std::string& s) {
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

int cmd_dump(const std::vector<std::string>& args) {
  std::string file, index, order, format = "csv";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    if (a == "--index") {
      if (!value(index))
        return (std::fputs("dump: --index needs a tag name\n", stderr), kUsageError);
    } else if (a == "--order") {
      if (!value(order))
        return (std::fputs("dump: --order needs field names\n", stderr), kUsageError);
    } else if (a == "--format") {
      if (!value(format) || (format != "csv" && format != "json"))
        return (std::fputs("dump: --format is csv or json\n", stderr), kUsageError);
    } else if (file.empty() && !a.starts_with("--")) {
      file = a;
    } else {
      std::fprintf(stderr, "dump: unexpected argument '%s'\n", a.c_str());
      return kUsageError;
    }
  }
  if (file.empty())
    return (
        std::fputs(
            "usage: valmorix-cli dump FILE [--index TAG | --order 'F1;F2'] [--format csv|json]\n",
            stderr),
        kUsageError);
  if (!index.empty() && !order.empty())
    return (std::fputs("dump: give --index or --order, not both\n", stderr), kUsageError);

  const std::filesystem::path path(file);
  std::string dir = path.parent_path().string();
  if (dir.empty()) dir = ".";
  try {
    store::Session session;
    store::Cursor c(session, dir, path.filename().string());
    c.set_index_name(index);
    c.set_index_fields(order);
    c.open();
    const auto names = column_names(c);
    const size_t n = names.size();
    std::string out;
    if (format == "csv") {
      for (size_t i = 0; i < n; ++i) out += (i ? "," : "") + csv_field(names[i]);
      out += "\r\n";
    } else {
      out += "[";
    }
    bool first_row = true;
    for (const store::RowId id : c.rows()) {
      if (format == "csv") {
        for (size_t i = 0; i < n; ++i)
          out += (i ? "," : "") + csv_field(csv_text(c.table().get(id, static_cast<int>(i))));
        out += "\r\n";
      } else {
        out += first_row ? "\n  {" : ",\n  {";
        for (size_t i = 0; i < n; ++i)
          out += (i ? ", " : "") + json_string(names[i]) + ": " +
                 json_value(c.table().get(id, static_cast<int>(i)));
        out += "}";
      }
      first_row = false;
      if (out.size() > (1 << 16)) {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
      }
    }
    if (format == "json") out += first_row ? "]\n" : "\n]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
  } catch (const store::Error& e) {
    std::fprintf(stderr, "dump: %s\n", vmx::platform::describe(e).c_str());
    return kUsageError;
  }
  return kOk;
}

}  // namespace vmx::cli
