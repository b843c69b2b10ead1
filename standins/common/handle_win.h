// One RAII owner for the Win32 handles the stand-ins use, so that no early return leaks one.
#pragma once

#include <windows.h>

// Traits give the handle type's invalid value and how to close it; files and
// searches use INVALID_HANDLE_VALUE, process handles and LocalAlloc blocks use null.
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Type get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }

  Type release() {
    Type h = h_;
    h_ = Traits::Invalid();
    return h;
  }

  void reset(Type h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  Type h_ = Traits::Invalid();
};

struct FileHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseHandle(h); }
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { CloseHandle(h); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { FindClose(h); }
};

// Blocks the system allocates for us with LocalAlloc (argv arrays, message texts).
template <typename T>
struct LocalAllocTraits {
  using Type = T;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { LocalFree(h); }
};

using FileHandle = UniqueHandle<FileHandleTraits>;
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using ArgvBlock = UniqueHandle<LocalAllocTraits<LPWSTR*>>;
using LocalText = UniqueHandle<LocalAllocTraits<wchar_t*>>;

// CreateProcess hands back two handles at once; this owns both.
struct ProcessInfo {
  KernelHandle process;
  KernelHandle thread;
  DWORD process_id = 0;

  void Take(const PROCESS_INFORMATION& pi) {
    process.reset(pi.hProcess);
    thread.reset(pi.hThread);
    process_id = pi.dwProcessId;
  }
};
