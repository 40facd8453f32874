#include "support/GraphTools.h"

#include <boost/graph/boykov_kolmogorov_max_flow.hpp>

#include <unordered_map>
#include <vector>

std::unique_ptr<SeamGraph> copySeamGraph(const SeamGraph& graph) {
    const size_t n = boost::num_vertices(graph);
    auto copy = std::make_unique<SeamGraph>(n);
    std::unordered_map<const void*, SeamGraphEdge> copied;
    copied.reserve(boost::num_edges(graph));
    for (size_t v = 0; v < n; ++v) {
        (*copy)[v] = graph[v];
        auto [it, end] = boost::out_edges(v, graph);
        for (; it != end; ++it) {
            SeamEdgeProperties props = graph[*it];
            const SeamGraphEdge e = boost::add_edge(v, boost::target(*it, graph), props, *copy).first;
            copied[it->get_property()] = e;
        }
    }
    for (size_t v = 0; v < n; ++v) {
        auto [it, end] = boost::out_edges(v, graph);
        for (; it != end; ++it)
            edgeProperties(copied[it->get_property()]).reverse = copied[graph[*it].reverse.get_property()];
    }
    return copy;
}

double boostMaxFlow(SeamGraph& graph) {
    const size_t n = boost::num_vertices(graph);
    std::vector<SeamGraphEdge> predecessors(n);
    std::vector<boost::default_color_type> colours(n);
    std::vector<long> distances(n);
    auto index = boost::get(boost::vertex_index, graph);
    return boost::boykov_kolmogorov_max_flow(
        graph, boost::get(&SeamEdgeProperties::capacity, graph), boost::get(&SeamEdgeProperties::residual, graph),
        boost::get(&SeamEdgeProperties::reverse, graph), boost::make_iterator_property_map(predecessors.begin(), index),
        boost::make_iterator_property_map(colours.begin(), index),
        boost::make_iterator_property_map(distances.begin(), index), index, kSourceVertex, kSinkVertex);
}

double cutCost(const SeamGraph& graph, const std::vector<uint8_t>& labels) {
    auto sinkSide = [&](size_t v) {
        return v == kSinkVertex || (v != kSourceVertex && labels[v] < 128);
    };
    double cost = 0.0;
    const size_t n = boost::num_vertices(graph);
    for (size_t u = 0; u < n; ++u) {
        if (sinkSide(u))
            continue;
        auto [it, end] = boost::out_edges(u, graph);
        for (; it != end; ++it)
            if (sinkSide(boost::target(*it, graph)))
                cost += graph[*it].capacity;
    }
    return cost;
}
