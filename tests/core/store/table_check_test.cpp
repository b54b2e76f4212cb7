// Files whose headers, fields or cells cannot be trusted: refused at open,
// refused for writing, and listed by `valmorix-cli check`.
#include "core/store/table_check.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "core/platform/scripted_dialogs.h"
#include "core/store/cursor.h"
#include "core/store/session.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace vmx::store {
namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

Bytes read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
void write_bytes(const fs::path& p, const Bytes& b) {
  std::ofstream(p, std::ios::binary | std::ios::trunc).write(b.data(), std::streamsize(b.size()));
}
void put16(Bytes& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
void put32(Bytes& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
uint16_t get16(const Bytes& b, size_t at) {
  uint16_t v;
  std::memcpy(&v, &b[at], 2);
  return v;
}

Schema schema_of(const char* file) { return find_table_spec(file)->schema; }

// A holdings ledger of `rows` rows, as the program writes it; returns its bytes.
Bytes ledger_file(const fs::path& p, int rows, Schema schema = schema_of("tr2.DBF")) {
  auto t = create_table_file(p, schema);
  std::vector<uint8_t> rec(t->record_size());
  for (int i = 0; i < rows; ++i) {
    t->blank_record(rec.data());
    t->set(rec.data(), 0, Value::text("A" + std::to_string(i)));
    t->insert(rec.data());
  }
  return read_bytes(p);
}

TEST(TableCheck, HeadersThatLieAreRefusedAndChecked) {
  test::TempDir dir;
  const Bytes good = ledger_file(dir / "good.dbf", 6);
  const size_t hl = get16(good, 8), rl = get16(good, 10);
  const Bytes last_record = good.substr(hl + 5 * rl, rl);
  const Bytes body = good.substr(0, good.size() - 1);  // without the 1A
  struct Case {
    const char* name;
    std::function<void(Bytes&)> mutate;
    const char* says;  // nullptr: the file is fine and opens with `live` rows
    size_t live = 6;
  };
  const std::vector<Case> cases = {
      {"count-smaller", [](Bytes& b) { put32(b, 4, 2); }, "4 more follow"},
      {"count-larger", [](Bytes& b) { put32(b, 4, 9); }, "holds only 6"},
      {"header-864", [](Bytes& b) { put16(b, 8, 864); }, "header length 864"},
      {"header-866", [](Bytes& b) { put16(b, 8, 866); }, "header length 866"},
      {"header-2000", [](Bytes& b) { put16(b, 8, 2000); }, "header length 2000"},
      {"record-293", [](Bytes& b) { put16(b, 10, 293); }, "record length 293"},
      {"width-255", [](Bytes& b) { b[32 + 25 * 32 + 16] = char(255); }, "record length 292"},
      {"decimals-255", [](Bytes& b) { b[32 + 10 * 32 + 17] = char(255); }, "255 decimals"},
      {"decimals-width", [](Bytes& b) { b[32 + 9 * 32 + 17] = 2; }, "2 decimals"},
      // An insert of an earlier version killed before its header write.
      {"uncounted-row", [&](Bytes& b) { b = body + last_record + "\x1A"; }, "1 more follow"},
      {"junk-after-end", [](Bytes& b) { b += "junk"; }, nullptr},
      {"no-end-mark", [&](Bytes& b) { b = body; }, nullptr},
      // Killed inside insert after its first write, and after its second.
      {"torn-insert-1", [&](Bytes& b) { b = body + "*" + last_record.substr(1) + "\x1A"; },
       nullptr},
      {"torn-insert-2",
       [&](Bytes& b) {
         b = body + "*" + last_record.substr(1) + "\x1A";
         put32(b, 4, 7);
       },
       nullptr},
  };
  for (const auto& c : cases) {
    const fs::path p = dir / (std::string(c.name) + ".dbf");
    Bytes bytes = good;
    c.mutate(bytes);
    write_bytes(p, bytes);
    const test::CliRun check = test::run_cli("check " + p.string());
    if (!c.says) {
      EXPECT_EQ(check.code, 0) << c.name << ": " << check.out;
      // It opens, and the next row goes where the count says, ending the file.
      auto t = open_table_file(p);
      size_t live = 0;
      t->load([&](RowId, const uint8_t*) { ++live; });
      EXPECT_EQ(live, c.live) << c.name;
      std::vector<uint8_t> rec(t->record_size());
      t->blank_record(rec.data());
      const RowId id = t->insert(rec.data());
      EXPECT_EQ(read_bytes(p).size(), hl + (id + 1) * rl + 1) << c.name;
      continue;
    }
    EXPECT_EQ(check.code, 1) << c.name;
    EXPECT_NE(check.out.find(p.string() + ": "), std::string::npos) << c.name << check.out;
    EXPECT_NE(check.out.find(c.says), std::string::npos) << c.name << ": " << check.out;
    try {
      open_table_file(p);
      ADD_FAILURE() << c.name << " opened";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), ErrorKind::Damaged) << c.name;
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.name << e.what();
      EXPECT_EQ(user_message(e).rfind("数据表 " + p.string() + " 的文件头与内容不符", 0), 0);
    }
    EXPECT_EQ(read_bytes(p), bytes) << c.name << " was changed";
  }
  // The same for a Paradox table's counts and chain ends.
  {
    auto t = create_table_file(dir / "good.db", schema_of("qs.db"));
    std::vector<uint8_t> rec(t->record_size());
    t->blank_record(rec.data());
    t->set(rec.data(), 0, Value::text("01"));
    t->insert(rec.data());
  }
  const Bytes px = read_bytes(dir / "good.db");
  const std::vector<std::pair<size_t, const char*>> paradox = {
      {0x00, "record size"},
      {0x0C, "blocks, the file holds only"},
      {0x0E, "past the end of the file"},
      {0x10, "lies outside the file"}};
  for (const auto& [at, says] : paradox) {
    const fs::path p = dir / ("px" + std::to_string(at) + ".db");
    Bytes bytes = px;
    put16(bytes, at, uint16_t(get16(bytes, at) + 40));
    write_bytes(p, bytes);
    const test::CliRun check = test::run_cli("check " + p.string());
    EXPECT_EQ(check.code, 1) << says;
    EXPECT_NE(check.out.find(says), std::string::npos) << check.out;
    EXPECT_EQ(read_bytes(p), bytes);
  }
  EXPECT_EQ(test::run_cli("check " + (dir / "good.db").string()).code, 0);

  EXPECT_EQ(test::run_cli("check").code, 2);
  EXPECT_EQ(test::run_cli("check " + (dir / "missing.dbf").string()).code, 2);
}

