// The Dives tab's filter bar read into a filter: the texts of its fields as
// the diver typed them, depths in the diver's unit and durations in minutes.
#pragma once

#include <string>
#include <vector>

#include "app/failure.h"
#include "explore/dive_filter.h"

namespace orv {

struct FilterForm {
  std::string text, from, to, mode, depth_min, depth_max, minutes_min, minutes_max;
};

// The filter, or the fields whose values cannot be meant (by their page ids,
// "filter_from" ...) and the failure that says why. Empty fields mean
// "any".
struct FilterReading {
  DiveFilter filter;
  std::vector<std::string> bad_fields;
  Failure failure;  // none when the filter can be used
};
FilterReading ReadFilterForm(const FilterForm& form, bool imperial);

}  // namespace orv
