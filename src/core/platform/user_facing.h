#pragma once

#include <string>

namespace vmx::platform {

// An error that can say itself in the words a user reads (Chinese), beside
// what() which stays the technical text for logs and tests. The error boundary
// and the command line show user_text() where an error offers one.
class UserFacing {
 public:
  virtual ~UserFacing() = default;
  virtual std::string user_text() const = 0;
};

}  // namespace vmx::platform
