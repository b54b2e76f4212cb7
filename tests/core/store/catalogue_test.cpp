#include "core/store/catalogue.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace vmx::store {
namespace {

// Every table the program reads or writes, where it lives and in which format.
TEST(Catalogue, HoldsEveryTableOfTheProgram) {
  struct Expected {
    const char* file;
    Place place;
    Format format;
    bool earlier;
  };
  const auto P = Place::Program, A = Place::Account;
  const auto DB = Format::Paradox, DBF = Format::DBase;
  const Expected expected[] = {
      {"z.db", P, DB, false},
      {"lx.DB", P, DB, false},
      {"code_to_lx.DBF", P, DBF, false},
      {"qs.db", P, DB, false},
      {"bi.db", P, DB, false},
      {"code_N_P.DBF", P, DBF, false},
      {"TZLX.db", P, DB, false},
      {"wt_path.DB", P, DB, false},
      {"hq_path.DBF", P, DBF, false},
      {"allstocks.DBF", P, DBF, false},
      {"parameter.DBF", P, DBF, false},
      {"bak_path.DBF", P, DBF, false},
      {"tr2.DBF", A, DBF, false},
      {"tr0.DBF", A, DBF, true},
      {"fund2.DB", A, DB, false},
      {"fund.db", A, DB, true},
      {"zh_bi.db", A, DB, false},
      {"sph.db", A, DB, false},
      {"addr.dbf", A, DBF, false},
      {"tich.DB", A, DB, false},
      {"groups.db", A, DB, false},
      {"devision.DB", A, DB, false},
  };
  EXPECT_EQ(catalogue().size(), std::size(expected));
  for (const auto& e : expected) {
    SCOPED_TRACE(e.file);
    const TableSpec* t = find_table_spec(e.file);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->file, e.file);  // spelled as the program spells it
    EXPECT_EQ(t->place, e.place);
    EXPECT_EQ(t->format, e.format);
    EXPECT_EQ(t->earlier_version, e.earlier);
    EXPECT_FALSE(t->purpose.empty());
  }
}

// The field names that a selection expression mentions: words outside quotes
// that are not keywords or numbers.
std::vector<std::string> selection_fields(const std::string& s) {
  static const std::set<std::string> keywords = {"and", "or", "not", "true", "false", "null"};
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    if (s[i] == '\'' || s[i] == '"') {
      const size_t end = s.find(s[i], i + 1);
      i = end == std::string::npos ? s.size() : end + 1;
    } else if (std::isalpha(static_cast<unsigned char>(s[i])) || s[i] == '_') {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
      std::string word = s.substr(i, j - i);
      std::string lower;
      for (char ch : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      if (!keywords.count(lower)) out.push_back(word);
      i = j;
    } else {
      ++i;
    }
  }
  return out;
}

