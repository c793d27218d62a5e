// The voice a key started, found in a recording of the sink under the
// music of the pass heard there.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sink_report.h"

// Looks from the first block that arrived after the key for 800 ms, but
// never past the next key, whose own voice could stand there.
KeyFigures voice_heard(const Event& key, std::optional<int64_t> next_key, const Recording& recording,
                       const std::vector<PassFigures>& passes, const std::vector<std::vector<float>>& voices);
