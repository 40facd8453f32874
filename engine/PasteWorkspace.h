#pragma once

#include <cstdint>
#include <vector>

#include "engine/CutPairs.h"
#include "engine/EdgePool.h"
#include "engine/MaskBuffer.h"
#include "engine/MinCutSolver.h"
#include "engine/SeamGraph.h"

// The buffers of a paste job that outlive it: the graph's vertex storage, the per-pixel maps,
// the solver's lists. Whoever pastes repeatedly (the synthesizer) keeps one and lends it to
// each job in turn, so that a paste allocates little once warmed up. Not for two jobs at once.
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
};
