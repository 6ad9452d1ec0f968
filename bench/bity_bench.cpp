// Google Benchmark for the routines, the console layer's conversion and
// formatted output, and the whole dialogue, all in memory: no system calls,
// so these show the cost of the code alone (bench/run.sh measures the whole
// program on real streams).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/input.h"
#include "console/console.h"
#include "console/output.h"
#include "console/scan.h"
#include "dialogue/dialogue.h"
#include "routines/routines.h"
#include "tests/support/memory_console.h"

namespace {

// A console on `input` whose output goes nowhere, at no cost.
console::Console& sink(std::string_view input, console::MemoryDevice& m) {
    m = console::MemoryDevice{.input = input};
    console::Device d = console::memory_device(m);
    d.write = [](void*, const char*, std::size_t) { return true; };
    return console::fresh_console(d);
}

// The mixed input of bench/run.sh, 20,000 lines of it.
const std::string& mixed_input() {
    static const std::string text = [] {
        std::string t = bench::MixedInput::text_line;
        bench::MixedInput{}.append_lines(t, 20000);
        return t;
    }();
    return text;
}

// How many numbers the dialogue shows for mixed_input().
std::int64_t numbers_in_mixed_input() {
    static const std::int64_t count = [] {
        console::MemoryDevice m{.input = mixed_input()};
        console::Console& c = console::fresh_console(m);
        run_dialogue(c);
        console::finish(c);
        std::int64_t n = 0;
        for (std::size_t at = 0; (at = m.output.find("Zadano ", at)) != std::string::npos; ++at)
            ++n;
        return n;
    }();
    return count;
}

void BM_ReverseBits(benchmark::State& state) {
    std::uint32_t word = 0x12345678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reverse_bits(word));
        word += 0x9E3779B9u;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReverseBits);

void BM_CountOneBits(benchmark::State& state) {
    std::int32_t word = 0x12345678;
    for (auto _ : state) {
        benchmark::DoNotOptimize(count_one_bits(word));
        word = static_cast<std::int32_t>(static_cast<std::uint32_t>(word) + 0x9E3779B9u);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CountOneBits);

void BM_CountChar(benchmark::State& state) {
    const std::string line(99, 'x');
    std::string text = line;
    for (std::size_t i = 0; i < text.size(); i += 4)
        text[i] = ' ';
    for (auto _ : state) {
        benchmark::DoNotOptimize(count_char(text.c_str(), ' '));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_CountChar);

void BM_IndexOfMax(benchmark::State& state) {
    float values[7] = {128, 11, 1000, -20, 34, 0, 89};
    for (auto _ : state) {
        benchmark::DoNotOptimize(values);
        benchmark::DoNotOptimize(index_of_max(values, 7));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IndexOfMax);

// The conversion alone, over numbers in every notation.
void BM_ScanInt(benchmark::State& state) {
    std::string text;
    for (std::uint32_t i = 0; i < 10000; ++i) {
        text += std::to_string(i * 429497u) + " -" + std::to_string(i * 7919u) + " 0x" +
                std::to_string(i * 31u) + "F 0" + std::to_string(i % 7777u) + "\n";
    }
    std::int64_t numbers = 0;
    console::MemoryDevice m;
    for (auto _ : state) {
        console::Console& c = sink(text, m);
        std::int32_t x = 0;
        while (console::scan_int(c, x) == console::Scanned::number) {
            benchmark::DoNotOptimize(x);
            ++numbers;
        }
        console::finish(c);
    }
    state.SetItemsProcessed(numbers);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ScanInt);

// The dialogue's result line, formatted into the output buffer.
void BM_PrintResultLine(benchmark::State& state) {
    console::MemoryDevice m;
    console::Console& c = sink({}, m);
    std::uint32_t pattern = 0x12345678;
    for (auto _ : state) {
        console::print(c, "Zadano ", console::hex8(pattern), ", Y=", console::hex8(~pattern),
                       ", pocet bitu v 1 ", console::decimal(static_cast<int>(pattern & 31)), "\n");
        pattern += 0x9E3779B9u;
    }
    console::finish(c);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrintResultLine);

// The whole dialogue over the mixed input: items are numbers shown.
void BM_Dialogue(benchmark::State& state) {
    const std::string& input = mixed_input();
    console::MemoryDevice m;
    for (auto _ : state) {
        console::Console& c = sink(input, m);
        run_dialogue(c);
        console::finish(c);
    }
    state.SetItemsProcessed(state.iterations() * numbers_in_mixed_input());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}
BENCHMARK(BM_Dialogue);

}  // namespace

BENCHMARK_MAIN();
