#include "app/sys_menu_func.h"

#include "app/dialogs.h"

namespace orv {

namespace {
constexpr const char* kSelected = "page_func btnctrl back_gold";
constexpr const char* kUnselected = "page_func btnctrl back_white";
}  // namespace

void SysMenuFunc::on_event(const ElementRef&, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id == "page1" || id == "page2" || id == "page3") {
    ShowTab(id[4] - '0');
  } else if (id == "setting") {
    if (on_setting) on_setting();
  } else if (id == "about") {
    Dialogs().ShowAbout();
  }
}

void SysMenuFunc::ShowTab(int tab) {
  for (int n = 1; n <= kTabs; ++n) {
    const std::string page = "page" + std::to_string(n);
    const bool shown = n == tab;
    Find(page).SetAttr("class", shown ? kSelected : kUnselected);
    for (const std::string& id : {"frame" + page, page + "_func"}) shown ? Find(id).Show() : Find(id).Hide();
  }
  if (on_tab_shown) on_tab_shown(tab);
}

}  // namespace orv
