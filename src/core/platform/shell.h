#pragma once

#include <string>
#include <vector>

namespace vmx::platform {

// Starts outside programs: the broker's order program, the editor for report
// texts. A call names the file, a parameter string, the working directory and
// how the window is to show, and returns at once without waiting for the
// program. The result is a number: greater than kLastFailure means started;
// kFileNotFound means the file is not there; anything else is another failure.
//
// Nothing given here ever passes through a command interpreter: the file is
// started directly, or, when it is a document rather than a program, handed
// to the desktop's opener as one argument.
class Shell {
 public:
  // Show modes; every caller in this program shows the window.
  static constexpr int kShow = 5;

  static constexpr int kStarted = 42;        // what a successful start returns
  static constexpr int kLastFailure = 32;    // results up to this are failures
  static constexpr int kOutOfResources = 0;  // the system could not start a process
  static constexpr int kFileNotFound = 2;    // the file does not exist
  static constexpr int kPathNotFound = 3;    // the working directory does not exist
  static constexpr int kAccessDenied = 5;    // the file may not be started
  static constexpr int kBadFormat = 11;      // the file is no program this system runs
  static constexpr int kNoAssociation = 31;  // no application opens this document

  virtual ~Shell() = default;

  // Starts `file` with `parameters` in `directory` (empty: the current one).
  // A `file` without a directory part is looked for in `directory` first,
  // then along PATH; a relative one with a directory part is taken from
  // `directory`. An executable file is started with the parameters split
  // into arguments (see split_parameters); any other existing file is a
  // document and is opened with the desktop's default application.
  virtual int execute(const std::string& file, const std::string& parameters,
                      const std::string& directory, int show_mode) = 0;

  static bool started(int result) { return result > kLastFailure; }
};

// The parameter string as a list of arguments: split at spaces and tabs;
// a part in double quotes stays one argument (the quotes dropped); nothing
// else is special. " " gives no argument at all.
std::vector<std::string> split_parameters(const std::string& parameters);

// The Linux shell: posix_spawn for programs, xdg-open for documents.
// Children are reaped in the background, so none is left a zombie.
class PosixShell : public Shell {
 public:
  int execute(const std::string& file, const std::string& parameters, const std::string& directory,
              int show_mode) override;

  // The program that opens documents ("xdg-open"); tests point it elsewhere.
  void set_opener(std::string opener) { m_opener = std::move(opener); }

 private:
  std::string m_opener = "xdg-open";
};

// A shell for tests and the command line: records every call and answers with
// the result set beforehand (kStarted unless told otherwise); starts nothing.
class ScriptedShell : public Shell {
 public:
  struct Call {
    std::string file, parameters, directory;
    int show_mode = 0;
    bool operator==(const Call&) const = default;
  };

  void set_result(int result) { m_result = result; }
  const std::vector<Call>& calls() const { return m_calls; }

  int execute(const std::string& file, const std::string& parameters, const std::string& directory,
              int show_mode) override;

 private:
  int m_result = kStarted;
  std::vector<Call> m_calls;
};

}  // namespace vmx::platform
