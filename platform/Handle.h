// A move-only owner of a system handle; the traits say what is invalid and how to close it. Every
// kind of handle the program owns has its traits here.
#pragma once

#include <cstdint>
#include <utility>

#ifdef _WIN32
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
struct FileHandleTraits {
  using Type = HANDLE;
  static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Type handle) noexcept { CloseHandle(handle); }
};

// Kernel objects other than files (processes, threads, events) fail as null, not as -1.
struct KernelObjectTraits {
  using Type = HANDLE;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type handle) noexcept { CloseHandle(handle); }
};
using KernelObject = UniqueHandle<KernelObjectTraits>;

struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type object) noexcept { DeleteObject(object); }
};
using GdiObject = UniqueHandle<GdiObjectTraits>;

struct FindHandleTraits {
  using Type = HANDLE;
  static Type invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(Type handle) noexcept { FindClose(handle); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

struct ModuleTraits {
  using Type = HMODULE;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type module) noexcept { FreeLibrary(module); }
};
using Module = UniqueHandle<ModuleTraits>;

struct MenuTraits {
  using Type = HMENU;
  static Type invalid() noexcept { return nullptr; }
  static void close(Type menu) noexcept { DestroyMenu(menu); }
};
using Menu = UniqueHandle<MenuTraits>;
#else
struct FileHandleTraits {
  using Type = int;
  static constexpr Type invalid() noexcept { return -1; }
  static void close(Type handle) noexcept { ::close(handle); }
};
#endif
using FileHandle = UniqueHandle<FileHandleTraits>;

}  // namespace pravix
