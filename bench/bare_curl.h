// One service request on a plain libcurl handle, the floor the program's
// own HTTP layer is measured against: the same headers, nothing else.
#pragma once

#include <curl/curl.h>

#include <string>

#include "cloud/endpoints.h"

namespace orv::bench {

inline size_t CollectReply(char* data, size_t, size_t n, void* user) {
  static_cast<std::string*>(user)->append(data, n);
  return n;
}

// Sends `e` on `curl` (reused by the caller or fresh) and returns the body.
inline std::string BareRequest(CURL* curl, const std::string& origin, const std::string& ca, const Endpoint& e,
                               const std::string& token = "") {
  curl_slist* headers = curl_slist_append(nullptr, e.body_type == orv::BodyType::Json
                                                       ? "Content-Type: application/json"
                                                       : "Content-Type: application/x-www-form-urlencoded");
  headers = curl_slist_append(headers, "accept: application/json");
  const std::string bearer = "Authorization: Bearer " + token, url = origin + "/" + e.path;
  if (e.bearer) headers = curl_slist_append(headers, bearer.c_str());
  std::string reply;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());
  curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, e.verb.c_str());
  if (!e.body.empty()) {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, e.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(e.body.size()));
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectReply);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
  curl_easy_perform(curl);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);
  return reply;
}

}  // namespace orv::bench
