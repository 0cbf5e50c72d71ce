#include "app/sys_menu_func.h"

#include "app/dialogs.h"

namespace orv {

namespace {
constexpr const char* kSelected = "page_func btnctrl back_gold";
constexpr const char* kUnselected = "page_func btnctrl back_white";
}  // namespace

void SysMenuFunc::on_event(const ElementRef&, const PageEvent& event) {
  const std::string id = ClickedId(event);
  if (id == "page1") {
    ShowTab(1);
  } else if (id == "page2") {
    ShowTab(2);
  } else if (id == "setting") {
    if (on_setting) on_setting();
  } else if (id == "about") {
    Dialogs().ShowAbout();
  }
}

void SysMenuFunc::ShowTab(int tab) {
  const bool first = tab == 1;
  Find("page1").SetAttr("class", first ? kSelected : kUnselected);
  Find("page2").SetAttr("class", first ? kUnselected : kSelected);
  for (const char* id : {"framepage1", "page1_func"}) first ? Find(id).Show() : Find(id).Hide();
  for (const char* id : {"framepage2", "page2_func"}) first ? Find(id).Hide() : Find(id).Show();
  if (on_tab_shown) on_tab_shown(tab);
}

}  // namespace orv
