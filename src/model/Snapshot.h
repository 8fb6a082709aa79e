#pragma once

#include <cstdint>

#include "model/Records.h"

class CMainFrame;

// A deep copy of the model (the three lists and ModelState). An operation that may
// fail half way takes one first; Restore() releases whatever the frame holds now and
// puts back records equal in every field and list order to those of the snapshot.
class ModelSnapshot {
public:
    explicit ModelSnapshot(const CMainFrame& frame);
    ~ModelSnapshot();
    ModelSnapshot(const ModelSnapshot&) = delete;
    ModelSnapshot& operator=(const ModelSnapshot&) = delete;

    void Restore(CMainFrame& frame);

private:
    Vertex* m_pVertices = nullptr;
    Curve* m_pCurves = nullptr;
    Triangle* m_pTriangles = nullptr;
    int32_t m_nModelState = 0;
    bool m_bOwns = true;
};
