// Starting an outside program and waiting for it.
#include "os/run_and_wait_win.h"

#include <windows.h>

#include <vector>

#include "platform/handle_win.h"

namespace os {

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start record is 68 bytes");
#endif

std::int32_t RunAndWait(const std::string& program, const std::string& commandLine) {
  STARTUPINFOA startup;
  ::ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;

  // CreateProcessA may write into its command line.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');

  platform::UniqueProcessInformation process;
  // The program named as the one to run: without it, CreateProcessA would take the command line's
  // first word and look for it beside USB.exe, in the current folder, the system folders and on
  // the search path. The result is not tested: a failed start leaves both handles null, the wait
  // then fails at once with WAIT_FAILED and that value is what is returned.
  ::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                   &startup, process.put());

  DWORD result = ::WaitForSingleObject(process.process(), INFINITE);
  ::GetExitCodeProcess(process.process(), &result);  // replaces result only on success
  process.reset();  // the thread handle, then the process handle
  return static_cast<std::int32_t>(result);
}

}  // namespace os
