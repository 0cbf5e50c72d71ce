// orvelle-cloudsim: the cloud service on loopback, for the demo and the tests.
//
//   orvelle-cloudsim --port N --data DIR [--seed-month YYYY-MM] [--fault ENDPOINT=MODE]...
//                    [--tile-port M]
//                    [--bench-seed YYYY-MM]   (adds the benchmark month, see SeedBenchLogs)
//                    [--seed-dives N]         (adds N generated dives before the demo's, see SeedGeneratedDives)
//
// On first start DIR receives ca.pem (the CA clients trust), the server
// certificate and sim.db (seeded demo account and catalogue). Prints
// "listening on https://127.0.0.1:N" once it accepts connections (with
// --port 0 the port is chosen by the system) and runs until SIGINT/SIGTERM.
// With --tile-port it also serves map tiles on that port (0: any) and prints
// "tiles on https://127.0.0.1:M" as its second line.
#include <httplib.h>
#include <openssl/ssl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "seed.h"
#include "service.h"
#include "tile_server.h"
#include "tls_setup.h"

namespace {

struct Args {
  int port = -1;
  int tile_port = -1;
  std::string data;
  int seed_year = 0, seed_month = 0;
  int bench_year = 0, bench_month = 0;
  int seed_dives = 0;
  std::vector<std::pair<std::string, orv::sim::Fault>> faults;
  bool help = false;
};

void PrintUsage(std::ostream& out) {
  out << "usage: orvelle-cloudsim --port N --data DIR [--seed-month YYYY-MM] [--fault ENDPOINT=MODE]...\n"
         "                        [--tile-port M] [--bench-seed YYYY-MM] [--seed-dives N]\n";
}

int Usage(const char* why) {
  std::cerr << "orvelle-cloudsim: " << why << "\n";
  PrintUsage(std::cerr);
  return 2;
}

bool ParseArgs(int argc, char** argv, Args& a, std::string& why) {
  for (int i = 1; i < argc; ++i) {
    std::string opt = argv[i];
    if (opt == "--help" || opt == "-h") return a.help = true;
    if (i + 1 >= argc) return why = opt + " needs a value", false;
    std::string v = argv[++i];
    if (opt == "--port" || opt == "--tile-port") {
      char* end = nullptr;
      long p = std::strtol(v.c_str(), &end, 10);
      if (*end || p < 0 || p > 65535) return why = "bad port " + v, false;
      (opt == "--port" ? a.port : a.tile_port) = static_cast<int>(p);
    } else if (opt == "--data") {
      a.data = v;
    } else if (opt == "--seed-month") {
      if (std::sscanf(v.c_str(), "%4d-%2d", &a.seed_year, &a.seed_month) != 2 || a.seed_month < 1 || a.seed_month > 12)
        return why = "bad --seed-month " + v, false;
    } else if (opt == "--bench-seed") {
      if (std::sscanf(v.c_str(), "%4d-%2d", &a.bench_year, &a.bench_month) != 2 || a.bench_month < 1 ||
          a.bench_month > 12)
        return why = "bad --bench-seed " + v, false;
    } else if (opt == "--seed-dives") {
      char* end = nullptr;
      const long n = std::strtol(v.c_str(), &end, 10);
      if (*end || n < 0 || n > 1000000) return why = "bad --seed-dives " + v, false;
      a.seed_dives = static_cast<int>(n);
    } else if (opt == "--fault") {
      auto eq = v.find('=');
      auto fault = orv::sim::ParseFault(eq == std::string::npos ? "" : v.substr(eq + 1));
      if (!fault) return why = "bad --fault " + v, false;
      a.faults.emplace_back(v.substr(0, eq), *fault);
    } else {
      return why = "unknown option " + opt, false;
    }
  }
  if (a.port < 0 || a.data.empty()) return why = "--port and --data are required", false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  std::string why;
  if (!ParseArgs(argc, argv, args, why)) return Usage(why.c_str());
  if (args.help) {
    std::cout << "orvelle-cloudsim: a local HTTPS stand-in for the ORVELLE service\n";
    PrintUsage(std::cout);
    return 0;
  }
  ::mkdir(args.data.c_str(), 0700);

  // Signals are taken by one waiting thread, so the server stops cleanly.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  orv::sim::ServerIdentity identity;
  if (!orv::sim::LoadOrCreateIdentity(args.data, identity, why)) {
    std::cerr << "orvelle-cloudsim: " << why << "\n";
    return 1;
  }
  orv::sim::SimDb db;
  if (!db.Open(args.data + "/sim.db")) {
    std::cerr << "orvelle-cloudsim: cannot open " << args.data << "/sim.db\n";
    return 1;
  }
  if (db.Empty()) {
    int last_day = 31;
    if (args.seed_year == 0) {
      std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      // Up to today: the latest trip ends today at the latest, or last
      // month when this month is too young for a three-day trip.
      args.seed_year = tm.tm_year + 1900;
      args.seed_month = tm.tm_mon + 1;
      last_day = tm.tm_mday;
      if (last_day < 3) {
        args.seed_month = tm.tm_mon == 0 ? 12 : tm.tm_mon;
        if (tm.tm_mon == 0) --args.seed_year;
        last_day = 31;
      }
    }
    if (!orv::sim::SeedDatabase(db, args.seed_year, args.seed_month, last_day)) {
      std::cerr << "orvelle-cloudsim: seeding the database failed\n";
      return 1;
    }
  }

  if (args.bench_year && !orv::sim::SeedBenchLogs(db, args.bench_year, args.bench_month)) {
    std::cerr << "orvelle-cloudsim: seeding the benchmark month failed\n";
    return 1;
  }
  if (args.seed_dives > 0) {
    // Before the demo diver's eight months, clear of them.
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    int year = tm.tm_year + 1900, month = tm.tm_mon + 1 - 9;
    if (month < 1) month += 12, --year;
    if (!orv::sim::SeedGeneratedDives(db, args.seed_dives, year, month)) {
      std::cerr << "orvelle-cloudsim: seeding the generated dives failed\n";
      return 1;
    }
  }
  orv::sim::Service service(db);
  for (const auto& [endpoint, fault] : args.faults) service.SetFault(endpoint, fault);
  httplib::SSLServer server(identity.cert, identity.key);
  if (!server.is_valid()) {
    std::cerr << "orvelle-cloudsim: TLS setup failed\n";
    return 1;
  }
  std::atomic<bool> stopping{false};
  auto handle = [&](const httplib::Request& req, httplib::Response& res) {
    orv::sim::SimRequest request;
    request.method = req.method;
    request.target = req.target;
    request.body = req.body;
    request.peer_port = req.remote_port;
    for (const auto& [key, value] : req.headers) request.headers.emplace_back(key, value);
    orv::sim::SimReply reply = service.Dispatch(std::move(request));
    // A stalled endpoint holds the connection without a byte until shutdown
    // or until its switch is cleared: each held request holds one of the
    // server's few threads, which the next tests need back.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (reply.stall && !stopping && std::chrono::steady_clock::now() < deadline &&
           (reply.stall_fault.empty() || service.Stalls(reply.stall_fault)))
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const char* type = reply.content_type.empty() ? "text/plain" : reply.content_type.c_str();
    if (reply.drop) {
      // Both directions shut: the client reads end-of-stream where the
      // answer should start, and our own reply goes nowhere.
      if (req.ssl) ::shutdown(SSL_get_fd(req.ssl), SHUT_RDWR);
      res.status = 500;
      return;
    }
    res.status = reply.status;
    if (reply.announced > reply.body.size()) {
      // The provider gives up after the body: the server closes the
      // connection short of the announced length.
      auto body = std::make_shared<std::string>(std::move(reply.body));
      res.set_content_provider(reply.announced, type, [body](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset >= body->size()) return false;
        return sink.write(body->data() + offset, body->size() - offset);
      });
      return;
    }
    if (!reply.filler.empty() || reply.pace_bytes) {
      auto body = std::make_shared<std::string>(std::move(reply.body));
      auto filler = std::make_shared<std::string>(std::move(reply.filler));
      const std::size_t pace = reply.pace_bytes;
      res.set_chunked_content_provider(
          type, [body, filler, pace, sent = std::size_t{0}, &stopping](size_t, httplib::DataSink& sink) mutable {
            if (stopping) return false;
            if (pace) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const std::size_t chunk = pace ? pace : 16384;
            if (sent < body->size()) {
              const std::size_t n = std::min(chunk, body->size() - sent);
              sent += n;
              return sink.write(body->data() + sent - n, n);
            }
            if (filler->empty()) {
              sink.done();
              return true;
            }
            std::string piece;
            while (piece.size() < chunk) piece += *filler;
            return sink.write(piece.data(), piece.size());
          });
      return;
    }
    if (reply.trickle) {
      // A server that never quite stops: one byte every 0.9 s.
      auto body = std::make_shared<std::string>(std::move(reply.body));
      res.set_content_provider(body->size(), type, [body, &stopping](size_t offset, size_t, httplib::DataSink& sink) {
        for (int i = 0; i < 18 && !stopping; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return !stopping && sink.write(body->data() + offset, 1);
      });
      return;
    }
    res.set_content(reply.body, type);
  };
  server.set_tcp_nodelay(true);  // replies go out at once, not after a delayed ACK
  // A client keeps its connections for a whole sync; the library's default
  // closes one after five requests, a new handshake each time. (The library
  // speaks HTTP/1.1 only: a client that asks for HTTP/2 gets 1.1 here.)
  server.set_keep_alive_max_count(100000);
  server.Get(".*", handle);
  server.Post(".*", handle);
  server.Patch(".*", handle);
  server.Put(".*", handle);
  server.Delete(".*", handle);

