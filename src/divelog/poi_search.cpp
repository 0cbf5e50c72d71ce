#include "divelog/poi_search.h"

#include "app/dialogs.h"
#include "app/page_folder.h"
#include "app/string_table.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "divelog/dive_log_read.h"

namespace orv {

bool SearchCatalogue(const std::string& query, const ElementRef& message, Json::Value& pois) {
  if (Utf16Length(query) < 2) return false;
  HttpPost http;
  if (!http.Connect()) {
    ShowMessage(Tr("HOST_NOT_CONN"));
    return false;
  }
  CheckedReply reply = ReplyCheck(Send(http, SearchDiveSitesEndpoint(query)));
  if (!reply.ok()) {
    message.SetText(Tr(reply.key));
    return false;
  }
  message.Clear();
  pois = JsonMember(reply.response(), "pois");
  return true;
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
    row.FindBelow("dive_site_poi").SetAttr("poi_id", LogText(poi, "poi_id"));
    row.FindBelow("poi_name").SetText(LogText(poi, "poi_name"));
    row.FindBelow("poi_region").SetText(LogText(poi, "poi_region"));
  }
}

bool PositionInRange(double latitude, double longitude) {
  return latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180;
}

}  // namespace orv
