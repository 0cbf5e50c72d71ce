#include "sites/poi_results.h"

#include "app/page_folder.h"
#include "cloud/json_read.h"

namespace orv::sites {

size_t Utf16Length(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) == 0x80) continue;
    n += c >= 0xF0 ? 2 : 1;  // four-byte sequences become surrogate pairs
  }
  return n;
}

void RenderPoiRows(const ElementRef& list, const Json::Value& pois) {
  list.Clear();
  if (!list || !(pois.isArray() || pois.isObject())) return;
  const std::string row_html = ReadWholeFile(PagePath("dive_site_list.htm")).value_or("");
  if (row_html.empty()) return;
  int n = 0;
  for (const Json::Value& poi : pois) {
    list.AppendHtml(row_html);
    ElementRef row = list.Child(n++);
    row.FindBelow("dive_site_poi").SetAttr("poi_id", JsonText(poi, "poi_id"));
    row.FindBelow("poi_name").SetText(JsonText(poi, "poi_name"));
    row.FindBelow("poi_region").SetText(JsonText(poi, "poi_region"));
  }
}

EditValues PoiEditValues(const Json::Value& poi) {
  const Json::Value& at = JsonMember(poi, "gps_location");
  return {JsonText(poi, "poi_name"), JsonNumber(at, "latitude"), JsonNumber(at, "longitude")};
}

bool PoiIdEquals(const Json::Value& poi, const std::string& poi_id) {
  const Json::Value& id = JsonMember(poi, "poi_id");
  return id.isString() && id.asString() == poi_id;
}

}  // namespace orv::sites
