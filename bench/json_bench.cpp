// JSON parsing of the program's own data, JsonCpp against the JSON libraries
// Debian packages, each building its whole document from the text as the
// saved copy holds it. One line per data set and library:
//   json_<data>_<library>  <ms per pass>  ratio <to JsonCpp>  target <=1
// data: dive10k (a record of 10,000 samples), book (every saved record of a
// generated book), month and day (one reply each, the fullest saved).
//   json_bench BOOK.sqlite DIVE10K.sqlite PAIRS
#include <json/reader.h>
#include <rapidjson/document.h>
#include <simdjson.h>
#include <sqlite3.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pairs.h"

namespace {

using orv::bench::Now;

// Texts with room for simdjson's padding behind them, as a reader of the
// copy would allocate them.
std::vector<std::string> Texts(const std::string& file, const std::string& sql, const std::string& envelope = {}) {
  std::vector<std::string> texts;
  sqlite3* db = nullptr;
  sqlite3_stmt* s = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK)
    while (sqlite3_step(s) == SQLITE_ROW) {
      std::string text = envelope.empty() ? std::string() : "{\"code\":\"0000000\",\"response\":";
      text.append(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), sqlite3_column_bytes(s, 0));
      if (!envelope.empty()) text += "}";
      text.reserve(text.size() + simdjson::SIMDJSON_PADDING);
      texts.push_back(std::move(text));
    }
  sqlite3_finalize(s);
  sqlite3_close(db);
  if (texts.empty())
    std::fprintf(stderr, "json_bench: nothing read by %s from %s\n", sql.c_str(), file.c_str()), std::exit(1);
  return texts;
}

using Parse = std::function<bool(const std::string&)>;

Parse JsonCpp() {
  auto reader = std::shared_ptr<Json::CharReader>(Json::CharReaderBuilder().newCharReader());
  return [reader](const std::string& t) {
    Json::Value v;
    return reader->parse(t.data(), t.data() + t.size(), &v, nullptr) && v.isObject();
  };
}

Parse Simdjson() {
  auto parser = std::make_shared<simdjson::dom::parser>();
  return [parser](const std::string& t) {
    simdjson::dom::element e;
    return parser->parse(simdjson::padded_string_view(t.data(), t.size(), t.capacity())).get(e) == simdjson::SUCCESS &&
           e.is_object();
  };
}

Parse RapidJson() {
  return [](const std::string& t) {
    rapidjson::Document d;
    d.Parse(t.data(), t.size());
    return !d.HasParseError() && d.IsObject();
  };
}

Parse Nlohmann() {
  return [](const std::string& t) {
    nlohmann::json j = nlohmann::json::parse(t, nullptr, false);
    return j.is_object();
  };
}

double Pass(const Parse& parse, const std::vector<std::string>& texts, int repeats) {
  const double start = Now();
  for (int r = 0; r < repeats; ++r)
    for (const std::string& t : texts)
      if (!parse(t)) std::fprintf(stderr, "json_bench: a text did not parse\n"), std::exit(1);
  return (Now() - start) / repeats;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return std::fprintf(stderr, "usage: json_bench BOOK.sqlite DIVE10K.sqlite PAIRS\n"), 2;
  const int pairs = std::atoi(argv[3]);
  struct Data {
    const char* name;
    std::vector<std::string> texts;
    int repeats;
    double scale;  // to the unit printed
    const char* unit;
  } data[] = {
      {"dive10k", Texts(argv[2], "SELECT record FROM dives LIMIT 1"), 20, 1e3, "ms"},
      {"book", Texts(argv[1], "SELECT record FROM dives"), 1, 1e3, "ms"},
      {"month", Texts(argv[1], "SELECT response FROM months ORDER BY length(response) DESC LIMIT 1", "reply"), 2000,
       1e6, "us"},
      {"day", Texts(argv[1], "SELECT response FROM days ORDER BY length(response) DESC LIMIT 1", "reply"), 2000, 1e6,
       "us"},
  };
  const std::pair<const char*, Parse> libraries[] = {
      {"simdjson", Simdjson()}, {"rapidjson", RapidJson()}, {"nlohmann", Nlohmann()}};
  const Parse jsoncpp = JsonCpp();
  for (const Data& d : data) {
    std::printf("json_%s_jsoncpp  %.1f %s  ratio -  target -  (the baseline)\n", d.name,
                Pass(jsoncpp, d.texts, d.repeats) * d.scale, d.unit);
    for (const auto& [name, parse] : libraries) {
      orv::bench::Pairs p;
      for (int i = 0; i < pairs; ++i) {
        const double ours = Pass(parse, d.texts, d.repeats);
        p.Add(ours, Pass(jsoncpp, d.texts, d.repeats));
      }
      orv::bench::PrintFigure(std::string("json_") + d.name + "_" + name, p.Value() * d.scale, d.unit, p.Ratio(),
                              "<=", 1);
    }
  }
  return 0;
}
