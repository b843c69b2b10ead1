// No "insert a disk" dialog from the system while a query runs: a drive that has gone just fails.
#pragma once

#include <windows.h>

namespace os {

class QuietErrors {
 public:
  QuietErrors() : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietErrors() { ::SetErrorMode(previous_); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  UINT previous_;
};

}  // namespace os
