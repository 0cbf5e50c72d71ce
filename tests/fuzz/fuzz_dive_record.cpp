// A dive record's reply read with simdjson (the detail view) against the
// same reply read as every reply is read (JsonCpp): the same verdict and
// message key for any bytes, and for a record both accept, the same detail
// texts, chart and summary in both unit systems. Nothing may crash or hang
// on the way (depth, numbers out of range, text that is not UTF-8).
#include <json/writer.h>

#include "app/app_state.h"
#include "divelog/dive_map_draw.h"
#include "fuzz_check.h"
#include "logbook/dive_summary.h"
#include "logbook/source_record.h"

using namespace orv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view body = fuzz::AsText(data, size);
  const Endpoint endpoint = DiveLogEndpoint("d1");
  const SourceRequest how{CallKind::DiveLogDetail};
  SourceReply reply = TakeReply(endpoint, body, how);
  const SourceRecord record = TakeRecord(endpoint, body, how);
  FUZZ_CHECK(record.step == reply.step && record.key() == reply.key());
  if (!reply.ok() || record.parsed) return 0;
  const Json::Value& log = reply.response()["divelog"];
  FUZZ_CHECK(SummarizeDive("d1", record.record) == SummarizeDive("d1", log));
  const int32_t saved_unit = State().unit;
  for (int32_t unit : {0, 1}) {
    State().unit = unit;
    FUZZ_CHECK(DetailValues(record.record) == DetailValues(log));
    FUZZ_CHECK(DiveChartText(DiveChartPoints(record.record)) == DiveChartText(DiveChartPoints(log)));
  }
  State().unit = saved_unit;
  return 0;
}
