// Ring nodes from a free list of each thread's. Triangulating a ring makes its nodes
// in bursts and frees them as triangles close, tens of thousands per body, and the
// general heap's bookkeeping for them (a couple of hundred instructions a node) was a
// visible share of building the first body. Freed nodes go back to the list of the
// thread that frees them and are reused by its next triangulation; the blocks go back
// to the heap when the thread ends.
//
// Under AddressSanitizer the nodes come from the heap as before, so that a node used
// after it was freed is still reported.

#include <new>
#include <vector>

#include "model/Records.h"

#if defined(__SANITIZE_ADDRESS__)
#define PLIFORM_RING_NODES_FROM_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLIFORM_RING_NODES_FROM_HEAP 1
#endif
#endif

namespace {

thread_local long t_liveNodes = 0;

}  // namespace

long RingNode::Live() { return t_liveNodes; }

#if defined(PLIFORM_RING_NODES_FROM_HEAP)

void* RingNode::operator new(std::size_t size) {
    void* node = ::operator new(size);
    ++t_liveNodes;
    return node;
}

void RingNode::operator delete(void* node, std::size_t /*size*/) noexcept {
    if (node == nullptr) return;
    --t_liveNodes;
    ::operator delete(node);
}

#else

namespace {

// Enough for the rings of a small body in one block; a big one takes a few dozen.
constexpr std::size_t kNodesPerBlock = 4096;

union Cell {
    Cell* nextFree;
    alignas(RingNode) unsigned char bytes[sizeof(RingNode)];
};

class NodePool {
public:
    NodePool() = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;
    ~NodePool() {
        for (Cell* block : m_blocks) delete[] block;
    }

    void* Take() {
        if (m_free == nullptr) AddBlock();
        Cell* cell = m_free;
        m_free = cell->nextFree;
        return cell;
    }

    void Give(void* node) {
        auto* cell = static_cast<Cell*>(node);
        cell->nextFree = m_free;
        m_free = cell;
    }

private:
    void AddBlock() {
        m_blocks.reserve(m_blocks.size() + 1);
        Cell* block = new Cell[kNodesPerBlock];
        m_blocks.push_back(block);
        // Listed so that the block is handed out from its start.
        for (std::size_t i = kNodesPerBlock; i > 0; --i) Give(&block[i - 1]);
    }

    std::vector<Cell*> m_blocks;
    Cell* m_free = nullptr;
};

thread_local NodePool t_nodes;

}  // namespace

// A class derived from RingNode would ask for another size; none exists, but such a
// record goes to the heap rather than into a cell too small for it.
void* RingNode::operator new(std::size_t size) {
    void* node = size == sizeof(RingNode) ? t_nodes.Take() : ::operator new(size);
    ++t_liveNodes;
    return node;
}

void RingNode::operator delete(void* node, std::size_t size) noexcept {
    if (node == nullptr) return;
    --t_liveNodes;
    if (size == sizeof(RingNode))
        t_nodes.Give(node);
    else
        ::operator delete(node);
}

#endif
