#include "core/store/schema.h"

namespace vmx::store {

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

int Schema::index_of(std::string_view name) const {
  for (size_t i = 0; i < fields.size(); ++i)
    if (iequals(fields[i].name, name)) return static_cast<int>(i);
  return -1;
}

bool is_numeric(FieldType t) {
  switch (t) {
    case FieldType::Numeric:
    case FieldType::Float:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Number:
    case FieldType::Currency:
    case FieldType::AutoInc:
    case FieldType::Bcd:
      return true;
    default:
      return false;
  }
}

bool is_text(FieldType t) { return t == FieldType::Character || t == FieldType::Memo; }

}  // namespace vmx::store
