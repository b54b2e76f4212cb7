#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/csv.h"
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

namespace {

struct DumpArgs {
  std::string file, index, order, format = "csv";
};

int run_dump(const DumpArgs& a) {
  const std::string& index = a.index;
  const std::string& order = a.order;
  const std::string& format = a.format;
  const std::filesystem::path path(a.file);
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
    return fail("dump", platform::describe(e));
  }
  return kOk;
}

}  // namespace

// valmorix-cli dump FILE [--index TAG | --order 'F1;F2'] [--format csv|json]
void add_dump_command(Commands& commands) {
  auto a = std::make_shared<DumpArgs>();
  CLI::App& cmd = commands.add(
      "dump",
      "Prints a table's rows (deleted rows left out) as CSV with a header of field names, or as "
      "JSON: in natural order, in an index's order or in the order of a field list.",
      [a] { return run_dump(*a); });
  cmd.add_option("FILE", a->file, "a dBase or Paradox table file")->required();
  CLI::Option* index =
      cmd.add_option("--index", a->index, "in the order of this index tag")->type_name("TAG");
  cmd.add_option("--order", a->order, "in the order of these fields")
      ->type_name("'F1;F2'")
      ->excludes(index);
  cmd.add_option("--format", a->format, "csv (the default) or json")
      ->type_name("csv|json")
      ->check(CLI::IsMember({"csv", "json"}));
}

}  // namespace vmx::cli