  int port = args.port;
  if (port == 0)
    port = server.bind_to_any_port("127.0.0.1");
  else if (!server.bind_to_port("127.0.0.1", port))
    port = -1;
  if (port <= 0) {
    std::cerr << "orvelle-cloudsim: cannot listen on 127.0.0.1:" << args.port << "\n";
    return 1;
  }
  service.origin = "https://127.0.0.1:" + std::to_string(port);

  orv::sim::TileServer tiles(identity);
  int tile_port = args.tile_port < 0 ? -1 : tiles.Start(args.tile_port);
  if (args.tile_port >= 0 && tile_port <= 0) {
    std::cerr << "orvelle-cloudsim: cannot serve tiles on 127.0.0.1:" << args.tile_port << "\n";
    return 1;
  }
  if (tile_port > 0)
    service.tile_control = [&tiles](const std::string& mode) {
      return mode.empty() || tiles.SetMode(mode) ? tiles.Status() : std::string();
    };

  std::atomic<bool> listen_done{false};
  std::thread waiter([&] {
    int sig = 0;
    sigwait(&stop_signals, &sig);
    stopping = true;
    // A signal right after start may come before the accept loop runs, and
    // stop() only ends a running loop.
    while (!listen_done && !server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!listen_done) server.stop();
  });
  std::cout << "listening on " << service.origin << std::endl;
  if (tile_port > 0) std::cout << "tiles on https://127.0.0.1:" << tile_port << std::endl;
  bool ok = server.listen_after_bind();
  listen_done = true;
  if (!stopping) {  // listen failed on its own: release the waiting thread
    stopping = true;
    // The waiter sits in sigwait for SIGTERM: the signal wakes it, it ends
    // no thread.
    pthread_kill(waiter.native_handle(), SIGTERM);  // NOLINT(bugprone-bad-signal-to-kill-thread)
  }
  waiter.join();
  return ok || stopping ? 0 : 1;
}
