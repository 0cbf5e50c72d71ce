// Upload of 100 dives from a virtual dive computer (in process, on a pty)
// to a local orvelle-cloudsim through the program's upload relay, against
// the raw pty time for the same blocks plus plain libcurl's time for the
// same requests, replayed in the same run. Each pair gets a fresh service,
// so every upload stores all 100 dives.
//   upload_bench [pairs] [dives]
#include <curl/curl.h>
#include <fcntl.h>
#include <json/json.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "bare_curl.h"
#include "cloud/endpoints.h"
#include "cloud/http_post.h"
#include "device/device_identity.h"
#include "dive_memory.h"
#include "image_layout.h"
#include "memory_image.h"
#include "pairs.h"
#include "pty_server.h"
#include "raw_pty.h"
#include "responder.h"
#include "sim_server.h"
#include "transfer/upload_relay.h"

namespace {

using namespace orv;

class QuietSink : public ProgressSink {
 public:
  void WaitReady() override {}
  void SetMessageText(const std::string&) override {}
  void SetProgress(int) override {}
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "upload: %s\n", text.c_str()); }
  void End() override {}
};

// Every request on one easy handle, as HttpPost keeps one per operation.
double Replay(const std::string& origin, const std::string& ca, const std::vector<Endpoint>& sent) {
  CURL* curl = curl_easy_init();
  double t = bench::Now();
  for (const Endpoint& e : sent) bench::BareRequest(curl, origin, ca, e, State().token);
  t = bench::Now() - t;
  curl_easy_cleanup(curl);
  return t;
}

// `count` dives cut from the sample logbook, a day apart.
std::vector<devsim::DeviceDive> Dives(int count) {
  std::vector<devsim::DeviceDive> sample = devsim::SampleDives(), dives;
  for (int i = 0; i < count; ++i) {
    devsim::DeviceDive d = sample[i % sample.size()];
    d.number = static_cast<uint16_t>(i + 1);
    d.start_utc = sample.front().start_utc + static_cast<uint32_t>(i) * 86400u;
    d.samples.resize(std::min<size_t>(d.samples.size(), 90));
    d.duration = static_cast<uint16_t>(d.samples.size() * d.interval);
    dives.push_back(std::move(d));
  }
  return dives;
}

}  // namespace

int main(int argc, char** argv) {
  const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
  auto base = std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                        : std::filesystem::temp_directory_path();
  auto dir = base / ("orvelle-upload-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  devsim::MemoryImage image;
  bool created = false;
  if (!image.Open((dir / "image.bin").string(), devsim::kImageSize, created) ||
      !devsim::WriteDiveMemory(image, Dives(count)))
    return std::fprintf(stderr, "cannot prepare the device image\n"), 1;
  devsim::PtyServer server, raw_pair;
  if (!server.Open() || !raw_pair.Open()) return std::fprintf(stderr, "cannot open a pty pair\n"), 1;
  int slave = ::open(raw_pair.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  bench::RawPeer raw_peer(raw_pair.master_fd(), slave);
  devsim::Responder responder(image, devsim::DeviceProfile{});
  std::thread([&] { server.Serve(responder, devsim::LineFaults{}); }).detach();
  curl_global_init(CURL_GLOBAL_DEFAULT);

  bench::Pairs uploads;
  int blocks = 0;
  size_t posted = 0;
  for (int r = 0; r < pairs; ++r) {
    test::SimServer service;
    if (!service.Start()) return std::fprintf(stderr, "cannot start orvelle-cloudsim\n"), 1;
    service.Use();
    HttpPost http;
    http.Connect();
    Json::Value login;
    Json::Reader().parse(Send(http, LoginEndpoint("demo@orvelle.test", "coral+reef&dive=100%")).body, login);
    State().token = login["response"]["token"].asString();

    device::DeviceSession session(device::Deadlines{std::chrono::seconds(5), std::chrono::seconds(5)});
    if (!session.Open(server.slave_path()) || !device::IdentifyDevice(session.usb(), State()))
      return std::fprintf(stderr, "cannot open the virtual dive computer\n"), 1;
    std::vector<Endpoint> sent;
    blocks = 0;
    UploadLink link;
    link.model = State().model;
    link.firmware_version = FirmwareVersionNumber(State().firmware_version);
    device::Usb& usb = session.usb();
    link.read_block = [&](uint32_t addr, uint8_t* dest, uint32_t size) {
      blocks += static_cast<int>((size + device::kBlockSize - 1) / device::kBlockSize);
      return usb.ReadBlock(addr, dest, size);
    };
    link.send = [&](const Endpoint& e) {
      sent.push_back(e);
      return Send(http, e).body;
    };
    QuietSink sink;
    double t = bench::Now();
    UploadOutcome outcome = UploadRelay(link, sink).Run(0);
    t = bench::Now() - t;
    usb.SendEnd();
    if (!outcome.complete) return std::fprintf(stderr, "upload failed: %s\n", outcome.first_failure.key().c_str()), 1;
    posted = sent.size();
    double raw = raw_peer.Loop(true, blocks);
    double replay = Replay(service.origin(), service.ca_file(), sent);
    uploads.Add(t, raw + replay);
  }
  std::fprintf(stderr, "upload: %d pairs; %d dives, %d blocks read, %zu requests; baseline median %.2f s\n", pairs,
               count, blocks, posted, bench::Median(uploads.base));
  bench::PrintFigure("upload100", uploads.Value(), "s", uploads.Ratio(), "<=", 1.25);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  std::_Exit(0);  // the simulator's thread serves until the process ends
}
