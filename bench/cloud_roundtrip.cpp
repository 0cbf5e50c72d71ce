// One service round trip through HttpPost (create, Connect, Request,
// destroy), against the same request on a bare libcurl easy handle, in the
// same run against a local orvelle-cloudsim, the two taken in turns. Prints
// the median of the per-round ratios.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bare_curl.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/service_config.h"
#include "pairs.h"
#include "sim_server.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

int main(int argc, char** argv) {
  int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 200;
  orv::test::SimServer server;
  if (!server.Start()) {
    std::fprintf(stderr, "cannot start orvelle-cloudsim\n");
    return 1;
  }
  server.Use();
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const orv::Endpoint search = orv::SearchDiveSitesEndpoint("Blue Hole");
  orv::bench::Pairs pairs;
  for (int i = 0; i < rounds; ++i) {
    auto t0 = Clock::now();
    {
      orv::HttpPost http;
      http.Connect();
      if (!http.Request(search.verb, search.path, "", search.body, orv::BodyType::Form).complete()) return 1;
    }
    auto t1 = Clock::now();
    CURL* curl = curl_easy_init();
    std::string bare = orv::bench::BareRequest(curl, server.origin(), server.ca_file(), search);
    curl_easy_cleanup(curl);
    if (bare.empty()) return 1;
    auto t2 = Clock::now();
    pairs.Add(std::chrono::duration<double, std::micro>(t1 - t0).count(),
              std::chrono::duration<double, std::micro>(t2 - t1).count());
  }
  std::fprintf(stderr, "httppost: %d rounds; bare libcurl median %.0f us\n", rounds, orv::bench::Median(pairs.base));
  orv::bench::PrintFigure("httppost", pairs.Value(), "us", pairs.Ratio(), "<=", 1.05);
  return 0;
}
