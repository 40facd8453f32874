#pragma once

#include <cstdint>
#include <vector>

#include "engine/CutPairs.h"
#include "engine/EdgePool.h"
#include "engine/MaskBuffer.h"
#include "engine/MinCutSolver.h"
#include "engine/SeamGraph.h"
#include "engine/SeamStore.h"

// An old seam met by the scan, with the price of cutting next to it.
struct CrossedSeam {
    SeamRecord record;
    double cost;
    uint32_t firstMaskIndex;
    uint32_t secondMaskIndex;
};

// A crossed old seam made into a graph node.
struct SeamNodeRecord {
    uint32_t firstVertex;
    uint32_t secondVertex;
    SeamRecord record; // identifies the record in the seam store by its pixel pair
    uint8_t cut = 0;
};

// The buffers of a paste job that outlive it: the graph's vertex storage, the per-pixel maps,
// the old seams met and their nodes, the solver's lists. Whoever pastes repeatedly (the
// synthesizer) keeps one and lends it to each job in turn, so that a paste does not go to the
// heap once warmed up. Not for two jobs at once.
class PasteWorkspace {
public:
    EdgePool edgePool; // declared first: it must outlive the graph's edges
    SeamGraph graph{2};
    MinCutSolver solver;
    CutPairs cutPairs;
    std::vector<uint8_t> vertexLabels;
    std::vector<uint32_t> vertexOfPixel;
    std::vector<double> newOldDistance;
    MaskBuffer weightMask;
    std::vector<CrossedSeam> crossedSeams;
    std::vector<SeamNodeRecord> seamNodes;
    std::vector<uint8_t> seamNodeLabels;
};
