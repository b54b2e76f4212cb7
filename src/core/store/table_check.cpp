#include "core/store/table_check.h"

namespace vmx::store {
namespace {

enum class Kind { Text, Decimal, Integer, Date, Logical, Other };

Kind kind_of(FieldType t) {
  switch (t) {
    case FieldType::Character:
      return Kind::Text;
    case FieldType::Numeric:
    case FieldType::Float:
    case FieldType::Number:
    case FieldType::Currency:
      return Kind::Decimal;
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
      return Kind::Integer;
    case FieldType::Date:
      return Kind::Date;
    case FieldType::Logical:
      return Kind::Logical;
    default:
      return Kind::Other;
  }
}

bool dbase_number(FieldType t) { return t == FieldType::Numeric || t == FieldType::Float; }

int integer_digits(const FieldDef& f) { return f.width - (f.decimals > 0 ? f.decimals + 1 : 0); }

// A field as a dBase or Paradox definition writes it: C(11), N(19,4), Long.
std::string shown(const FieldDef& f) {
  switch (f.type) {
    case FieldType::Character:
      return "C(" + std::to_string(f.width) + ")";
    case FieldType::Numeric:
    case FieldType::Float:
      return std::string(f.type == FieldType::Numeric ? "N(" : "F(") + std::to_string(f.width) +
             "," + std::to_string(f.decimals) + ")";
    case FieldType::Date:
      return "D";
    case FieldType::Logical:
      return "L";
    case FieldType::Short:
      return "Short";
    case FieldType::Long:
      return "Long";
    case FieldType::Number:
      return "Number";
    case FieldType::Currency:
      return "Currency";
    default:
      return "?";
  }
}

}  // namespace

std::vector<Error> catalogue_faults(const TableFile& file, const TableSpec& spec) {
  std::vector<Error> out;
  const Schema& have = file.schema();
  const std::string path = file.path().string();
  for (const FieldDef& want : spec.schema.fields) {
    ErrorDetails d;
    d.file = path;
    d.field = want.name;
    d.text = shown(want);
    const int i = have.index_of(want.name);
    if (i < 0) {
      out.emplace_back(ErrorKind::NoSuchField, std::move(d),
                       path + ": the table has no field " + want.name);
      continue;
    }
    const FieldDef& f = have.fields[size_t(i)];
    const Kind w = kind_of(want.type), h = kind_of(f.type);
    // A whole number fits any number field; a fraction needs a decimal one.
    const bool type_ok = w == h ? w != Kind::Other : (w == Kind::Integer && h == Kind::Decimal);
    if (!type_ok) {
      out.emplace_back(
          ErrorKind::FieldWrongType, std::move(d),
          path + ": field " + want.name + " is " + shown(f) + ", the program needs " + shown(want));
      continue;
    }
    bool narrow = false;
    if (w == Kind::Text) narrow = f.width < want.width;
    if (dbase_number(want.type) && dbase_number(f.type))
      narrow = integer_digits(f) < integer_digits(want) || f.decimals < want.decimals;
    if (want.type == FieldType::Long && f.type == FieldType::Short) narrow = true;
    if (narrow)
      out.emplace_back(
          ErrorKind::FieldTooNarrow, std::move(d),
          path + ": field " + want.name + " is " + shown(f) + ", the program needs " + shown(want));
  }
  return out;
}

std::vector<BadCell> unreadable_cells(const Table& table) {
  std::vector<BadCell> out;
  const TableFile& file = table.file();
  const auto& fields = table.schema().fields;
  std::vector<int> candidates;
  for (size_t f = 0; f < fields.size(); ++f)
    if (dbase_number(fields[f].type) || fields[f].type == FieldType::Date)
      candidates.push_back(int(f));
  if (candidates.empty()) return out;
  const size_t ids = table.row_capacity();
  for (RowId id = 0; id < ids; ++id) {
    if (!table.alive(id)) continue;
    for (int f : candidates)
      if (auto text = file.unreadable(table.record(id), f))
        out.push_back(BadCell{int64_t(id) + 1, fields[size_t(f)].name, std::move(*text)});
  }
  return out;
}

Error unreadable_cells_error(const Table& table, std::vector<BadCell> cells) {
  ErrorDetails d;
  d.file = table.path().string();
  std::string what = d.file + ": values that cannot be read:";
  for (const auto& c : cells)
    what += " row " + std::to_string(c.row) + " " + c.field + " '" + c.text + "';";
  what.pop_back();
  d.cells = std::move(cells);
  return Error(ErrorKind::UnreadableCells, std::move(d), what);
}

}  // namespace vmx::store
