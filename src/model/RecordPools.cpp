// Vertices, triangles and ring nodes from free lists of each thread's. Building the
// first body makes some thirty thousand vertex and triangle records and twice as many
// ring nodes, and the general heap's bookkeeping for them (a couple of hundred
// instructions a record) was a visible share of the triangulation. A freed record
// goes back to the list of the thread that frees it and is reused by that thread's
// next new record of the kind.
//
// Ring nodes live only inside one triangulation, so their blocks go back to the heap
// when the thread ends. Vertices and triangles belong to a model, which may outlive
// the thread that built it; their blocks are kept for the whole run, listed where
// every thread can reach them.
//
// Under AddressSanitizer every record comes from the heap as before, so that a record
// used after it was freed, or freed twice, is still reported.

#include <mutex>
#include <new>
#include <vector>

#include "model/Records.h"

#if defined(__SANITIZE_ADDRESS__)
#define PLIFORM_RECORDS_FROM_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLIFORM_RECORDS_FROM_HEAP 1
#endif
#endif

namespace {

thread_local long t_liveNodes = 0;

}  // namespace

long RingNode::Live() { return t_liveNodes; }

#if defined(PLIFORM_RECORDS_FROM_HEAP)

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

void* Vertex::operator new(std::size_t size) { return ::operator new(size); }
void Vertex::operator delete(void* vertex, std::size_t /*size*/) noexcept {
    ::operator delete(vertex);
}
void* Triangle::operator new(std::size_t size) { return ::operator new(size); }
void Triangle::operator delete(void* triangle, std::size_t /*size*/) noexcept {
    ::operator delete(triangle);
}

#else

namespace {

// Enough for the rings of a small body, or its vertices, in one block; a big one takes
// a few dozen.
constexpr std::size_t kRecordsPerBlock = 4096;

// Blocks that must outlive the thread that took them. Never freed: a record may still
// be in use when the run ends.
void KeepForTheRun(void* block) {
    static std::mutex lock;
    static auto* kept = new std::vector<void*>;
    const std::lock_guard<std::mutex> hold(lock);
    kept->push_back(block);
}

// Blocks freed when the thread that took them ends.
struct ThreadBlocks {
    ThreadBlocks() = default;
    ThreadBlocks(const ThreadBlocks&) = delete;
    ThreadBlocks& operator=(const ThreadBlocks&) = delete;
    ~ThreadBlocks() {
        for (void* block : blocks) ::operator delete(block);
    }
    std::vector<void*> blocks;
};

thread_local ThreadBlocks t_nodeBlocks;

void KeepUntilThreadEnds(void* block) {
    t_nodeBlocks.blocks.reserve(t_nodeBlocks.blocks.size() + 1);
    t_nodeBlocks.blocks.push_back(block);
}

// Cells of Record's size, handed out from blocks of kRecordsPerBlock that `Keep`
// takes charge of. Nothing to destroy, so a record freed late in a thread's (or the
// run's) end still finds its list.
template <typename Record, void (*Keep)(void*)>
class FreeList {
public:
    // A class derived from Record would ask for another size; none exists, but such a
    // record goes to the heap rather than into a cell too small for it.
    void* Take(std::size_t size) {
        if (size != sizeof(Record)) return ::operator new(size);
        if (m_free == nullptr) AddBlock();
        Cell* cell = m_free;
        m_free = cell->nextFree;
        return cell;
    }

    void Give(void* record, std::size_t size) {
        if (size != sizeof(Record)) {
            ::operator delete(record);
            return;
        }
        auto* cell = static_cast<Cell*>(record);
        cell->nextFree = m_free;
        m_free = cell;
    }

private:
    union Cell {
        Cell* nextFree;
        alignas(Record) unsigned char bytes[sizeof(Record)];
    };

    void AddBlock() {
        auto* block = static_cast<Cell*>(::operator new(sizeof(Cell) * kRecordsPerBlock));
        Keep(block);
        // Listed so that the block is handed out from its start.
        for (std::size_t i = kRecordsPerBlock; i > 0; --i) {
            block[i - 1].nextFree = m_free;
            m_free = &block[i - 1];
        }
    }

    Cell* m_free = nullptr;
};

thread_local FreeList<RingNode, KeepUntilThreadEnds> t_nodes;
thread_local FreeList<Vertex, KeepForTheRun> t_vertices;
thread_local FreeList<Triangle, KeepForTheRun> t_triangles;

}  // namespace

void* RingNode::operator new(std::size_t size) {
    void* node = t_nodes.Take(size);
    ++t_liveNodes;
    return node;
}

void RingNode::operator delete(void* node, std::size_t size) noexcept {
    if (node == nullptr) return;
    --t_liveNodes;
    t_nodes.Give(node, size);
}

void* Vertex::operator new(std::size_t size) { return t_vertices.Take(size); }
void Vertex::operator delete(void* vertex, std::size_t size) noexcept {
    if (vertex != nullptr) t_vertices.Give(vertex, size);
}
void* Triangle::operator new(std::size_t size) { return t_triangles.Take(size); }
void Triangle::operator delete(void* triangle, std::size_t size) noexcept {
    if (triangle != nullptr) t_triangles.Give(triangle, size);
}

#endif
