#pragma once

#include <boost/graph/adjacency_list.hpp>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/EdgePool.h"

// Out-edge lists are vectors over the current EdgePool.
struct EdgePoolVecS {};

namespace boost {
template <class ValueType>
struct container_gen<EdgePoolVecS, ValueType> {
    using type = std::vector<ValueType, EdgePoolAllocator<ValueType>>;
};
template <>
struct parallel_edge_traits<EdgePoolVecS> {
    using type = allow_parallel_edge_tag;
};
} // namespace boost

// The graph of one paste: pixel nodes of the overlap, seam nodes for crossed old seams,
// and the two terminals. Edges come in pairs (u->v and v->u), each the other's reverse.

using SeamGraphTraits = boost::adjacency_list_traits<EdgePoolVecS, boost::vecS, boost::directedS>;
using SeamGraphVertex = SeamGraphTraits::vertex_descriptor;
using SeamGraphEdge = SeamGraphTraits::edge_descriptor;

struct SeamVertexProperties {
    uint32_t parent = 0; // a vertex that is its own parent has none
    uint32_t pixel = 0;  // mask index, w*h + k for seam node k, kSourcePixel / kSinkPixel
};

struct SeamEdgeProperties {
    double capacity = 0.0;
    double residual = 0.0;
    SeamGraphEdge reverse;
    uint32_t index = 0; // position in the solver's compact copy, set by the solver

    // The graph container allocates every edge's properties separately; inside an
    // EdgePool::Scope they come from that pool instead of the heap.
    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;
};

using SeamGraph = boost::adjacency_list<EdgePoolVecS, boost::vecS, boost::directedS, SeamVertexProperties,
                                       SeamEdgeProperties>;

constexpr uint32_t kSourceVertex = 0;
constexpr uint32_t kSinkVertex = 1;
constexpr uint32_t kSourcePixel = uint32_t(-2);
constexpr uint32_t kSinkPixel = uint32_t(-1);
// Terminal links never become exhausted.
constexpr double kLargestCapacity = std::numeric_limits<double>::max();

// The properties behind an edge descriptor, without a graph lookup.
inline SeamEdgeProperties& edgeProperties(const SeamGraphEdge& e) {
    return *static_cast<SeamEdgeProperties*>(const_cast<void*>(e.get_property()));
}

// Adds u->v and v->u, both with capacity and residual `cost`, each the other's reverse.
// Returns the u->v edge.
inline SeamGraphEdge addEdgePair(SeamGraph& g, uint32_t u, uint32_t v, double cost) {
    SeamGraphEdge forward = boost::add_edge(u, v, SeamEdgeProperties{cost, cost, {}, 0}, g).first;
    SeamGraphEdge backward = boost::add_edge(v, u, SeamEdgeProperties{cost, cost, {}, 0}, g).first;
    g[forward].reverse = backward;
    g[backward].reverse = forward;
    return forward;
}

// Appends a vertex that is its own parent.
inline uint32_t addSeamVertex(SeamGraph& g, uint32_t pixel) {
    const uint32_t v = uint32_t(boost::num_vertices(g));
    boost::add_vertex(SeamVertexProperties{v, pixel}, g);
    return v;
}
