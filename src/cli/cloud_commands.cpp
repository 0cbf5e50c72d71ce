// Service commands of orvelle-cli: login, log ID, search TEXT.
#include <json/writer.h>

#include <cstdio>
#include <iostream>
#include <memory>

#include "account/sign_in.h"
#include "app/app_state.h"
#include "app/settings.h"
#include "cli/cli.h"
#include "cli/dive_json.h"
#include "cli/service_session.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/json_read.h"
#include "logbook/data_source.h"

namespace orv::cli {

namespace {

// One authorised call after sign-in (offline: the saved copy's answer); the
// reply, or the key already reported.
int Call(const Endpoint& endpoint, CallKind kind, SourceReply& reply) {
  reply = AskSource(endpoint, RequestFromService, {kind});
  return reply.ok() ? 0 : Fail(reply.failure);
}

int Login(const Options& options, const std::vector<std::string>& args) {
  if (!args.empty()) return UsageError("login takes no arguments");
  if (int rc = StartServiceSession(options)) return rc;
  const AppState& state = State();
  auto store = OpenSecretServiceStore();
  RememberSignIn(store.get(), state.email, state.password);
  std::cout << state.user_id << '\t' << state.display_name << '\n';
  return 0;
}

int ShowLog(const Options& options, const std::vector<std::string>& args) {
  if (args.size() != 1) return UsageError("log takes one dive log id");
  if (int rc = StartServiceSession(options, Saved::Readable)) return rc;
  SourceReply reply;
  if (int rc = Call(DiveLogEndpoint(args[0]), CallKind::DiveLogDetail, reply)) return rc;
  if (options.json) {
    const DiveLog& log = JsonMember(reply.response(), "divelog");
    Json::Value doc = SummaryJson(SummarizeDive(args[0], log));
    doc["record"] = log;
    PrintJson(doc);
    return 0;
  }
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "   ";
  writer["emitUTF8"] = true;
  std::cout << Json::writeString(writer, JsonMember(reply.response(), "divelog")) << '\n';
  return 0;
}

int Search(const Options& options, const std::vector<std::string>& args) {
  if (args.empty()) return UsageError("search needs the text to look for");
  std::string text = args[0];
  for (std::size_t i = 1; i < args.size(); ++i) text += " " + args[i];
  if (int rc = StartServiceSession(options)) return rc;
  SourceReply reply;
  if (int rc = Call(SearchDiveSitesEndpoint(text), CallKind::Standard, reply)) return rc;
  const Json::Value& pois = JsonMember(reply.response(), "pois");
  if (!pois.isArray()) return 0;
  for (const Json::Value& poi : pois) {
    const Json::Value& gps = JsonMember(poi, "gps_location");
    char coords[96];
    std::snprintf(coords, sizeof coords, "%.6f\t%.6f", JsonNumber(gps, "latitude"), JsonNumber(gps, "longitude"));
    std::cout << JsonText(poi, "poi_id") << '\t' << JsonText(poi, "poi_name") << '\t' << JsonText(poi, "poi_region")
              << '\t' << coords << '\n';
  }
  return 0;
}

}  // namespace

std::vector<Command> CloudCommands() {
  return {
      {"login", "", "sign in and remember the account for the desktop program", Login},
      {"log", "ID", "one dive's record as the service keeps it", ShowLog},
      {"search", "TEXT", "find dive sites in the catalogue: ID<TAB>NAME<TAB>REGION<TAB>LAT<TAB>LON", Search},
  };
}

}  // namespace orv::cli
