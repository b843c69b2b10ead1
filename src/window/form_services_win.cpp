// Form1's real services for the handlers: its controls, MsgBoxEx, RunAndWait, the file system, the shell.
#include <windows.h>

#include "links/links_win.h"
#include "msgbox/msgbox_win.h"
#include "platform/text_win.h"
#include "steps/run_and_wait_win.h"
#include "window/form1_win.h"

namespace window {
namespace {

static_assert(services::MessageStyle == MB_OK, "form_services.h's message style is MB_OK");

// No "insert a disk" dialog for a stick that has gone: the query just fails.
class QuietErrors {
 public:
  QuietErrors() : previous_(::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietErrors() { ::SetErrorMode(previous_); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  UINT previous_;
};

// Empty when the query fails, or when the folder does not fit (the query then asks for more room).
std::optional<std::string> FolderFrom(DWORD (*query)(DWORD, char*)) {
  char buffer[MAX_PATH + 1] = {};
  DWORD n = query(sizeof buffer, buffer);
  if (n == 0 || n >= sizeof buffer) return std::nullopt;
  return platform::FromAnsi(std::string(buffer, n));
}

DWORD CurrentDirectoryA(DWORD size, char* buffer) { return ::GetCurrentDirectoryA(size, buffer); }
// The shared system folder, whose drive is the system drive. GetWindowsDirectoryA would give,
// on a Remote Desktop server, the user's private Windows folder, on whatever drive that is.
DWORD SystemWindowsDirectoryA(DWORD size, char* buffer) { return ::GetSystemWindowsDirectoryA(buffer, size); }

class WindowServices final : public services::FormServices {
 public:
  explicit WindowServices(Form1& form) : form_(form) {}

  std::string DriveBoxText() override { return form_.DriveBoxText(); }
  std::string StatusText() override { return form_.StatusText(); }
  void SetStatusText(const std::string& text) override { form_.SetStatusText(text); }

  std::int16_t ShowMessage(const std::string& prompt, const std::string& title, std::uint32_t style,
                           std::int32_t x, std::int32_t y) override {
    return msgbox::MsgBoxEx(form_.Handle(), prompt, title, style, x, y);
  }

  std::int32_t RunAndWait(const std::string& commandLine) override {
    return steps::RunAndWait(platform::ToAnsi(commandLine));
  }

  std::optional<std::int64_t> FileLength(const std::string& path) override {
    QuietErrors quiet;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(platform::ToAnsi(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;  // a folder is no file
    // 64 bits: an image of 2 GiB or more is measured whole.
    return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  std::optional<std::string> CurrentDirectory() override { return FolderFrom(&CurrentDirectoryA); }
  std::optional<std::string> WindowsFolder() override { return FolderFrom(&SystemWindowsDirectoryA); }

  bool RenameFile(const std::string& from, const std::string& to) override {
    QuietErrors quiet;
    return ::MoveFileExA(platform::ToAnsi(from).c_str(), platform::ToAnsi(to).c_str(), MOVEFILE_REPLACE_EXISTING) !=
           0;
  }

  bool RemoveFile(const std::string& path) override {
    QuietErrors quiet;
    return ::DeleteFileA(platform::ToAnsi(path).c_str()) != 0;
  }

  std::int32_t OpenWithShell(const std::string& document, std::int32_t showCommand) override {
    return links::OpenWithShell(document, showCommand);
  }

 private:
  Form1& form_;
};

}  // namespace

std::unique_ptr<services::FormServices> MakeFormServices(Form1& form) { return std::make_unique<WindowServices>(form); }

}  // namespace window
