#include "export/log_book_export.h"

#include <cstdlib>
#include <ctime>

#include "app/app_state.h"
#include "app/safe_file.h"
#include "app/string_table.h"
#include "values/value_text.h"
#include "export/csv_writer.h"

#ifndef ORVELLE_VERSION
#define ORVELLE_VERSION "0"
#endif

namespace orv {

namespace {

bool EndsWith(std::string text, const std::string& tail) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Replace(std::string text, const std::string& mark, const std::string& value) {
  const size_t at = text.find(mark);
  return at == std::string::npos ? text : text.replace(at, mark.size(), value);
}

}  // namespace

ExportFormat ExportFormatOf(const std::string& path) {
  if (EndsWith(path, ".uddf")) return ExportFormat::Uddf;
  if (EndsWith(path, ".csv")) return ExportFormat::Csv;
  return ExportFormat::Unknown;
}

UddfHeader CurrentUddfHeader() {
  UddfHeader header;
  header.version = ORVELLE_VERSION;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  header.written_at = PaddedInt(local.tm_year + 1900, 4) + "-" + PaddedInt(local.tm_mon + 1, 2) + "-" +
                      PaddedInt(local.tm_mday, 2) + "T" + PaddedInt(local.tm_hour, 2) + ":" +
                      PaddedInt(local.tm_min, 2) + ":" + PaddedInt(local.tm_sec, 2);
  header.diver_name = State().display_name;
  header.diver_email = State().email;
  return header;
}

std::string ExportText(ExportFormat format, const std::vector<ExportDive>& dives, const UddfHeader& header) {
  return format == ExportFormat::Csv ? CsvText(dives) : UddfText(dives, header);
}

ExportResult ExportLogBook(const MonthRange& range, const std::string& path, ExportProgress* progress) {
  ExportResult result;
  LogBook book = WalkLogBook(range, progress);
  result.skipped = std::move(book.skipped);
  result.cancelled = book.cancelled;
  if (book.cancelled) return result;
  if (!book.ok()) {
    result.key = book.key;
    return result;
  }
  if (book.dives.empty()) {
    result.key = "EXPORT_NO_DIVES";
    return result;
  }
  const std::string text = ExportText(ExportFormatOf(path), book.dives, CurrentUddfHeader());
  if (!ReplaceFile(path, text)) {
    result.key = "EXPORT_WRITE_ERROR";
    return result;
  }
  result.written = static_cast<int>(book.dives.size());
  return result;
}

std::string ExportSummary(const ExportResult& result) {
  std::string text = Replace(Replace(Tr("EXPORT_SUMMARY"), "%d", std::to_string(result.written)), "%d",
                             std::to_string(result.skipped.size()));
  for (size_t i = 0; i < result.skipped.size(); ++i)
    text += (i ? ", " : ": ") + result.skipped[i].id + " (" + result.skipped[i].key + ")";
  return text;
}

}  // namespace orv
