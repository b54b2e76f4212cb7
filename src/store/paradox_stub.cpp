// Stand-ins until the Paradox codec lands; the real definitions override these.
#include "store/error.h"
#include "store/table_file.h"

namespace vmx::store {

__attribute__((weak)) std::unique_ptr<TableFile> open_paradox(const std::filesystem::path& path,
                                                              const OpenOptions&) {
  throw Error(path.string() + ": Paradox tables are not supported yet");
}

__attribute__((weak)) std::unique_ptr<TableFile> create_paradox(const std::filesystem::path& path,
                                                                const Schema&) {
  throw Error(path.string() + ": Paradox tables are not supported yet");
}

}  // namespace vmx::store
