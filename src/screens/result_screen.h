// The result screen after a round: counts, score, accuracy, two ratings,
// and the five cats carrying S, C, O, R, E.
#pragma once

#include <cstdint>
#include <string>

void result_frame();

// The rating of a round's score and of its accuracy.
std::string score_message(int32_t score);
std::string accuracy_message(int16_t accuracy);
