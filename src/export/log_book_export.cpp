#include "export/log_book_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "app/app_state.h"
#include "app/string_table.h"
#include "divelog/value_text.h"
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

// Replaces `path` with `text` all at once: a symlink is followed to the file
// it names, a target that exists but is no regular file is refused, and the
// text goes to a temporary file beside the target that is renamed over it
// only once it is complete on disk. Nothing is left behind on failure.
bool ReplaceFileAtomically(const std::string& path, const std::string& text) {
  std::string target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return false;
    target = resolved;
  }
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return false;
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  ::fchmod(fd, exists ? (st.st_mode & 07777) : 0644);
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
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
  if (!book.ok()) {
    result.key = book.key;
    return result;
  }
  if (book.dives.empty()) {
    result.key = "EXPORT_NO_DIVES";
    return result;
  }
  const std::string text = ExportText(ExportFormatOf(path), book.dives, CurrentUddfHeader());
  if (!ReplaceFileAtomically(path, text)) {
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
