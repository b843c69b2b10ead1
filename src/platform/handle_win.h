// RAII owners for Win32 handles: one template, a traits type per kind of handle.
#pragma once

#include <windows.h>

#include <utility>

namespace platform {

// Owns one handle; closes it once. Cannot be copied, can be moved.
template <typename Traits>
class UniqueAny {
 public:
  using pointer = typename Traits::type;

  UniqueAny() noexcept : value_(Traits::invalid()) {}
  explicit UniqueAny(pointer value) noexcept : value_(value) {}
  ~UniqueAny() { reset(); }

  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::invalid(); }

  void reset(pointer value = Traits::invalid()) noexcept {
    pointer old = std::exchange(value_, value);
    if (old != Traits::invalid()) Traits::close(old);
  }
  pointer release() noexcept { return std::exchange(value_, Traits::invalid()); }

  // For out-parameters: closes what is held and hands out the slot.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_;
};

struct KernelHandleTraits {  // processes, threads, events: null when absent
  using type = HANDLE;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::CloseHandle(h); }
};

struct FileHandleTraits {  // CreateFile gives INVALID_HANDLE_VALUE on failure
  using type = HANDLE;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using type = HANDLE;
  static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type h) noexcept { ::FindClose(h); }
};

struct GdiObjectTraits {
  using type = HGDIOBJ;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::DeleteObject(h); }
};

struct IconTraits {
  using type = HICON;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::DestroyIcon(h); }
};

struct ModuleTraits {  // LoadLibrary
  using type = HMODULE;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::FreeLibrary(h); }
};

struct HookTraits {  // SetWindowsHookEx
  using type = HHOOK;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::UnhookWindowsHookEx(h); }
};

struct RegistryKeyTraits {  // RegCreateKeyEx, RegOpenKeyEx
  using type = HKEY;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::RegCloseKey(h); }
};

// Blocks the system allocated for the caller with LocalAlloc (argv arrays, message texts).
template <typename T>
struct LocalAllocTraits {
  using type = T;
  static type invalid() noexcept { return nullptr; }
  static void close(type h) noexcept { ::LocalFree(h); }
};

// A COM interface pointer that the caller holds a reference on: released once. For the
// calls that hand one out through a void** (QueryInterface and its kind), pass
// reinterpret_cast<void**>(owner.put()).
template <typename Interface>
struct ComTraits {
  using type = Interface*;
  static type invalid() noexcept { return nullptr; }
  static void close(type p) noexcept { p->Release(); }
};

using UniqueHandle = UniqueAny<KernelHandleTraits>;
using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueFind = UniqueAny<FindHandleTraits>;
using UniqueGdiObject = UniqueAny<GdiObjectTraits>;
using UniqueIcon = UniqueAny<IconTraits>;
using UniqueModule = UniqueAny<ModuleTraits>;
using UniqueHook = UniqueAny<HookTraits>;
using UniqueRegistryKey = UniqueAny<RegistryKeyTraits>;
template <typename Interface>
using UniqueCom = UniqueAny<ComTraits<Interface>>;

// The two handles that CreateProcess hands back. The thread handle is closed
// before the process handle, in that order.
class UniqueProcessInformation {
 public:
  PROCESS_INFORMATION* put() noexcept {
    reset();
    return &info_;
  }
  HANDLE process() const noexcept { return info_.hProcess; }
  HANDLE thread() const noexcept { return info_.hThread; }

  void reset() noexcept {
    UniqueHandle thread(std::exchange(info_.hThread, nullptr));
    thread.reset();
    UniqueHandle process(std::exchange(info_.hProcess, nullptr));
    process.reset();
    info_.dwProcessId = 0;
    info_.dwThreadId = 0;
  }

  UniqueProcessInformation() = default;
  ~UniqueProcessInformation() { reset(); }
  UniqueProcessInformation(const UniqueProcessInformation&) = delete;
  UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;

 private:
  PROCESS_INFORMATION info_{};
};

}  // namespace platform
