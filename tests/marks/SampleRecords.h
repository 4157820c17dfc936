// The CSV records a mark import of the simulator's sample must give, worked out from the
// sample's own fields (dates, numbers, UTF-8 names), not from the bytes the watch sends.
#pragma once

#include <string>
#include <vector>

#include "sim/MarkSample.h"

namespace veldrant::marks::test {

using Record = std::vector<std::string>;

// The records of one mark set, with the score cards when `scores` is not null.
std::vector<Record> ExpectedSetRecords(const std::vector<sim::SampleMark>& marks,
                                       const std::vector<sim::SampleScore>* scores);

// Every set in order.
std::vector<Record> ExpectedFileRecords(const sim::MarkSample& sample, bool withScores);

}  // namespace veldrant::marks::test
