#!/usr/bin/env bash
# The CTest case of scripts/bench --quick: every figure prints one line of
# the agreed form. The values themselves are never judged here.
set -uo pipefail
out="$("$@")"
status=$?
echo "$out"
[ $status -eq 0 ] || exit $status
missing=0
for f in readblock writeblock httppost start signin month day50 detail10k detail100k upload100 memory sync80 offline_month sync_far \
  export5k_csv export5k_uddf export5k_csv_rss export5k_uddf_rss open5k \
  json_dive10k_simdjson json_book_simdjson json_month_simdjson json_day_simdjson json_book_rapidjson \
  json_book_nlohmann cli_list5000 cli_list5000_json dives_tab dives_key dives_stats; do
  grep -Eq "^$f  [0-9.]+ [^ ]+  ratio ([0-9.]+|-)  target (<=|>=)[0-9.]+  (ok|over)$" <<<"$out" ||
    { echo "no figure line for $f"; missing=1; }
done
exit $missing
