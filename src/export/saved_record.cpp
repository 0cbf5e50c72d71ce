#include "export/saved_record.h"

#include "export/export_dive_build.h"
#include "logbook/simd_log.h"
#include "logbook/write_through.h"

namespace orv {

std::optional<ExportDive> ReadExportDive(std::string_view record) {
  thread_local SimdText parsed;
  if (!parsed.Parse(record) || !parsed.root().is_object()) return std::nullopt;
  return BuildExportDive(SimdLog(parsed.root()));
}

std::optional<ExportDive> SavedExportDive(const std::string& divelog_id) {
  std::shared_ptr<SavedCopy> copy = ActiveSavedCopy();
  std::optional<std::string> text = copy ? copy->Read({SavedKind::Dive, divelog_id}) : std::nullopt;
  return text ? ReadExportDive(*text) : std::nullopt;
}

}  // namespace orv
