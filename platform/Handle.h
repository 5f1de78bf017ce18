// A move-only owner of a system handle; the traits say what is invalid and how to close it. Every
// kind of handle the program owns has its traits here.
#pragma once

#include <cstdint>
#include <utility>

#ifdef _WIN32
// Before windows.h, which would otherwise bring in the older winsock.h.
#include <winsock2.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace pravix {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Type value) noexcept : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Type get() const noexcept { return value_; }
  bool valid() const noexcept { return value_ != Traits::invalid(); }
  explicit operator bool() const noexcept { return valid(); }

  Type release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void reset(Type value = Traits::invalid()) noexcept {
    if (valid()) Traits::close(value_);
    value_ = value;
  }

 private:
  Type value_ = Traits::invalid();
};

#ifdef _WIN32
// The traits of a Win32 handle: the value that means none, and the call that releases it.
template <typename T, auto Close, bool NullIsInvalid = true>
struct Win32HandleTraits {
  using Type = T;
  static Type invalid() noexcept {
    if constexpr (NullIsInvalid) {
      return nullptr;
    } else {
      return INVALID_HANDLE_VALUE;
    }
  }
  static void close(Type handle) noexcept { Close(handle); }
};

// Files and searches fail as INVALID_HANDLE_VALUE; every other kind of handle as null.
using FileHandleTraits = Win32HandleTraits<HANDLE, CloseHandle, false>;
using FindHandle = UniqueHandle<Win32HandleTraits<HANDLE, FindClose, false>>;
// Processes, threads, events and job objects.
using KernelObject = UniqueHandle<Win32HandleTraits<HANDLE, CloseHandle>>;
using RegistryKey = UniqueHandle<Win32HandleTraits<HKEY, RegCloseKey>>;
using GdiObject = UniqueHandle<Win32HandleTraits<HGDIOBJ, DeleteObject>>;
using Module = UniqueHandle<Win32HandleTraits<HMODULE, FreeLibrary>>;
using Menu = UniqueHandle<Win32HandleTraits<HMENU, DestroyMenu>>;
using Icon = UniqueHandle<Win32HandleTraits<HICON, DestroyIcon>>;

// Sockets fail as INVALID_SOCKET, and close with closesocket (ws2_32).
struct SocketTraits {
  using Type = SOCKET;
  static Type invalid() noexcept { return INVALID_SOCKET; }
  static void close(Type socket) noexcept { closesocket(socket); }
};
using Socket = UniqueHandle<SocketTraits>;
#else
struct FileHandleTraits {
  using Type = int;
  static constexpr Type invalid() noexcept { return -1; }
  static void close(Type handle) noexcept { ::close(handle); }
};
#endif
using FileHandle = UniqueHandle<FileHandleTraits>;

}  // namespace pravix
