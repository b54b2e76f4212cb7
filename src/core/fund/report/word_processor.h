#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/platform/dialogs.h"
#include "core/platform/shell.h"

namespace vmx::fund::report {

inline constexpr const char* kWordProcessorNotice =
    "本操作将调用写字板编辑报告文件，编好后需用选择报告内容，用剪贴放如入剪贴板，"
    "退出后用粘贴放入本窗口。";
inline constexpr const char* kWordProcessorMissing =
    "找不到c:\\windows\\write.exe, 请copy一个再做此操作。";
inline constexpr const char* kWordProcessorFailed = "调用写字班板有错，请调用其他编辑软件。";

// The text file a report is edited in, in the account's directory.
inline constexpr const char* kReportTextFile = "report.txt";

// "用写字板编辑剪贴" and the main window's "用写字板编辑业绩报告": the notice,
// then the report text written to `file` (UTF-8; without `text` the file is
// kept as it is, created empty when missing) and opened in the word processor,
// the desktop's application for text files, through the shell. A start that
// fails is told in the program's words. False when nothing was started (the
// file could not be written: store::Error).
bool edit_in_word_processor(platform::Shell& shell, platform::Dialogs& dialogs,
                            const std::filesystem::path& file,
                            const std::optional<std::string>& text);

}  // namespace vmx::fund::report
