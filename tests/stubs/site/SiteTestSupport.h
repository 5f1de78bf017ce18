// A site of known content for the site's tests and the server's fuzzer.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/System.h"
#include "stubs/site/LocalSite.h"
#include "stubs/site/SaveStore.h"
#include "tests/stubs/http/HttpTestSupport.h"

namespace pravix::stub::test {

constexpr const char* kSecret = "0123456789abcdef0123456789abcdef";
constexpr uint16_t kPort = 4321;

// The page "<p>", the movie "FWS" and six more bytes, the icon "ico", one player file,
// "core.wasm": "gz!", one file beside, "extra-\xC3\xBC/part two.swf": "0123456789", and the saves
// of `saves`, if any.
class KnownContent : public SiteContent, public ShowEvents {
 public:
  explicit KnownContent(SaveStore* saves = nullptr) : saves_(saves) {}
  std::unique_ptr<Body> page() override { return std::make_unique<BytesBody>("<p>"); }
  std::unique_ptr<Body> movie() override { return std::make_unique<BytesBody>("FWS123456"); }
  std::unique_ptr<Body> icon() override { return std::make_unique<BytesBody>("ico"); }
  std::unique_ptr<Body> playerFile(const std::string& name) override {
    return name == "core.wasm" ? std::make_unique<BytesBody>("gz!") : nullptr;
  }
  std::unique_ptr<Body> besideFile(const std::string& path) override {
    return path == "extra-\xC3\xBC/part two.swf" ? std::make_unique<BytesBody>("0123456789")
                                                 : nullptr;
  }
  SaveStore* saves() override { return saves_; }
  void pageCalledBack() override { ++callBacks; }
  void endAsked() override { ++ends; }
  // "run.bat" is a program that starts, "broken.bat" one that does not; no other is there.
  std::optional<std::function<void()>> execAsked(const std::string& name) override {
    programs.push_back(name);
    if (name == "run.bat") return [] {};
    if (name == "broken.bat") return [] { throw SystemError("Cannot start broken.bat", 2); };
    return std::nullopt;
  }

  int callBacks = 0;
  int ends = 0;
  std::vector<std::string> programs;

 private:
  SaveStore* saves_;
};

}  // namespace pravix::stub::test
