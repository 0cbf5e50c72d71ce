#include "app/sys_menu_func.h"

#include "app/dialogs.h"

namespace orv {

namespace {
constexpr const char* kSelected = "page_func btnctrl back_gold";
constexpr const char* kUnselected = "page_func btnctrl back_white";
}  // namespace

void SysMenuFunc::attach(EngineWindow* window) {
  func_base::attach(window);
  elements_.clear();
}

// Each lookup waits for the page; a tab switch needs nine of them, and the
// page they wait on is often still drawing the tab shown before.
ElementRef SysMenuFunc::Element(const std::string& id) {
  auto it = elements_.find(id);
  if (it == elements_.end()) it = elements_.emplace(id, Find(id)).first;
  return it->second;
}

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
    Element(page).SetAttr("class", shown ? kSelected : kUnselected);
    for (const std::string& id : {"frame" + page, page + "_func"}) shown ? Element(id).Show() : Element(id).Hide();
  }
  if (on_tab_shown) on_tab_shown(tab);
}

}  // namespace orv
