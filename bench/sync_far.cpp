// sync_far: a first sync of a generated log book through a relay that puts
// the service 50 ms away (25 ms each direction), by orvelle-cli sync / by
// one connection asking the same requests one after another (the requests
// the service received during that very sync, from its request log), each
// pair taken in turns.
//   sync_far_bench <bin folder> <dives> <pairs>
#include <curl/curl.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <json/reader.h>

#include "bare_curl.h"
#include "far_relay.h"
#include "pairs.h"
#include "seed.h"
#include "spawn_program.h"

namespace {

namespace fs = std::filesystem;
using orv::bench::Now;

[[noreturn]] void Abort(const std::string& why) {
  std::fprintf(stderr, "sync_far: %s\n", why.c_str());
  std::exit(1);
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The request targets the service received since `offset` of its log.
std::vector<std::string> ReceivedGets(const std::string& log, size_t offset) {
  std::istringstream lines(Slurp(log).substr(offset));
  std::vector<std::string> targets;
  for (std::string method, target, rest; lines >> method >> target && std::getline(lines, rest);)
    if (method == "GET") targets.push_back(target.substr(1));
  return targets;
}

// The same requests on one connection, one after another, signed in first
// as orvelle-cli signs in.
double OneConnection(const std::string& origin, const std::string& ca, const std::vector<std::string>& targets) {
  const double start = Now();
  CURL* curl = curl_easy_init();
  const std::string reply =
      orv::bench::BareRequest(curl, origin, ca, orv::LoginEndpoint(orv::sim::kDemoEmail, orv::sim::kDemoPassword));
  Json::Value root;
  std::istringstream text(reply);
  Json::CharReaderBuilder reader;
  std::string errors;
  if (!Json::parseFromStream(reader, text, &root, &errors)) Abort("no sign-in reply");
  const std::string token = root["response"]["token"].asString();
  for (const std::string& target : targets) {
    orv::Endpoint get{"GET", target, {}, orv::BodyType::Form, true, std::nullopt};
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);  // the sign-in's body stays behind otherwise
    if (orv::bench::BareRequest(curl, origin, ca, get, token).empty()) Abort("no reply to " + target);
  }
  curl_easy_cleanup(curl);
  return Now() - start;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) Abort("usage: sync_far_bench <bin folder> <dives> <pairs>");
  const std::string bin = argv[1], dives = argv[2];
  const int pairs = std::max(1, std::atoi(argv[3]));
  char tmpl[] = "/tmp/orvelle-syncfar-XXXXXX";
  if (!mkdtemp(tmpl)) Abort("no work folder");
  const std::string work = tmpl, log = work + "/requests.log";
  const pid_t sim = orv::test::SpawnProgram(
      {bin + "/orvelle-cloudsim", "--port", "0", "--data", work + "/cloud", "--seed-dives", dives},
      {"ORVELLE_CLOUDSIM_REQUEST_LOG=" + log}, {work + "/cloud.out", work + "/cloud.err"});
  int port = 0;
  for (int i = 0; i < 600 && port == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string line = Slurp(work + "/cloud.out");
    if (const size_t colon = line.rfind(':'); line.rfind("listening on", 0) == 0 && colon != std::string::npos)
      port = std::atoi(line.c_str() + colon + 1);
  }
  if (port == 0) Abort("orvelle-cloudsim did not start: " + Slurp(work + "/cloud.err"));
  const std::string ca = work + "/cloud/ca.pem";
  {
    orv::bench::FarRelay relay(port, 25);
    const std::string service = "127.0.0.1:" + std::to_string(relay.port());
    orv::bench::Pairs figure;
    for (int i = 0; i < pairs; ++i) {
      const std::string home = work + "/home" + std::to_string(i);
      const size_t offset = Slurp(log).size();
      const double start = Now();
      const pid_t cli =
          orv::test::SpawnProgram({bin + "/orvelle-cli", "--service", service, "--ca-file", ca, "--email",
                                   orv::sim::kDemoEmail, "--password", orv::sim::kDemoPassword, "sync"},
                                  {"XDG_DATA_HOME=" + home + "/data", "XDG_CONFIG_HOME=" + home + "/config"},
                                  {"/dev/null", work + "/sync.err"});
      int status = -1;
      if (cli > 0) ::waitpid(cli, &status, 0);
      const double ours = Now() - start;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        Abort("orvelle-cli sync failed: " + Slurp(work + "/sync.err"));
      const std::vector<std::string> gets = ReceivedGets(log, offset);
      const double base = OneConnection("https://" + service, ca, gets);
      if (std::getenv("ORVELLE_BENCH_VERBOSE"))
        std::fprintf(stderr, "sync_far: %zu requests, %.2f s / %.2f s\n", gets.size(), ours, base);
      figure.Add(ours, base);
    }
    orv::bench::PrintFigure("sync_far", figure.Value(), "s", figure.Ratio(), "<=", 0.4);
  }
  ::kill(sim, SIGTERM);
  ::waitpid(sim, nullptr, 0);
  fs::remove_all(work);
  return 0;
}
