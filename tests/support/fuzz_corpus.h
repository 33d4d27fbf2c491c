// The committed seeds of the fuzz targets (fuzz/corpus/<target>/), for the
// tests that replay them through the fuzz entry points in every build.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// Paths of the regular files of fuzz/corpus/<target>, in name order.
std::vector<std::string> fuzzCorpusFiles(const char* target);

// Feeds every seed of fuzz/corpus/<target> to entry, then every 13th prefix
// of it (truncated answers are the common real-world fault). Fails the test
// when the folder holds fewer than minSeeds seeds.
void replayFuzzCorpus(const char* target, void (*entry)(const uint8_t*, size_t), size_t minSeeds = 5);
