#pragma once

#include <memory>

#include "engine/SeamGraph.h"

// An identical, independent copy of a seam graph: same vertices, same out-edge order, same
// capacities and residuals, reverse edges pointing into the copy.
std::unique_ptr<SeamGraph> copySeamGraph(const SeamGraph& graph);

// Maximum flow from vertex 0 to vertex 1 by Boost's boykov_kolmogorov_max_flow, which
// changes the residuals of `graph`.
double boostMaxFlow(SeamGraph& graph);

// Sum of the capacities of the edges leaving the source side for the sink side, where a
// non-terminal vertex is on the sink side when its label is below 128.
double cutCost(const SeamGraph& graph, const std::vector<uint8_t>& labels);
