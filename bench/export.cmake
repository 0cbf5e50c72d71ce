# Run by scripts/bench: export_bench <bin folder> <pairs> [dives]
orvelle_service_bench(export_bench export_bench.cpp orvelle_logbook)
