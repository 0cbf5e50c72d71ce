#include "app/setting_func.h"

#include <cstdlib>

#include "app/app_state.h"
#include "app/settings.h"
#include "app/string_table.h"

namespace orv {

namespace {

// The leading decimal number of a text, 0 when it has none.
int LeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 0x7fffffff) break;  // far past any language index
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace

int LanguageIndex(const std::string& code) { return code == "CHT" ? 1 : 0; }

void SettingFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  Find("langauge").SetValue(std::to_string(LanguageIndex(LanguageCode)));
  if (State().unit == 0) Find("unit_m").SetValue("0");
  if (State().unit == 1) Find("unit_i").SetValue("1");
  Find("keep_logbook").SetValue(KeepLogBook() ? "true" : "false");
}

void SettingFunc::on_event(const ElementRef&, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id == "exit") {
    if (close_) close_(kSettingsUnchanged);
  } else if (id == "save") {
    SettingsResult r = Save();
    if (close_) close_(r);
  }
}

SettingsResult SettingFunc::Save() {
  const int language = LeadingNumber(Find("langauge").Value());
  SettingsResult r = language != LanguageIndex(LanguageCode) ? kSettingsLanguage : kSettingsUnchanged;
  const int unit = Find("unit_i").Value() == "1" ? 1 : 0;
  // Takes effect at the next sign-in; the screens need no refresh for it.
  if (const bool keep = Find("keep_logbook").Value() == "true"; keep != KeepLogBook()) WriteKeepLogBook(keep);
  if (unit != State().unit) r += kSettingsUnit;
  if (r != kSettingsUnchanged) {
    LanguageCode = language == 1 ? "CHT" : "ENG";
    State().unit = unit;
    WriteSettings(language, unit);
  }
  return r;
}

}  // namespace orv