TEST(TableCheck, UnreadableCellsAreListedAndTheTableIsNotWritten) {
  test::TempDir dir;
  const fs::path p = dir / "cells.dbf";
  Schema s;
  s.fields = {{"V", FieldType::Numeric, 8, 2}, {"D", FieldType::Date, 8, 0}};
  struct Row {
    const char* v;
    const char* d;
  };
  // Rows 1, 2 and 9 read well or are blank; the rest each hold a bad cell.
  const std::vector<Row> rows = {
      {"   12.50", "20240131"}, {"        ", "        "}, {"     abc", "00000000"},
      {"   1.2.3", "        "}, {"    ****", "        "}, {"     nan", "        "},
      {"        ", "20230230"}, {"        ", "2023 1 1"}, {"********", "19991231"},
  };
  {
    auto t = create_table_file(p, s);
    std::vector<uint8_t> rec(t->record_size());
    for (const auto& r : rows) {
      rec[0] = ' ';
      std::memcpy(&rec[1], r.v, 8);
      std::memcpy(&rec[9], r.d, 8);
      t->insert(rec.data());
    }
  }
  const std::vector<BadCell> bad = {{3, "V", "abc"}, {4, "V", "1.2.3"},    {5, "V", "****"},
                                    {6, "V", "nan"}, {7, "D", "20230230"}, {8, "D", "2023 1 1"}};
  const Bytes before = read_bytes(p);

  platform::ScriptedDialogs dialogs;
  Session session;
  session.set_dialogs(&dialogs);
  auto table = session.open_table(dir.path().string(), "cells.dbf");
  EXPECT_EQ(unreadable_cells(*table), bad);
  ASSERT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(dialogs.shown()[0].kind, platform::ScriptedDialogs::Kind::Warn);
  EXPECT_EQ(dialogs.shown()[0].text,
            "数据表 " + p.string() +
                " 中有读不懂的内容,改正之前程序不修改这个表(读作空白会算错合计):\n"
                "第 3 行 V:“abc”\n第 4 行 V:“1.2.3”\n第 5 行 V:“****”\n第 6 行 V:“nan”\n"
                "第 7 行 D:“20230230”\n第 8 行 D:“2023 1 1”");
  Cursor c(session, dir.path().string(), "cells.dbf");
  c.open();
  try {
    c.set("V", Value::number(1));
    c.post();
    ADD_FAILURE() << "the table was written";
  } catch (const Error& e) {
    EXPECT_EQ(e.kind(), ErrorKind::UnreadableCells);
    EXPECT_EQ(e.details().cells, bad);
  }
  EXPECT_THROW(table->erase(0), Error);
  EXPECT_EQ(read_bytes(p), before);

  const test::CliRun check = test::run_cli("check " + p.string());
  EXPECT_EQ(check.code, 1);
  EXPECT_EQ(check.out, p.string() + ": row 3, field V: 'abc' cannot be read\n" + p.string() +
                           ": row 4, field V: '1.2.3' cannot be read\n" + p.string() +
                           ": row 5, field V: '****' cannot be read\n" + p.string() +
                           ": row 6, field V: 'nan' cannot be read\n" + p.string() +
                           ": row 7, field D: '20230230' cannot be read\n" + p.string() +
                           ": row 8, field D: '2023 1 1' cannot be read\n");
}

