// One logged dive reduced to the values the open formats carry: plain
// numbers in metric units, so a logbook of thousands of dives does not keep
// thousands of JSON trees alive while it is written out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "divelog/dive_log.h"
#include "divelog/dive_values.h"

namespace orv {

struct ExportSample {
  int32_t time = 0;    // seconds from the start
  double depth = 0.0;  // metres
  bool has_temperature = false;
  double temperature = 0.0;  // degrees Celsius
};

struct ExportEvent {
  int32_t time = 0;  // seconds from the start
  int32_t code = 0;
  int32_t value = 0;
};

struct ExportDive {
  std::string id;
  int64_t start_utc = 0;         // `dive_datetime`
  int64_t timezone_minutes = 0;  // local = UTC - timezone
  DiveType type = DiveType::Scuba;
  double max_depth = 0.0, average_depth = 0.0;  // metres
  int32_t duration = 0;                         // seconds
  bool has_water_temperature = false, has_air_temperature = false;
  double water_temperature = 0.0;                   // lowest, degrees Celsius
  double air_temperature = 0.0;                     // degrees Celsius
  bool has_cylinder = false;                        // scuba and gauge dives carry one
  double start_pressure = 0.0, end_pressure = 0.0;  // bar
  int32_t cylinder_volume = 0;                      // as the diver entered it
  int32_t oxygen_percent = 0;                       // 0 when the record gives none
  ConditionCode weather = 0, wave = 0, current = 0, visibility = 0;
  double suit_thickness = 0.0;  // millimetres
  double weight = 0.0;          // kilograms
  bool has_site = false;
  std::string site_id, site_name;  // the name is the id when the record carries none
  GeoPoint site;
  GeoPoint entry, exit;  // 0, 0 when none
  std::vector<ExportSample> samples;
  std::vector<ExportEvent> events;

  // Seconds of the local start read as UTC, and its day number.
  int64_t LocalStart() const;
  int64_t LocalDay() const;
};

// Reads a dive the way every other reader of the record does (dive_log_read.h):
// sample depths from their pressure, clipped to the dive's maximum depth as
// the chart draws them.
ExportDive MakeExportDive(const DiveLog& log);

// The oxygen figure when it is a usable percentage (1..100), else 0.
int32_t OxygenPercent(int32_t po2);

}  // namespace orv
