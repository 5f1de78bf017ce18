// The page that plays the movie: its text, built from page/ into the program, with the title and
// the settings put in its places.
#include "stubs/site/PlayerPage.h"

#include <string_view>
#include <utility>

#include "platform/Text.h"
#include "stubs/rules/UserReturn.h"
#include "stubs/site/PageText.h"
#include "stubs/site/SiteNames.h"

namespace pravix::stub {
namespace {

// `text` with `{{name}}` replaced by `value`, wherever it stands.
void fillIn(std::string& text, std::string_view name, const std::string& value) {
  const std::string place = "{{" + std::string(name) + "}}";
  for (size_t at = text.find(place); at != std::string::npos; at = text.find(place, at)) {
    text.replace(at, place.size(), value);
    at += value.size();
  }
}

}  // namespace

std::string htmlText(const std::string& text) {
  std::string html;
  for (char c : text) {
    switch (c) {
      case '&':
        html += "&amp;";
        break;
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '"':
        html += "&quot;";
        break;
      case '\'':
        html += "&#39;";
        break;
      default:
        html += c;
    }
  }
  return html;
}

std::string pageSettings(PageMode mode, const SaveLimits& limits, const std::string& notice,
                         bool askFullScreen) {
  std::string names;
  for (const auto& [name, value] : {std::pair<const char*, std::string_view>{"movie", kMovieName},
                                    {"icon", kIconName},
                                    {"alive", kCallBackName},
                                    {"end", kEndName},
                                    {"saves", kSavesName},
                                    {"exec", kExecName},
                                    {"page", kPageField},
                                    {"order", kOrderField},
                                    {"save", kSaveExtension}}) {
    names += std::string(names.empty() ? "" : ",") + jsonString(name) + ":" + jsonString(value);
  }
  std::string events;
  for (const char* event : kPageEvents) {
    events += std::string(events.empty() ? "" : ",") + jsonString(event);
  }
  return std::string("{\"mode\":") +
         jsonString(mode == PageMode::Window ? "window" : "screen-saver") + ",\"names\":{" + names +
         "},\"limits\":{\"saveBytes\":" + std::to_string(limits.saveBytes) +
         ",\"totalBytes\":" + std::to_string(limits.totalBytes) +
         ",\"saves\":" + std::to_string(limits.saves) +
         ",\"nameLength\":" + std::to_string(limits.nameLength) + "},\"endEvents\":[" + events +
         "],\"pointerTolerance\":" + std::to_string(kPointerTolerance) +
         ",\"notice\":" + jsonString(notice) +
         ",\"askFullScreen\":" + (askFullScreen ? "true" : "false") + "}";
}

std::string playerPage(const std::string& title, PageMode mode, const SaveLimits& limits,
                       const std::string& notice, bool askFullScreen) {
  std::string page(kPageText);
  fillIn(page, "icon", htmlText(kIconName));
  fillIn(page, "player", htmlText(kPlayerScriptName));
  // Inside a script element only "</script" could end it early: JSON may write "<" as an escape.
  std::string settings = pageSettings(mode, limits, notice, askFullScreen);
  for (size_t at = settings.find('<'); at != std::string::npos; at = settings.find('<', at)) {
    settings.replace(at, 1, "\\u003c");
  }
  fillIn(page, "settings", settings);
  // The title last: whatever it holds stays text.
  fillIn(page, "title", htmlText(title));
  return page;
}

}  // namespace pravix::stub
