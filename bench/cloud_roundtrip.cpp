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

#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "cloud/service_config.h"
#include "pairs.h"
#include "sim_server.h"

namespace {

using Clock = std::chrono::steady_clock;

size_t Collect(char* data, size_t, size_t n, void* user) {
  static_cast<std::string*>(user)->append(data, n);
  return n;
}

std::string BareCurl(const std::string& url, const std::string& ca, const std::string& body) {
  CURL* curl = curl_easy_init();
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
  headers = curl_slist_append(headers, "accept: application/json");
  std::string reply;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  curl_easy_perform(curl);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return reply;
}

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
  const std::string url = server.origin() + "/" + search.path;
  orv::bench::Pairs pairs;
  for (int i = 0; i < rounds; ++i) {
    auto t0 = Clock::now();
    {
      orv::HttpPost http;
      http.Connect();
      if (http.Request(search.verb, search.path, "", search.body, false).empty()) return 1;
    }
    auto t1 = Clock::now();
    if (BareCurl(url, server.ca_file(), search.body).empty()) return 1;
    auto t2 = Clock::now();
    pairs.Add(std::chrono::duration<double, std::micro>(t1 - t0).count(),
              std::chrono::duration<double, std::micro>(t2 - t1).count());
  }
  std::fprintf(stderr, "httppost: %d rounds; bare libcurl median %.0f us\n", rounds, orv::bench::Median(pairs.base));
  orv::bench::PrintFigure("httppost", pairs.Value(), "us", pairs.Ratio(), "<=", 1.05);
  return 0;
}
