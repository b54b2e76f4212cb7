#include "core/store/error.h"

#include <cerrno>

#include "core/store/typed_text.h"

namespace vmx::store {

std::string os_error_text(int err) {
  switch (err) {
    case 0:
      return "原因不明";
    case ENOENT:
      return "文件不存在";
    case EACCES:
    case EPERM:
      return "没有访问权限";
    case EROFS:
      return "磁盘是只读的";
    case ENOSPC:
      return "磁盘已满";
    case EDQUOT:
      return "超出了磁盘配额";
    case EIO:
      return "磁盘读写出错";
    case EISDIR:
      return "这是一个目录";
    case EMFILE:
    case ENFILE:
      return "打开的文件太多";
    case EFBIG:
      return "文件太大";
    case EBUSY:
    case ETXTBSY:
      return "文件正被使用";
    default:
      return "系统错误 " + std::to_string(err);
  }
}

std::string Error::user_text() const { return user_message(*this); }

std::string user_message(const Error& e) {
  const ErrorDetails& d = e.details();
  const std::string table = "数据表" + (d.file.empty() ? std::string() : " " + d.file);
  auto lines = [](const std::vector<std::string>& items) {
    std::string out;
    for (const auto& s : items) out += "\n" + s;
    return out;
  };
  switch (e.kind()) {
    case ErrorKind::Other:
      break;
    case ErrorKind::FileMissing:
      return "找不到" + table + "。";
    case ErrorKind::CannotRead:
      return "读不出" + table + ":" + os_error_text(d.os_error) + "。";
    case ErrorKind::CannotWrite:
      return "写不进" + table + ":" + os_error_text(d.os_error) +
             "。操作到此停止,此前保存的修改仍在。";
    case ErrorKind::ReadOnly:
      return table + " 是只读的,修改不能保存。";
    case ErrorKind::Damaged:
      return table + " 的文件头与内容不符,程序没有打开它,也没有改动它。请从备份恢复这个文件:" +
             lines(d.items);
    case ErrorKind::NoSuchField:
      return table + " 缺少字段 " + d.field + ",程序没有改动这个表。";
    case ErrorKind::FieldWrongType:
      return table + " 的字段 " + d.field + " 类型不对(应为 " + d.text + "),程序没有改动这个表。";
    case ErrorKind::FieldTooNarrow:
      return table + " 的字段 " + d.field + " 太窄(应为 " + d.text + "),程序没有改动这个表。";
    case ErrorKind::UnreadableCells: {
      std::string out = table + " 中有读不懂的内容,改正之前程序不修改这个表(读作空白会算错合计):";
      for (const auto& c : d.cells)
        out += "\n第 " + std::to_string(c.row) + " 行 " + c.field + ":“" + c.text + "”";
      return out;
    }
    case ErrorKind::KeyViolation:
      return table + " 中已有关键字相同的一行,这一行没有保存。";
    case ErrorKind::DoesNotFit:
      return "数值 " + d.text + " 放不进" + table + " 的字段 " + d.field + ",这一行没有保存。";
    case ErrorKind::BadNumber:
      return not_a_number(d.text);
    case ErrorKind::BadInteger:
      return not_a_whole_number(d.text);
    case ErrorKind::BadBoolean:
      return "“" + d.text + "”不是有效的逻辑值";
    case ErrorKind::BadDate:
      return not_a_date(d.text);
    case ErrorKind::BadTime:
      return "“" + d.text + "”不是有效的时间";
  }
  return e.what();
}

}  // namespace vmx::store
