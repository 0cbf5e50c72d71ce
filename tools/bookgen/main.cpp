// orvelle-bookgen: a saved log book of any size, for the benchmarks and the
// tests that need a big one without syncing it first.
//
//   orvelle-bookgen --out FILE.sqlite [--dives N] [--samples S] [--years Y]
//                   [--end YYYY-MM] [--email E]
//
// The dives are made as the dive computer records them and read by the
// simulated service's own record reader; the service's own routes answer
// the month, day, dive and statistics requests; the program's own reply
// check, write-through and SavedCopy::Commit save them, one month per batch
// as a sync does. So the copy holds the bytes a sync of that account would
// leave. The same arguments always give the same book.
#include <json/writer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <sys/stat.h>

#include "book_dives.h"
#include "cloud/endpoints.h"
#include "cloud/reply_check.h"
#include "logbook/saved_copy.h"
#include "logbook/write_through.h"
#include "seed.h"
#include "service.h"

namespace {

struct Args {
  orv::bookgen::BookShape shape;
  std::string out, email = orv::sim::kDemoEmail;
};

bool Number(const char* text, long lo, long hi, long& out) {
  char* end = nullptr;
  out = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && out >= lo && out <= hi;
}

bool ParseArgs(int argc, char** argv, Args& a) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    long n = 0;
    if (name == "--out") {
      a.out = value;
    } else if (name == "--email") {
      a.email = value;
    } else if (name == "--dives" && Number(value, 1, 200000, n)) {
      a.shape.dives = static_cast<int>(n);
    } else if (name == "--samples" && Number(value, 2, 65000, n)) {
      a.shape.samples = static_cast<int>(n);
    } else if (name == "--years" && Number(value, 1, 60, n)) {
      a.shape.years = static_cast<int>(n);
    } else if (name == "--end" && std::strlen(value) == 7 && value[4] == '-' && Number(value + 5, 1, 12, n)) {
      a.shape.end_month = static_cast<int>(n);
      a.shape.end_year = std::atoi(value);
    } else {
      return false;
    }
  }
  return !a.out.empty() && a.shape.end_year >= 1980;
}

class Book {
 public:
  Book(orv::sim::Service& service, orv::SavedCopy& copy, const std::string& token, int64_t fetched_at)
      : service_(service), copy_(copy), token_(token), fetched_at_(fetched_at) {}

  // The reply's `response` as the program reads it, queued for the batch.
  std::optional<Json::Value> Get(const orv::Endpoint& endpoint, orv::CallKind kind, const std::string& list_row = {}) {
    orv::sim::SimRequest request;
    request.method = "GET";
    request.target = "/" + endpoint.path;
    request.headers.emplace_back("Authorization", "Bearer " + token_);
    const orv::CheckedReply checked = orv::ReplyCheck(service_.Dispatch(std::move(request)).body, kind);
    if (!checked.ok()) return std::nullopt;
    if (std::optional<orv::SavedWrite> write = orv::WriteOf(endpoint, checked.response())) {
      write->list_row = list_row;
      batch_.push_back(std::move(*write));
    }
    return checked.response();
  }

  bool Month(int year, int month) {
    const std::optional<Json::Value> summary = Get(orv::CalendarMonthEndpoint(year, month), orv::CallKind::Standard);
    if (!summary) return false;
    for (const Json::Value& entry : (*summary)["month_summary"]) {
      const int date = std::atoi(entry["year_month_date"].asCString());
      const std::optional<Json::Value> day =
          Get(orv::CalendarDateEndpoint(year, month, date % 100), orv::CallKind::Standard);
      if (!day) return false;
      for (const Json::Value& row : (*day)["divelogs"])
        if (!Get(orv::DiveLogEndpoint(row["divelog_id"].asString()), orv::CallKind::DiveLogDetail,
                 orv::CompactJson(row)))
          return false;
    }
    return Commit();
  }

  bool Commit() { return copy_.Commit(std::exchange(batch_, {}), fetched_at_).empty(); }

 private:
  orv::sim::Service& service_;
  orv::SavedCopy& copy_;
  std::string token_;
  int64_t fetched_at_;
  orv::SavedBatch batch_;
};

int Fail(const std::string& what) {
  std::fprintf(stderr, "orvelle-bookgen: %s\n", what.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  if (!ParseArgs(argc, argv, args)) {
    std::fprintf(stderr,
                 "usage: orvelle-bookgen --out FILE.sqlite [--dives N] [--samples S] [--years Y] [--end YYYY-MM] "
                 "[--email E]\n");
    return 2;
  }
  struct stat st;
  if (::lstat(args.out.c_str(), &st) == 0) return Fail(args.out + " exists; a book is only written into a new file");

  orv::sim::SimDb db;
  if (!db.Open(":memory:")) return Fail("cannot open the service's store");
  const char* user_id = orv::sim::kDemoUserId;
  if (!db.AddUser({user_id, args.email, "Demo Diver", "/static/avatar.svg"}, orv::sim::kDemoPassword))
    return Fail("cannot add the account");
  if (!orv::bookgen::StoreDives(db, user_id, args.shape)) return Fail("cannot store the dives");
  orv::sim::Service service(db);

  std::string key;
  std::unique_ptr<orv::SavedCopy> copy = orv::SavedCopy::Open(args.out, true, key);
  if (!copy || !key.empty()) return Fail("cannot create " + args.out + " (" + key + ")");
  if (!copy->SetAccount({args.email, user_id, "Demo Diver"}).empty()) return Fail("cannot write the account");
  // Saved as if fetched the day after the book's last month ends.
  const int64_t fetched_at = orv::bookgen::MonthStart(args.shape.end_year, args.shape.end_month + 1);
  Book book(service, *copy, db.NewToken(user_id), fetched_at);
  if (!book.Get(orv::StatisticsEndpoint(user_id), orv::CallKind::Standard) || !book.Commit())
    return Fail("cannot save the statistics");
  // Newest first, as a sync walks.
  int year = args.shape.end_year, month = args.shape.end_month;
  for (int left = args.shape.years * 12; left > 0; --left) {
    if (!book.Month(year, month)) return Fail("cannot save " + std::to_string(year) + "-" + std::to_string(month));
    if (--month == 0) month = 12, --year;
  }
  std::printf("%s: %lld dives\n", args.out.c_str(), static_cast<long long>(copy->DiveCount()));
  return 0;
}
