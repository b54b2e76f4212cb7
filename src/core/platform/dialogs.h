#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vmx::platform {

// Every message box and small question the core needs. Windows hand their
// operations an implementation: the Qt one shows real boxes; the scripted one
// (tests and valmorix-cli) records every text and answers from a queue.
class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // An information box with an OK button.
  virtual void inform(const std::string& text) = 0;
  // A warning box with an OK button.
  virtual void warn(const std::string& text) = 0;
  // An error box: what the standard error box shows for an uncaught error.
  virtual void error(const std::string& text) = 0;
  // A Yes/No confirmation; true for Yes.
  virtual bool ask(const std::string& text) = 0;
  // A box with one button, shown with its top-left corner at (x, y) on the
  // screen (the trading windows' success boxes stand at (300, 200)).
  virtual void acknowledge_at(const std::string& text, int x, int y) = 0;
  // A one-line text input; nullopt when the user cancels.
  virtual std::optional<std::string> input(const std::string& caption, const std::string& prompt,
                                           const std::string& initial) = 0;
  // A file to open; nullopt when the user cancels. `filter` like "模型文件 (*.prd)".
  virtual std::optional<std::string> pick_file(const std::string& caption,
                                               const std::string& directory,
                                               const std::string& filter) = 0;
  // A file to write, which may not exist yet; nullopt when the user cancels.
  // Unless overridden it is picked as pick_file picks (the scripted dialogs
  // record it as a PickFile).
  virtual std::optional<std::string> pick_save_file(const std::string& caption,
                                                    const std::string& directory,
                                                    const std::string& filter) {
    return pick_file(caption, directory, filter);
  }
};

}  // namespace vmx::platform
