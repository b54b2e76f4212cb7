#include "core/market/day_file_probe.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vmx::market {

namespace {

int32_t le32_at(const std::vector<uint8_t>& d, size_t at) {
  const uint32_t u = uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
                     uint32_t(d[at + 3]) << 24;
  int32_t i;
  std::memcpy(&i, &u, 4);
  return i;
}

std::string general(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

}  // namespace

std::string format_hash_2(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  const bool neg = s[0] == '-';
  std::string digits = neg ? s.substr(1) : s;
  if (digits.rfind("0.", 0) == 0) digits.erase(0, 1);
  if (digits == "0") digits.clear();
  return (neg && !digits.empty() ? "-" : "") + digits;
}

ProbeResult probe_day_file(const std::vector<uint8_t>& data, const std::string& file_name,
                           platform::Dialogs& dialogs) {
  ProbeResult r;
  const size_t f = data.size();
  if (f < static_cast<size_t>(kProbeShortest)) {
    dialogs.warn("文件" + file_name + "只有" + std::to_string(f) + "个字节,比最短的记录长度" +
                 std::to_string(kProbeShortest) + "还短,不能测试.");
    return r;
  }
  const int longest = static_cast<int>(std::min<size_t>(kProbeLongest, f));
  for (int pass = 0; pass < 2 && !r.length; ++pass) {
    for (int l = kProbeShortest; l <= longest; ++l) {
      const int32_t date = le32_at(data, f - l);
      const std::string q = pass == 0 ? std::to_string(date) + "这是最近日期吗? 请仔细回答!"
                                      : std::to_string(~date) + "  这是最近日期吗? 请仔细回答!";
      if (dialogs.ask(q)) {
        r.length = l;
        r.complemented = pass == 1;
        break;
      }
    }
  }
  if (!r.length) {
    dialogs.inform("没法找到日期字段,放弃测试");
    return r;
  }
  dialogs.inform("记录长度是" + std::to_string(*r.length) +
                 (r.complemented ? ";可能是胜龙格式." : ""));
  return r;
}

namespace {

// The price readings of the close, asked in turn after the length is stored.
std::optional<int> ask_type(const std::vector<uint8_t>& data, int length,
                            platform::Dialogs& dialogs) {
  const size_t at = data.size() - length + 16;
  const int32_t i = le32_at(data, at);
  float f;
  std::memcpy(&f, &data[at], 4);
  if (dialogs.ask(format_hash_2(f) + "   这是最近价格吗? 请仔细回答!")) {
    dialogs.inform("价格数据类型是0,和汇金相同");
    return 0;
  }
  if (dialogs.ask(general(i * 0.001) + "这是最近价格吗?")) {
    dialogs.inform("价格数据类型是3,和钱龙相同");
    return 3;
  }
  if (dialogs.ask(general(i * 0.01) + "这是最近价格吗?")) {
    dialogs.inform("价格数据类型是2, 和慧眼,建功相同");
    return 2;
  }
  if (dialogs.ask(general(~i * 0.001) + "这是最近价格吗?")) {
    dialogs.inform("价格数据类型是1, 和胜龙相同");
    return 1;
  }
  dialogs.inform("抱歉,要么记录长度错了,要么你骗我,要么因为我能耐有限, 只好放弃!");
  return std::nullopt;
}

}  // namespace

ProbeResult run_probe(store::Cursor& sources, platform::Dialogs& dialogs,
                      const std::filesystem::path& start_dir) {
  const auto picked = dialogs.pick_file("K线文件格式测试", start_dir.string(), "K线文件 (*)");
  if (!picked) return {};
  std::ifstream in(*picked, std::ios::binary);
  if (!in) {
    dialogs.warn("文件" + *picked + "打不开.");
    return {};
  }
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  ProbeResult r = probe_day_file(data, *picked, dialogs);
  if (!r.length) return r;
  sources.set_double("LENGTH", *r.length);
  sources.post();
  r.type = ask_type(data, *r.length, dialogs);
  if (r.type) {
    sources.set_string("TYPE", std::to_string(*r.type));
    sources.post();
  }
  return r;
}

}  // namespace vmx::market
