#pragma once

#include <string>

namespace vmx::platform {

// Opens the help file at a keyword. The viewer arrives later; until then the
// program's implementation writes the request to standard error so that a
// user who presses a help button sees why nothing opens.
class Help {
 public:
  virtual ~Help() = default;
  virtual void open_keyword(const std::string& keyword) = 0;
  virtual void open_contents() = 0;
};

// Logs each request to standard error ("help: keyword login").
class LoggingHelp : public Help {
 public:
  void open_keyword(const std::string& keyword) override;
  void open_contents() override;
};

}  // namespace vmx::platform
