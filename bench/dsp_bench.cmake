krm_add_bench(bench_dsp SOURCES dsp_bench.cpp LIBS krm_dsp)
