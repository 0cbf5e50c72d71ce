#include "export/log_book_export.h"

#include <cstdlib>
#include <ctime>

#include "app/app_state.h"
#include "app/message_keys.h"
#include "app/safe_file.h"
#include "app/string_table.h"
#include "export/csv_writer.h"
#include "export/dive_spool.h"
#include "values/value_text.h"

#ifndef ORVELLE_VERSION
#define ORVELLE_VERSION "0"
#endif

namespace orv {

namespace {

bool EndsWith(std::string text, const std::string& tail) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The dives go into the format's stream as they come; the stream writes the
// file once the walk has ended.
class FormatStream {
 public:
  FormatStream(ExportFormat format, DiveSpool& spool) : format_(format), csv_(spool), uddf_(spool) {}
  bool Add(const ExportDive& dive) { return format_ == ExportFormat::Csv ? csv_.Add(dive) : uddf_.Add(dive); }
  bool Finish(const UddfHeader& header, const ExportSink& out) {
    return format_ == ExportFormat::Csv ? csv_.Finish(out) : uddf_.Finish(header, out);
  }

 private:
  ExportFormat format_;
  CsvStream csv_;
  UddfStream uddf_;
};

// Gathers the small pieces a writer makes into large writes.
class FileSink {
 public:
  explicit FileSink(ReplacingFile& file) : file_(file) {}
  bool Put(std::string_view text) {
    buffer_.append(text);
    return buffer_.size() < kPiece || Flush();
  }
  bool Flush() {
    const bool ok = file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok;
  }

 private:
  static constexpr size_t kPiece = 1 << 20;
  ReplacingFile& file_;
  std::string buffer_;
};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
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
  DiveSpool spool;
  FormatStream stream(format, spool);
  for (const ExportDive& d : dives) stream.Add(d);
  std::string text;
  stream.Finish(header, [&](std::string_view piece) { return text.append(piece), true; });
  return text;
}

ExportResult ExportLogBook(const MonthRange& range, const std::string& path, ExportProgress* progress) {
  ExportResult result;
  // The spool has no name: a process killed mid-walk leaves nothing behind.
  const std::string target = ResolveWriteTarget(path);
  DiveSpool spool(target.empty() ? FolderOf(path) : FolderOf(target));
  if (!spool.ok()) {
    result.failure = Msg::ExportWriteError;
    return result;
  }
  FormatStream stream(ExportFormatOf(path), spool);
  LogBook book = WalkLogBook(
      range, [&](const ExportDive& d) { return stream.Add(d); }, progress);
  result.skipped = std::move(book.skipped);
  result.cancelled = book.cancelled;
  if (book.cancelled) return result;
  if (!book.ok()) {
    result.failure = std::move(book.failure);
    return result;
  }
  if (book.dives == 0) {
    result.failure = Msg::ExportNoDives;
    return result;
  }
  ReplacingFile file(path);
  FileSink sink(file);
  if (!file.ok() || !stream.Finish(CurrentUddfHeader(), [&](std::string_view piece) { return sink.Put(piece); }) ||
      !sink.Flush() || !file.Commit()) {
    result.failure = Msg::ExportWriteError;
    return result;
  }
  result.written = book.dives;
  return result;
}

std::string ExportSummary(const ExportResult& result) {
  std::string text = Replace(Replace(Tr(KeyOf(Msg::ExportSummary)), "%d", std::to_string(result.written)), "%d",
                             std::to_string(result.skipped.size()));
  for (size_t i = 0; i < result.skipped.size(); ++i)
    text += (i ? ", " : ": ") + result.skipped[i].id + " (" + result.skipped[i].failure.key() + ")";
  return text;
}

}  // namespace orv