// What each format can hold, so a file we create is one that other readers open.
TEST(Catalogue, EveryTableFitsItsFormat) {
  for (const TableSpec& t : catalogue()) {
    SCOPED_TRACE(t.file);
    const auto& fields = t.schema.fields;
    ASSERT_FALSE(fields.empty());
    std::set<std::string> names;
    for (const FieldDef& f : fields) {
      SCOPED_TRACE(f.name);
      std::string lower;
      for (char ch : f.name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      EXPECT_TRUE(names.insert(lower).second) << "duplicate field name";
      EXPECT_EQ(t.schema.index_of(f.name), static_cast<int>(&f - fields.data()));
      for (char ch : f.name) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_');
      if (t.format == Format::DBase) {
        EXPECT_LE(f.name.size(), 10u);
        switch (f.type) {
          case FieldType::Character:
            EXPECT_GE(f.width, 1);
            EXPECT_LE(f.width, 254);
            break;
          case FieldType::Numeric:
            EXPECT_GE(f.width, 1);
            EXPECT_LE(f.width, 19);  // dBase III's limit, which python3-dbf enforces
            if (f.decimals > 0) {
              EXPECT_LE(f.decimals, f.width - 2);
            }
            break;
          case FieldType::Date:
            EXPECT_EQ(f.width, 8);
            break;
          case FieldType::Logical:
            EXPECT_EQ(f.width, 1);
            break;
          default:
            ADD_FAILURE() << "type not written to dBase files";
        }
      } else {
        EXPECT_LE(f.name.size(), 25u);
        switch (f.type) {
          case FieldType::Character:
            EXPECT_GE(f.width, 1);
            EXPECT_LE(f.width, 255);
            break;
          case FieldType::Number:
          case FieldType::Currency:
            EXPECT_EQ(f.width, 8);
            break;
          case FieldType::Date:
          case FieldType::Long:
            EXPECT_EQ(f.width, 4);
            break;
          case FieldType::Short:
            EXPECT_EQ(f.width, 2);
            break;
          case FieldType::Logical:
            EXPECT_EQ(f.width, 1);
            break;
          default:
            ADD_FAILURE() << "type not written to Paradox files";
        }
      }
    }
    // Only Paradox tables have a primary key, and it is made of leading fields.
    EXPECT_GE(t.schema.key_fields, 0);
    EXPECT_LE(t.schema.key_fields, static_cast<int>(fields.size()));
    if (t.format == Format::DBase) {
      EXPECT_EQ(t.schema.key_fields, 0);
    }

    std::set<std::string> index_names;
    for (const IndexDef& ix : t.indexes) {
      SCOPED_TRACE(ix.name);
      EXPECT_FALSE(ix.name.empty());
      if (t.format == Format::DBase) {
        EXPECT_LE(ix.name.size(), 10u);  // .MDX tag names
      }
      std::string lower;
      for (char ch : ix.name)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      EXPECT_TRUE(index_names.insert(lower).second) << "duplicate index name";
      EXPECT_FALSE(ix.fields.empty());
      for (const auto& f : ix.fields) EXPECT_GE(t.schema.index_of(f), 0) << f;
      for (const auto& f : selection_fields(ix.selection)) EXPECT_GE(t.schema.index_of(f), 0) << f;
    }
  }
}

// Spot checks of fields other code reads by name and position.
TEST(Catalogue, KeysAndFieldsOtherPartsRelyOn) {
  struct Case {
    const char* file;
    int key_fields;
    const char* field;
    FieldType type;
    int width;
  };
  const Case cases[] = {
      {"z.db", 2, "User_password", FieldType::Character, 8},
      {"lx.DB", 1, "Oversell", FieldType::Logical, 1},
      {"TZLX.db", 1, "Xabc", FieldType::Character, 2},
      {"zh_bi.db", 0, "Bicode", FieldType::Character, 4},
      {"fund2.DB", 0, "PYCODE", FieldType::Character, 6},
      {"fund2.DB", 0, "CZXH", FieldType::Long, 4},
      {"tr2.DBF", 0, "WTH", FieldType::Character, 11},
      {"tr2.DBF", 0, "CJ_DH", FieldType::Character, 11},
      {"tr2.DBF", 0, "NOTE", FieldType::Character, 10},
      {"addr.dbf", 0, "PYCODE", FieldType::Character, 4},
      {"hq_path.DBF", 0, "SHCODEFILE", FieldType::Character, 15},
      {"sph.db", 0, "Amt2", FieldType::Character, 9},
      {"groups.db", 0, "Group", FieldType::Short, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + "." + c.field);
    const TableSpec* t = find_table_spec(c.file);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->schema.key_fields, c.key_fields);
    const int i = t->schema.index_of(c.field);
    ASSERT_GE(i, 0);
    EXPECT_EQ(t->schema.fields[i].name, c.field);
    EXPECT_EQ(t->schema.fields[i].type, c.type);
    EXPECT_EQ(t->schema.fields[i].width, c.width);
  }
  // The ledger's earlier version: the ledger's fields without BS and BIRATE.
  const auto& tr2 = find_table_spec("tr2.DBF")->schema;
  const auto& tr0 = find_table_spec("tr0.DBF")->schema;
  EXPECT_EQ(tr0.fields.size() + 2, tr2.fields.size());
  for (const auto& f : tr0.fields) {
    const int i = tr2.index_of(f.name);
    ASSERT_GE(i, 0) << f.name;
    EXPECT_EQ(tr2.fields[i].width, f.width) << f.name;
  }
}

TEST(Catalogue, LookupIgnoresCaseAndDirectories) {
  EXPECT_EQ(find_table_spec("TR2.dbf"), find_table_spec("tr2.DBF"));
  EXPECT_EQ(find_table_spec("/data/user/FUND2.DB"), find_table_spec("fund2.DB"));
  EXPECT_EQ(find_table_spec(".\\user\\sph.DB"), find_table_spec("sph.db"));
  EXPECT_EQ(find_table_spec("tr3.DBF"), nullptr);
  EXPECT_EQ(find_table_spec(""), nullptr);

  const auto tags = indexes_for("Tr2.Dbf");
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_EQ(tags[0].name, "NO_PC");
  EXPECT_EQ(tags[0].fields, (std::vector<std::string>{"QSDM", "ZJZH"}));
  EXPECT_TRUE(indexes_for("nothing.db").empty());
  ASSERT_EQ(indexes_for("ADDR.DBF").size(), 2u);
  EXPECT_EQ(indexes_for("ADDR.DBF")[1].fields, (std::vector<std::string>{"PC", "PYCODE"}));
}

}  // namespace
}  // namespace vmx::store
