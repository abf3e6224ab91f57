// The controller's one pseudo-random generator: state := state * 214013 +
// 2531011 (mod 2^32); each draw is bits 16..30 of the new state, 0..32767.
#pragma once
#include <cstdint>

extern uint32_t randomState;

void SeedRandom(uint32_t seed);
int NextRandom();
