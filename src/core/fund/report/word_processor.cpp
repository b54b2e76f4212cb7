#include "core/fund/report/word_processor.h"

#include <fstream>

#include "core/store/error.h"

namespace vmx::fund::report {

bool edit_in_word_processor(platform::Shell& shell, platform::Dialogs& dialogs,
                            const std::filesystem::path& file,
                            const std::optional<std::string>& text) {
  dialogs.inform(kWordProcessorNotice);
  std::error_code ec;
  if (text || !std::filesystem::exists(file, ec)) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text.value_or("");
    if (!out.good()) throw store::Error("cannot write " + file.string());
  }
  const int result =
      shell.execute(file.string(), " ", file.parent_path().string(), platform::Shell::kShow);
  if (platform::Shell::started(result)) return true;
  dialogs.warn(result == platform::Shell::kFileNotFound ? kWordProcessorMissing
                                                        : kWordProcessorFailed);
  return false;
}

}  // namespace vmx::fund::report
