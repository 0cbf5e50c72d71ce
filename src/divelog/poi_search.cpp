#include "divelog/poi_search.h"

#include "app/dialogs.h"
#include "app/message_keys.h"
#include "app/page_folder.h"
#include "app/row_markup.h"
#include "app/string_table.h"
#include "app/wait_purpose.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "cloud/reply_check.h"
#include "logbook/dive_log_read.h"
#include "logbook/write_through.h"

namespace orv {

bool SearchCatalogue(const std::string& query, const ElementRef& message, Json::Value& pois) {
  if (Utf16Length(query) < 2) return false;
  if (ReadingSavedCopy()) {
    // The catalogue lives only in the service; the saved log book has none.
    message.SetText(Tr(KeyOf(Msg::NeedsService)));
    return false;
  }
  HttpPost http;
  if (!http.Connect()) {
    ShowMessage(Tr(KeyOf(Msg::HostNotConn)));
    return false;
  }
  WaitPurpose purpose(KeyOf(Msg::BusySearch));
  const Reply reply = ReplyCheck(Send(http, SearchDiveSitesEndpoint(query)));
  if (!reply.ok()) {
    if (!WaitOperation().IsCancelled()) message.SetText(Tr(reply.failure().key()));  // cancelled: nothing to tell
    return false;
  }
  message.Clear();
  pois = JsonMember(*reply, "pois");
  return true;
}

void RenderPoiRows(const ElementRef& list, const Json::Value& pois) {
  list.Clear();
  if (!list || !(pois.isArray() || pois.isObject())) return;
  const std::string row_html = ReadWholeFile(PagePath("dive_site_list.htm")).value_or("");
  if (row_html.empty()) return;
  // One write for the whole list, as the site lists do.
  std::string markup;
  for (const Json::Value& poi : pois)
    markup += FillRowMarkup(row_html, {{"dive_site_poi", "poi_id", LogText(poi, "poi_id")},
                                       {"poi_name", "", LogText(poi, "poi_name")},
                                       {"poi_region", "", LogText(poi, "poi_region")}});
  if (!markup.empty()) list.AppendHtml(markup);
}

bool PositionInRange(double latitude, double longitude) {
  return latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180;
}

}  // namespace orv
