#include "core/store/batch_move.h"

#include <algorithm>
#include <functional>
#include <optional>

#include "core/store/error.h"
#include "core/store/gbk.h"
#include "core/store/text.h"

namespace vmx::store {

namespace {

namespace fs = std::filesystem;

// What the mover needs of either kind of source.
struct Source {
  std::vector<std::string> names;
  std::vector<FieldDef> defs;  // copy mode: the destination field each would become
  size_t rows = 0;
  std::function<Value(size_t row, int col)> get;
  fs::path path;  // the source's file; empty for a query
};

Format format_of(const fs::path& path) {
  std::string ext = path.extension().string();
  if (iequals(ext, ".db")) return Format::Paradox;
  if (iequals(ext, ".dbf")) return Format::DBase;
  throw Error(path.string() + ": a batch move writes .DB or .DBF tables only");
}

int source_index(const Source& src, std::string_view name) {
  for (size_t i = 0; i < src.names.size(); ++i)
    if (iequals(src.names[i], name)) return static_cast<int>(i);
  return -1;
}

// "dest=source" lines, checked against the source.
std::vector<std::pair<std::string, int>> parse_mapping(const std::vector<std::string>& mapping,
                                                       const Source& src) {
  std::vector<std::pair<std::string, int>> out;
  for (const auto& line : mapping) {
    if (trim_blanks(line).empty()) continue;
    const size_t eq = line.find('=');
    const std::string dest =
        eq == std::string::npos ? "" : std::string(trim_blanks(line.substr(0, eq)));
    const std::string from =
        eq == std::string::npos ? "" : std::string(trim_blanks(line.substr(eq + 1)));
    if (dest.empty() || from.empty())
      throw Error("batch move: the mapping line '" + line + "' is not of the form dest=source");
    const int s = source_index(src, from);
    if (s < 0) throw Error("batch move: the source has no field '" + from + "' (" + line + ")");
    out.emplace_back(dest, s);
  }
  return out;
}

// The nearest field the destination format can hold; nullopt for kinds
// neither format can write (graphics, raw bytes).
std::optional<FieldDef> convert_field(FieldDef def, Format to) {
  switch (def.type) {
    case FieldType::Blob:
    case FieldType::Bytes:
      return std::nullopt;
    case FieldType::Memo:
      def.type = FieldType::Character;
      def.width = to == Format::DBase ? 254 : 255;
      break;
    case FieldType::Character:
      def.width = std::clamp(def.width, 1, to == Format::DBase ? 254 : 255);
      break;
    default:
      break;
  }
  def.decimals = std::max(def.decimals, 0);
  if (to == Format::DBase) {
    switch (def.type) {
      case FieldType::Short:
        return FieldDef{def.name, FieldType::Numeric, 6, 0};
      case FieldType::Long:
      case FieldType::AutoInc:
        return FieldDef{def.name, FieldType::Numeric, 11, 0};
      case FieldType::Number:
      case FieldType::Currency:
      case FieldType::Bcd:
        return FieldDef{def.name, FieldType::Numeric, 20, 4};
      case FieldType::Time:
        return FieldDef{def.name, FieldType::Character, 8, 0};
      case FieldType::Timestamp:
        return FieldDef{def.name, FieldType::Character, 19, 0};
      default:
        return def;
    }
  }
  switch (def.type) {
    case FieldType::Numeric:
    case FieldType::Float:
    case FieldType::Bcd:
      return FieldDef{def.name, FieldType::Number, 8, 0};
    case FieldType::AutoInc:
      // Copied numbers must stay what they were, not be renumbered.
      return FieldDef{def.name, FieldType::Long, 4, 0};
    default:
      return def;
  }
}

Source from_cursor(Cursor& c) {
  Source src;
  Table& t = c.table();
  for (const auto& f : t.schema().fields) {
    src.names.push_back(f.name);
    src.defs.push_back(f);
  }
  // A copy: appending to the source's own table must not walk the new rows.
  auto ids = std::make_shared<std::vector<RowId>>(c.rows());
  src.rows = ids->size();
  src.get = [&t, ids](size_t row, int col) { return t.get((*ids)[row], col); };
  src.path = t.path();
  return src;
}

FieldDef column_def(Query& q, int col, Format to) {
  FieldDef def;
  def.name = q.columns()[static_cast<size_t>(col)];
  bool text = false, number = false, date = false, logical = false;
  size_t width = 1;
  for (size_t r = 0; r < q.count(); ++r) {
    const Value& v = q.value_at(r, col);
    switch (v.kind()) {
      case Value::Kind::Null:
        break;
      case Value::Kind::Number:
      case Value::Kind::Integer:
        number = true;
        break;
      case Value::Kind::Date:
        date = true;
        break;
      case Value::Kind::Boolean:
        logical = true;
        break;
      default:
        text = true;
        break;
    }
    if (!v.is_null()) width = std::max(width, utf8_to_gbk(v.as_string()).size());
  }
  // A column holding more than one kind (SQLite does not stop that) can only be text.
  if (text || int(number) + int(date) + int(logical) > 1 || !(number || date || logical)) {
    def.type = FieldType::Character;
    def.width = static_cast<int>(std::min<size_t>(width, 254));
  } else if (number) {
    def = to == Format::DBase ? FieldDef{def.name, FieldType::Numeric, 20, 4}
                              : FieldDef{def.name, FieldType::Number, 8, 0};
  } else if (date) {
    def.type = FieldType::Date;
    def.width = to == Format::DBase ? 8 : 4;
  } else {
    def.type = FieldType::Logical;
    def.width = 1;
  }
  return def;
}

Source from_query(Query& q, Format to) {
  if (!q.active()) throw Error("batch move: the source query is not open");
  Source src;
  src.names = q.columns();
  for (size_t c = 0; c < src.names.size(); ++c)
    src.defs.push_back(column_def(q, static_cast<int>(c), to));
  src.rows = q.count();
  src.get = [&q](size_t row, int col) { return q.value_at(row, col); };
  return src;
}

bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return !a.empty() && fs::exists(b, ec) && fs::equivalent(a, b, ec);
}

BatchMoveResult copy_rows(const Source& src, Session& session, const fs::path& path,
                          const std::vector<std::pair<std::string, int>>& map) {
  if (same_file(src.path, path))
    throw Error(path.string() + ": a batch move cannot replace the table it reads from");
  const Format format = format_of(path);
  Schema schema;
  std::vector<int> from;  // source column of each destination field
  auto add = [&](const std::string& name, int s) {
    auto def = convert_field(src.defs[static_cast<size_t>(s)], format);
    if (!def) return;
    def->name = name;
    schema.fields.push_back(*def);
    from.push_back(s);
  };
  if (map.empty()) {
    for (size_t s = 0; s < src.names.size(); ++s) add(src.names[s], static_cast<int>(s));
  } else {
    for (const auto& [dest, s] : map) add(dest, s);
  }
  if (schema.fields.empty()) throw Error(path.string() + ": the batch move has no fields to copy");

  BatchMoveResult result;
  {
    std::unique_ptr<TableFile> file = create_table_file(path, schema);
    session.forget(path);
    std::vector<uint8_t> record(file->record_size());
    for (size_t r = 0; r < src.rows; ++r) {
      file->blank_record(record.data());
      try {
        for (size_t f = 0; f < from.size(); ++f)
          file->set(record.data(), static_cast<int>(f), src.get(r, from[f]));
        file->insert(record.data());
        ++result.moved;
      } catch (const Error&) {
        ++result.skipped;
      }
    }
  }
  session.forget(path);
  return result;
}

BatchMoveResult append_rows(const Source& src, Session& session, const BatchTarget& target,
                            const std::vector<std::pair<std::string, int>>& map) {
  Cursor dest(session, target.where, target.file);
  dest.open();
  const Schema& schema = dest.schema();
  std::vector<int> from(schema.fields.size(), -1);
  for (size_t f = 0; f < schema.fields.size(); ++f) {
    auto m = std::find_if(map.begin(), map.end(),
                          [&](const auto& p) { return iequals(p.first, schema.fields[f].name); });
    from[f] = m != map.end() ? m->second : source_index(src, schema.fields[f].name);
  }
  for (const auto& [name, s] : map)
    if (schema.index_of(name) < 0)
      throw Error(dest.table().path().string() + ": the destination has no field '" + name + "'");

  BatchMoveResult result;
  dest.disable_controls();
  for (size_t r = 0; r < src.rows; ++r) {
    try {
      dest.append();
      for (size_t f = 0; f < from.size(); ++f)
        if (from[f] >= 0 && schema.fields[f].type != FieldType::AutoInc)
          dest.set(schema.fields[f].name, src.get(r, from[f]));
      dest.post();
      ++result.moved;
    } catch (const Error&) {
      dest.cancel();
      ++result.skipped;
    }
  }
  dest.enable_controls();
  return result;
}

BatchMoveResult run(const Source& src, Session& session, const BatchTarget& target, BatchMode mode,
                    const std::vector<std::string>& mapping) {
  const auto map = parse_mapping(mapping, src);
  if (mode == BatchMode::Copy)
    return copy_rows(src, session, session.resolve(target.where, target.file), map);
  return append_rows(src, session, target, map);
}

}  // namespace

BatchMoveResult batch_move(Cursor& source, Session& session, const BatchTarget& target,
                           BatchMode mode, const std::vector<std::string>& mapping) {
  return run(from_cursor(source), session, target, mode, mapping);
}

BatchMoveResult batch_move(Query& source, Session& session, const BatchTarget& target,
                           BatchMode mode, const std::vector<std::string>& mapping) {
  const fs::path path = session.resolve(target.where, target.file);
  return run(from_query(source, format_of(path)), session, target, mode, mapping);
}

}  // namespace vmx::store
