// The text the device holds at delivery, laid out in the sections it sends.
#pragma once

#include <string>
#include <vector>

namespace sim {

using Lines = std::vector<std::string>;

Lines adjustmentSection();
Lines actualInstrumentSection();
Lines temperamentSection();
Lines storedInstrumentSection();

// All sections in order, closed by the end-marker line.
Lines factoryData();

}  // namespace sim
