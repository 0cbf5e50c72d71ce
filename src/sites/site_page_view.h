// The dive site page as the list model sees it: the rows of `cell_tbody`, the
// three edit inputs, the type selector and the map, all in the document of
// frame `framepage2`.
#pragma once

#include "app/engine.h"
#include "divelog/map_host.h"
#include "sites/site_lists.h"

namespace orv::sites {

class SitePageView : public SiteView {
 public:
  SitePageView(EngineWindow*& window, const MapHost& map) : window_(window), map_(map) {}

  void RenderList(const SiteList& list) override;
  void ShowEditValues(const EditValues& values, bool with_name) override;
  EditInputs ReadEditInputs() override;
  void ShowOnMap(double latitude, double longitude) override;
  void ClearMarker() override;
  void SetTypeSelector(int code) override;
  std::string ReadTypeSelector() override;
  void ResetEditControls() override;
  void EnableEditControls() override;

 private:
  ElementRef Find(const std::string& id) const;
  void SetEditControlsDisabled(bool disabled);

  // The handler's window pointer, so the view follows a re-attach.
  EngineWindow*& window_;
  const MapHost& map_;
};

}  // namespace orv::sites