TEST(TableCheck, CatalogueTablesNeedTheirFieldsBeforeAnyWrite) {
  struct Case {
    const char* name;
    std::function<void(std::vector<FieldDef>&)> change;
    ErrorKind kind;  // Other: opens
    const char* field;
  };
  auto find = [](std::vector<FieldDef>& f, const char* n) -> FieldDef& {
    return *std::find_if(f.begin(), f.end(), [&](const FieldDef& d) { return d.name == n; });
  };
  const std::vector<Case> cases = {
      {"no YHS",
       [&](auto& f) {
         f.erase(std::find_if(f.begin(), f.end(), [](auto& d) { return d.name == "YHS"; }));
       },
       ErrorKind::NoSuchField, "YHS"},
      {"AMT as text",
       [&](auto& f) {
         find(f, "AMT") = {"AMT", FieldType::Character, 19, 0};
       },
       ErrorKind::FieldWrongType, "AMT"},
      {"WTH narrow", [&](auto& f) { find(f, "WTH").width = 5; }, ErrorKind::FieldTooNarrow, "WTH"},
      {"AMT 2 decimals", [&](auto& f) { find(f, "AMT").decimals = 2; }, ErrorKind::FieldTooNarrow,
       "AMT"},
      {"extra field and wider",
       [&](auto& f) {
         find(f, "NOTE").width = 40;
         f.push_back({"EXTRA", FieldType::Character, 4, 0});
       },
       ErrorKind::Other, ""},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    Schema s = schema_of("tr2.DBF");
    c.change(s.fields);
    const Bytes before = ledger_file(dir / "tr2.DBF", 2, s);
    Session session;
    try {
      session.open_table(dir.path().string(), "tr2.DBF");
      EXPECT_EQ(c.kind, ErrorKind::Other) << c.name << " opened";
    } catch (const Error& e) {
      EXPECT_EQ(e.kind(), c.kind) << c.name << ": " << e.what();
      EXPECT_EQ(e.details().field, c.field) << c.name;
      EXPECT_EQ(e.details().file, (dir / "tr2.DBF").string()) << c.name;
    }
    EXPECT_EQ(read_bytes(dir / "tr2.DBF"), before) << c.name;
    EXPECT_EQ(test::run_cli("check " + (dir / "tr2.DBF").string()).code,
              c.kind == ErrorKind::Other ? 0 : 1)
        << c.name;
  }
}

TEST(TableCheck, UserMessagesAreChinese) {
  const std::string f = "/d/tr2.DBF";
  ErrorDetails full = ErrorDetails::of(f);
  full.os_error = ENOSPC;
  EXPECT_EQ(user_message(Error(ErrorKind::CannotWrite, full, "x")),
            "写不进数据表 /d/tr2.DBF:磁盘已满。操作到此停止,此前保存的修改仍在。");
  EXPECT_EQ(user_message(Error(ErrorKind::NoSuchField, ErrorDetails::of(f, "YHS"), "x")),
            "数据表 /d/tr2.DBF 缺少字段 YHS,程序没有改动这个表。");
  EXPECT_EQ(user_message(Error(ErrorKind::KeyViolation, ErrorDetails::of(f), "key violation")),
            "数据表 /d/tr2.DBF 中已有关键字相同的一行,这一行没有保存。");
  EXPECT_EQ(user_message(Error("账户已锁定")), "账户已锁定");  // texts made elsewhere stay
}

}  // namespace
}  // namespace vmx::store
