// Random damage to real workbook files, read in this process, to find inputs
// on which the readers fail other than with a clear error (not a test: run by
// tests/fuzz.sh, built with the address and undefined-behaviour sanitizers).
//
//   fuzz_reader SECONDS SEED FILE...
//
// Each round takes one of the files, changes one to three bytes (or cuts it
// short), and reads its "Sheet1". A WorkbookError is the expected outcome
// for damage; any other exception is reported and the input kept; a crash
// stops the program with the sanitizer's report, and the input that caused
// it is the file fuzz-input.* in the working folder. Every 25th round goes
// through the reader program too, whose failures must come back as errors.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/text/Text.h"
#include "platform/workbook/SheetReader.h"
#include "platform/workbook/SheetReaderProcess.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: fuzz_reader SECONDS SEED FILE...\n");
        return 2;
    }
    double limit = std::stod(argv[1]);
    std::mt19937_64 rng(std::stoull(argv[2]));
    std::vector<std::pair<std::string, std::string>> inputs;
    for (int i = 3; i < argc; ++i)
        inputs.emplace_back(std::filesystem::path(argv[i]).extension().string(),
                            text::readFile(argv[i]));
    workbook::ReadLimits limits;
    limits.maxPartBytes = 64 << 20;
    limits.maxCells = 2'000'000;
    workbook::IsolatedRead isolated;
    isolated.limits = limits;
    isolated.seconds = 20;
    isolated.memoryBytes = std::uint64_t(1) << 30;

    auto start = std::chrono::steady_clock::now();
    std::size_t rounds = 0, errors = 0, read = 0, isolatedRounds = 0, findings = 0;
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() <
           limit) {
        const auto& [ext, original] = inputs[rng() % inputs.size()];
        std::string bytes = original;
        if (rng() % 8 == 0) {
            bytes.resize(rng() % bytes.size());
        } else {
            for (int k = 0, n = 1 + int(rng() % 3); k < n; ++k) {
                std::size_t at = rng() % bytes.size();
                bytes[at] = rng() % 2 ? char(rng()) : char(bytes[at] ^ (1 << (rng() % 8)));
            }
        }
        std::string path = "fuzz-input" + ext;
        text::writeFile(path, bytes);
        ++rounds;
        try {
            workbook::readSheet(path, "Sheet1", limits);
            ++read;
        } catch (const workbook::WorkbookError&) {
            ++errors;
        } catch (const std::exception& e) {
            ++findings;
            std::string kept = "fuzz-finding-" + std::to_string(findings) + ext;
            std::filesystem::copy_file(path, kept,
                                       std::filesystem::copy_options::overwrite_existing);
            std::printf("finding: %s (%s) kept as %s\n", e.what(), typeid(e).name(), kept.c_str());
        }
        if (rounds % 25 == 0) {
            ++isolatedRounds;
            try {
                workbook::readSheetIsolated(path, "Sheet1", isolated);
            } catch (const workbook::WorkbookError&) {
            }
        }
    }
    std::printf("%zu rounds in %.0f s: %zu read, %zu ended with a clear error, %zu through the "
                "reader program, %zu findings\n",
                rounds, limit, read, errors, isolatedRounds, findings);
    return findings ? 1 : 0;
}
