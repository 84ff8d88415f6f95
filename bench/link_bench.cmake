# Receive latency of the device link on loopback, against the bare socket as yardstick.
krm_add_bench(bench_link SOURCES link_bench.cpp LIBS krm_link)
