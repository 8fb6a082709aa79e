#pragma once

#include "app/MainFrame.h"

// The fairing written the plain way: every pass walks the vertex and triangle lists
// and accumulates in the records' scratch fields, one division per component. It is
// what CMainFrame::FairModel computed before its flat-array kernel, kept as the yardstick
// for the kernel's results (tests) and speed (benchmarks).
void ReferenceFairModel(CMainFrame& frame);

// The vertex normals of the same plain version: `work` ends as the sum of the unit
// face normals, `normal` as that sum divided by its length (kept where it is zero).
void ReferenceComputeVertexNormals(CMainFrame& frame);
