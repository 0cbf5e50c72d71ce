# Run by scripts/bench: logbook_bench <bin folder> [pairs]
orvelle_service_bench(logbook_bench logbook_bench.cpp orvelle_cloud orvelle_account orvelle_browse orvelle_headless)
