#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vmx::store {

enum class Format { DBase, Paradox };

// Field types of both formats. dBase: Character, Numeric (N), Float (F),
// Date, Logical, Memo. Paradox: Alpha (stored as Character), Date, Short,
// Long, Number, Currency, Logical, Memo/Blob kinds, AutoInc, Time, Timestamp,
// Bcd, Bytes. The codecs refuse types that their format does not have.
enum class FieldType {
  Character,  // dBase C, Paradox alpha (01)
  Numeric,    // dBase N: ASCII digits with `decimals` places
  Float,      // dBase F
  Date,       // dBase D, Paradox 02
  Logical,    // dBase L, Paradox 09
  Memo,       // dBase M, Paradox 0C (read only)
  Short,      // Paradox 03
  Long,       // Paradox 04
  Number,     // Paradox 06: 8-byte double
  Currency,   // Paradox 05: 8-byte double shown as money
  AutoInc,    // Paradox 16
  Time,       // Paradox 14
  Timestamp,  // Paradox 15
  Bcd,        // Paradox 17 (read only)
  Bytes,      // Paradox 18 (read only)
  Blob,       // Paradox 0D, 0E, 0F, 10 (read only)
};

bool is_numeric(FieldType t);  // Numeric, Float, Short, Long, Number, Currency, AutoInc, Bcd
bool is_text(FieldType t);     // Character, Memo

struct FieldDef {
  std::string name;  // as the catalogue or the file spells it
  FieldType type = FieldType::Character;
  int width = 0;     // bytes on disk (GBK bytes for text)
  int decimals = 0;  // dBase N/F; Paradox BCD
};

struct Schema {
  std::vector<FieldDef> fields;
  int key_fields = 0;  // Paradox keyed table: the leading fields that form the primary key

  // Case-insensitive; -1 when there is no such field.
  int index_of(std::string_view name) const;
};

// Case-insensitive comparison of ASCII names (field names, tag names, file names).
bool iequals(std::string_view a, std::string_view b);

}  // namespace vmx::store
